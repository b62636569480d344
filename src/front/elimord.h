// Solver-ordering interface: orders the adjacency structure of a symmetric
// matrix given in a sparse direct solver's array convention and returns the
// supernodal assembly tree, per vertex, as a front size and a tree link.
//
// Solver convention: vertices and positions count from 1; row i starts at
// position rowStart[i] of the adjacency array and holds rowLength[i]
// neighbours (an empty row may have any start); every edge appears in both
// of its rows. On return, for every vertex: a positive front size marks the
// principal vertex of a supernode, whose tree link is minus its father's
// principal vertex, or 0 at a root; a front size of 0 marks a vertex merged
// into the supernode of the principal vertex named, negated, by its tree
// link. The tree links are written over the row start array.
#pragma once

#include "graph/graph.h"
#include "order/library_order.h"
#include "plyxen.h"

// The ordering of one connected graph: compression, then nested dissection
// by multilevel vertex separators, minimum fill on the leaves and the
// level-structure ordering of the separators.
#define ELIMORD_DISSECTION_TEXT                                                                                 \
  "c{rat=0.7,cpr=n{sep=/(vert>120)?m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},"      \
  "org=(|h{pass=10})f{bal=0.2}}}|m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},"        \
  "org=(|h{pass=10})f{bal=0.2}}};,ole=f{cmin=0,cmax=100000,frat=0.0},ose=g},unc=n{sep=/(vert>120)?m{type=h,"    \
  "rat=0.7,vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},org=(|h{pass=10})f{bal=0.2}}}|m{type=h,rat=0.7," \
  "vert=100,low=h{pass=10},asc=b{width=3,bnd=f{bal=0.2},org=(|h{pass=10})f{bal=0.2}}};,ole=f{cmin=15,"          \
  "cmax=100000,frat=0.0},ose=g}}"
inline constexpr const char ELIMORD_DISSECTION_STRATEGY[] = ELIMORD_DISSECTION_TEXT;

// The ordering strategy of the interface: the strategy above on each
// connected component. On a connected graph this is the strategy above
// itself; a graph of many components is ordered component by component
// instead of through separators that are empty at every level, which
// would run greedy growing over the whole graph at every coarsening level.
inline constexpr const char ELIMORD_DEFAULT_STRATEGY[] = "o{strat=" ELIMORD_DISSECTION_TEXT "}";

// The interface under its other external names (ELIMORDF and ELIMORDFW are
// declared in plyxen.h). Arguments: vertex count, adjacency capacity (not
// used), row starts (out: tree links), next free position of the adjacency
// array, row lengths, adjacency, front sizes (out; weighted forms: vertex
// weights in), two work arrays (untouched), status (out: 0 on success).
extern "C" {
void elimordf(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*,
              PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*);
void elimordf_(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*,
               PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*);
void elimordf__(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*,
                PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*);
void elimordfw(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*,
               PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*);
void elimordfw_(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*,
                PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*);
void elimordfw__(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*,
                 PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*);
}

// The interface with the scalars by value; returns the status.
int elimord(GraphNum vertexCount, GraphNum adjacencyCapacity, GraphNum* rowStart, GraphNum nextFree,
            GraphNum* rowLength, GraphNum* adjacency, GraphNum* frontSize, GraphNum* work1, GraphNum* work2);
// Same, the front size array holding the vertex weights on entry.
int elimordWeighted(GraphNum vertexCount, GraphNum adjacencyCapacity, GraphNum* rowStart, GraphNum nextFree,
                    GraphNum* rowLength, GraphNum* adjacency, GraphNum* frontSize, GraphNum* work1, GraphNum* work2);
// Orders with the interface's strategy and writes the front sizes and the
// tree links. vertexWeight is null or the per-vertex weights (it may be the
// front size array itself). Returns 0, or 1 after reporting a failure.
int elimordCore(GraphNum vertexCount, GraphNum nextFree, GraphNum* rowStart, const GraphNum* rowLength,
                const GraphNum* adjacency, const GraphNum* vertexWeight, GraphNum* frontSize);
// elimordCore with the ordering strategy text given by the caller.
int elimordCoreStrat(GraphNum vertexCount, GraphNum nextFree, GraphNum* rowStart, const GraphNum* rowLength,
                     const GraphNum* adjacency, const GraphNum* vertexWeight, GraphNum* frontSize,
                     const char* strategy);

// Front sizes and tree links of a graph ordered by an interface order, from
// its symbolic block factorization: for the first vertex of every column
// block, the number of rows of the block column (or the sum of their
// vertex weights when vertexWeight is not null) and minus the principal
// vertex of the father column block (0 at a root); for its other vertices,
// 0 and minus the principal vertex. The three caller arrays are indexed by
// vertex from their first element. frontSize may be vertexWeight, and
// treeLink may be the graph's own begin array: both are written only after
// they have been read for good. Returns 0, or 1 after reporting a failure.
int elimordFronts(const Graph* graph, const InterfaceOrder* order, const GraphNum* vertexWeight,
                  GraphNum* frontSize, GraphNum* treeLink);

// The interface's ordering calls. All three return 0, or 1 after reporting a
// failure, with the interface order left cleared.
// Orders all vertices of the graph with the interface's strategy.
int elimordOrder(InterfaceOrder* order, Graph* graph);
// Orders the listed vertices (numbers in the graph's base) with the
// interface's strategy; the others take the last positions.
int elimordOrderList(InterfaceOrder* order, Graph* graph, GraphNum listCount, const GraphNum* list);
// Orders all vertices of the graph with the given strategy text.
int elimordOrderStrat(InterfaceOrder* order, Graph* graph, const char* strategy);
