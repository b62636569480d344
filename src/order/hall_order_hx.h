// Halo minimum degree and halo minimum fill: the two elimination kernels,
// the conversion of a halo graph into their input, and the builder that
// turns their assembly tree into an ordering and column blocks.
//
// Kernel arrays are 1-based: the caller passes pointers such that entries
// 1 to n (1 to iwlen for the workspace) are valid; only the degree-list
// heads are indexed from 0. Vertices are numbered 1 to n in the halo
// graph's order, so the non-halo vertices come first.
//
// Input (filled by hallOrderHxConvert):
//   start[i]         position in the workspace of the adjacency list of i
//   length[i]        degree of a non-halo vertex; for a halo vertex, minus
//                    its degree, or -(degreeBound + 1) when it has no arcs
//   workspace[1..freePosition-1]  the lists, neighbours numbered from 1;
//                    positions freePosition to iwlen are free
//   weight[i]        the vertex load (1 without loads)
//   elementLength[i] 0
//
// Output, for each non-halo vertex i:
//   weight[i] > 0    i was eliminated as a pivot and is a node of the
//                    assembly tree; weight[i] is its front size: the weight
//                    of the variables eliminated with it plus its external
//                    degree when it was eliminated. start[i] is -j when node
//                    j (a non-halo vertex) is its father, and 0 for a root.
//   weight[i] == 0   i was merged into a supervariable or eliminated with a
//                    pivot; start[i] is -j, where j is the pivot (or the halo
//                    vertex) that represents it.
//   last[i]          its position in the elimination sequence (from 1).
// Halo vertices are never eliminated; the ones left as principal variables
// get the last pivot as father. The other arrays are scratch.
// Dense vertices (more than max(16, 10 sqrt(n)) neighbours) are left out of
// the elimination: the non-halo ones form the last pivot, above every other
// root (the other roots are chained under it in pivot order), and the
// fronts of the other pivots do not count them; the halo ones do not count
// in any degree or front.
// A negative compression count reports a failure (already reported).
#pragma once

#include "order/hgraph.h"
#include "order/order.h"

// Both kernels keep their variables in priority lists 0 to lastList (head
// has lastList + 1 entries, lastList below INT32_MAX), sharing each list
// among consecutive keys when the keys run further: the degree bound for the
// minimum degree kernel, twice it for the minimum fill kernel. work holds n
// 64-bit entries.

// Approximate minimum degree.
void hallOrderHdR2Halmd(GraphNum degreeBound, GraphNum n, GraphNum elementCount, GraphNum iwlen, GraphNum* start,
                        GraphNum freePosition, GraphNum* length, GraphNum* workspace, GraphNum* weight,
                        GraphNum* elementLength, GraphNum* last, GraphNum* compressionCount, GraphNum* degree,
                        GraphNum* head, GraphNum lastList, GraphNum* next, int64_t* work);

// Approximate minimum fill.
void hallOrderHfR3Hamdf4(GraphNum degreeBound, GraphNum n, GraphNum elementCount, GraphNum iwlen, GraphNum* start,
                         GraphNum freePosition, GraphNum* length, GraphNum* workspace, GraphNum* weight,
                         GraphNum* elementLength, GraphNum* last, GraphNum* compressionCount, GraphNum* degree,
                         GraphNum* head, GraphNum lastList, GraphNum* next, int64_t* work);

// Workspace size for a halo graph: max(trunc(1.2 x arcCount) + 32, n), or
// -1 when it does not fit in a GraphNum.
GraphNum hallOrderHxWorkspaceSize(const Hgraph* graph);

// The last priority list to give a kernel whose keys run from 0 to keyRange
// on a graph of n vertices with a workspace of iwlen entries: one list per
// key as long as that stays within a small multiple of the graph's size, so
// that the vertex loads, which set the key range, never set the memory or
// the time of the method. It is at least n (the builder reuses the lists as
// one array entry per vertex).
GraphNum hallOrderHxLastList(GraphNum n, GraphNum iwlen, int64_t keyRange);

// Fills the kernel input from the halo graph (1-based arrays, see above);
// freePosition receives one past the last arc copied.
void hallOrderHxConvert(const Hgraph* graph, GraphNum* start, GraphNum* length, GraphNum* workspace,
                        GraphNum* weight, GraphNum* elementLength, GraphNum* freePosition);

// Builds the ordering of the non-halo vertices from the kernel output.
// Every array is indexed by vertex number (from base) and has vertexCount
// entries; start and weight hold the kernel output (start entries keep the
// kernel's 1-based numbering) and are overwritten (start with the fathers of
// the nodes, weight with the merged fronts); size, firstSon, nextBrother,
// blockList, blockTail, pendingChildren and leafQueue are scratch. Merged
// blocks are written before the block they join, so the ordering remains a
// topological order of the kernel's assembly tree. loads is a copy of the vertex
// loads, or null. target receives the nonHaloCount ordered vertices
// (translated by vertexNumber when not null). The column block is split
// into one plain child per block when more than one block remains.
int hallOrderHxBuild(GraphNum base, GraphNum vertexCount, GraphNum nonHaloCount, const GraphNum* vertexNumber,
                     Order* order, OrderColBlock* columnBlock, GraphNum* weight, GraphNum* size, double frat,
                     GraphNum* loads, GraphNum* start, GraphNum* firstSon, GraphNum* nextBrother,
                     GraphNum* blockList, GraphNum* blockTail, GraphNum* pendingChildren, GraphNum* target,
                     GraphNum* leafQueue, GraphNum cmin, GraphNum cmax);

// Which kernel a method runs.
enum HallOrderKernelKind { HALL_ORDER_DEGREE = 0, HALL_ORDER_FILL = 1 };

// The body of methods d and f: orders the non-halo vertices of the halo
// graph with the given kernel; methodName prefixes the method's messages.
int hallOrderHxOrder(Hgraph* graph, Order* order, GraphNum startPosition, OrderColBlock* columnBlock,
                     const void* parameters, HallOrderKernelKind kind, const char* methodName);
