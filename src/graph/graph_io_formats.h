// Graph exchange formats beside the system's own graph file: METIS graph
// files and Matrix Market coordinate files.
//
// The loaders read the whole stream and leave a well-formed graph that owns
// its arrays as graphLoad's does (flags 63, freed by graphExit), or return 1
// after reporting with a message that names the file (when name is not
// null) and the line; the record is then cleared. Their memory follows what
// the stream holds, never the counts its header claims.
#pragma once

#include "graph/graph.h"

// base is the base the graph is to have, or -1 for the formats' own base 1.
// loadFlags: bit 1 drops vertex weights, bit 2 edge weights (they are still
// read and checked for form).
int graphLoadMetis(Graph* graph, FILE* stream, GraphNum base, GraphNum loadFlags, const char* name);
// Writes the vertex and edge weights when the graph has loads; vertices are
// numbered from 1 in order (labels are not kept).
int graphSaveMetis(const Graph* graph, FILE* stream);

// Reads a coordinate file of any field (pattern, real, double, integer,
// complex) and symmetry (general, symmetric, skew-symmetric, hermitian) of a
// square matrix A; the graph is the pattern of A + A^T without the diagonal.
int graphLoadMatrixMarket(Graph* graph, FILE* stream, GraphNum base, const char* name);
// Writes a symmetric pattern, one entry per edge below the diagonal (loads
// and labels are not kept).
int graphSaveMatrixMarket(const Graph* graph, FILE* stream);
