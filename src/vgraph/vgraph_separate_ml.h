// The projection step of multilevel separation, for its tests.
#pragma once

#include "graph/graph_coarsen.h"
#include "vgraph/vgraph.h"

// Projects the separation of coarse onto fine through the multinode array
// (addressed by coarse vertex number): every fine vertex takes the part of
// its multinode, and the separator multinodes list their fine vertices in
// fine's frontier in coarse vertex order. Allocates fine's part array when
// it has none. Returns 0, or 1 after reporting a memory failure.
int vgraphSeparateMlUncoarsen(Vgraph* fine, const Vgraph* coarse, const MultinodePair* multinodes);
