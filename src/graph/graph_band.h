// Breadth-first band numbering: the vertices within a given number of
// edges of a set of start vertices, numbered layer by layer.
#pragma once

#include "graph/graph.h"

// Grows the band breadth first from the queueCount start vertices held in
// queue (which has room for every vertex of the graph) up to width layers,
// appending every vertex reached to the queue. Allocates *indexArray (one
// entry per vertex, addressed from base, freed by the caller with
// memFreeBased): -1 outside the band, -2 for a reached vertex whose entry in
// fixedArray (optional, addressed from base) is not -1, and otherwise
// consecutive numbers from base in queue order. Returns in *lastLayerStart
// the first number given in the deepest layer reached, in *bandVertexCount
// the count of numbered vertices, in *bandArcTotal the sum of the degrees of
// all reached vertices and in *fixedCount the count of fixed vertices
// reached. Returns 0, or 1 after reporting "graphBand: out of memory (1)".
int graphBand(const Graph* graph, GraphNum queueCount, GraphNum* queue, GraphNum width, GraphNum** indexArray,
              GraphNum* lastLayerStart, GraphNum* bandVertexCount, GraphNum* bandArcTotal,
              const GraphNum* fixedArray, GraphNum* fixedCount);
