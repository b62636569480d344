// One coarsening step of the multilevel methods: a randomised heavy-edge
// matching with bounded multinode loads, then the coarse graph with one
// vertex per matched pair or left-over vertex, merged arcs and summed loads.
#pragma once

#include "graph/graph.h"

// The fine vertices behind one coarse vertex: the smaller-numbered one
// first, then its mate; a coarse vertex made of one fine vertex holds it
// twice.
struct MultinodePair {
  GraphNum vertex[2];
};

// The order in which the matching visits the fine vertices. Both walk the
// positions block by block, scrambled within each block; the positions are
// the vertex numbers themselves, or a breadth-first order of the vertices
// from a random one (each further connected component from its
// lowest-numbered vertex). On a mesh numbered at random the numbering order
// matches vertices all over the graph at once and leaves ragged clusters;
// the breadth-first order matches along a front, as the numbering order
// does on a mesh numbered row by row.
enum class CoarsenVisit { Numbering, BreadthFirst };

// Coarsens fine into coarse. The target size is constrainedCount +
// (vertexCount - constrainedCount) * coarseRatio, truncated; the step is
// declined when the target is below coarseMin or when the matching does not
// bring the vertex count below the target.
//
// Constraint arrays (optional, addressed by fine vertex number) forbid
// matching two vertices whose values differ in a given array. They are used
// only when constrainedCount > 0 or constraintA is given; constraintB alone
// with a count of 0 is ignored.
//
// Returns 0 when coarse is made (flags 50, every array in one block freed by
// graphExit); *multinodes then points to the pair array inside that block,
// addressed by coarse vertex number (stored shifted by base like every
// vertex array), and *resultConstrainedCount, when given, receives
// constrainedCount. Returns 1 when the step is declined or memory ran out
// while building the coarse graph, 2 when memory ran out for the mate array,
// for the visit order or for shrinking the coarse block. coarse is left
// untouched on failure.
//
// Uses one draw of intRandNext when the size test passes, and a second one
// for the start of the breadth-first order: the same input and generator
// state give the same coarse graph.
int graphCoarsen(const Graph* fine, Graph* coarse, MultinodePair** multinodes, GraphNum coarseMin,
                 double coarseRatio, const GraphNum* constraintA, const GraphNum* constraintB,
                 GraphNum constrainedCount, GraphNum* resultConstrainedCount,
                 CoarsenVisit visit = CoarsenVisit::Numbering);
