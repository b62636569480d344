// Separation method m: multilevel separation. The graph is coarsened until
// it is small, the coarsest graph is separated with the "low" strategy, and
// on the way back every coarse separation is projected onto the finer graph
// and refined there with the "asc" strategy.
#include "vgraph/vgraph_separate_ml.h"

#include "vgraph/vgraph_separate_methods.h"

namespace {

// Allocates the part array of a level on first need.
int vgraphSeparateMlParts(Vgraph* graph) {
  if (graph->parts != nullptr) return 0;
  uint8_t* parts = static_cast<uint8_t*>(memAlloc(static_cast<size_t>(graph->graph.vertexCount)));
  if (parts == nullptr) {
    errorPrint("vgraphSeparateMlUncoarsen: out of memory");
    return 1;
  }
  graph->parts = parts - graph->graph.base;
  return 0;
}

}  // namespace

int vgraphSeparateMlUncoarsen(Vgraph* fine, const Vgraph* coarse, const MultinodePair* multinodes) {
  if (vgraphSeparateMlParts(fine) != 0) return 1;
  uint8_t* fineParts = fine->parts;
  const uint8_t* coarseParts = coarse->parts;
  GraphNum* frontier = fine->frontier;
  GraphNum frontierCount = 0;
  GraphNum part1Count = coarse->partSize[1];
  for (GraphNum coarseVertex = coarse->graph.base; coarseVertex < coarse->graph.vertexEnd; coarseVertex++) {
    const GraphNum vertex0 = multinodes[coarseVertex].vertex[0];
    const GraphNum vertex1 = multinodes[coarseVertex].vertex[1];
    const int part = coarseParts[coarseVertex];
    fineParts[vertex0] = static_cast<uint8_t>(part);
    if (part == 2) {
      frontier[frontierCount++] = vertex0;
      if (vertex1 != vertex0) {
        fineParts[vertex1] = 2;
        frontier[frontierCount++] = vertex1;
      }
    } else if (vertex1 != vertex0) {
      fineParts[vertex1] = static_cast<uint8_t>(part);
      part1Count += part;
    }
  }
  fine->partLoad[0] = coarse->partLoad[0];
  fine->partLoad[1] = coarse->partLoad[1];
  fine->partLoad[2] = coarse->partLoad[2];
  fine->loadDelta = coarse->loadDelta;
  fine->frontierCount = frontierCount;
  fine->partSize[1] = part1Count;
  fine->partSize[0] = fine->graph.vertexCount - frontierCount - part1Count;
  return 0;
}

namespace {

int vgraphSeparateMl2(Vgraph* graph, const VgraphSeparateMlParam* param) {
  Vgraph coarse = {};
  graphInit(&coarse.graph);
  MultinodePair* multinodes = nullptr;
  const CoarsenVisit visit = param->type == 1 ? CoarsenVisit::BreadthFirst : CoarsenVisit::Numbering;
  if (graphCoarsen(&graph->graph, &coarse.graph, &multinodes, param->vert, param->rat, nullptr, nullptr, 0,
                   nullptr, visit) != 0) {
    // This graph is the coarsest one: separate it from scratch.
    if (vgraphSeparateMlParts(graph) != 0) return 1;
    vgraphZero(graph);
    const int result = vgraphSeparateSt(graph, param->low);
    if (result != 0) {
      errorPrint("vgraphSeparateMl2: cannot apply low strategy");
      return result;
    }
    return 0;
  }

  // Every level uses the frontier array of the finest graph: its capacity
  // is enough for all of them.
  coarse.frontier = graph->frontier;
  coarse.level = graph->level + 1;
  int result = vgraphSeparateMl2(&coarse, param);
  if (result == 0) {
    if (vgraphSeparateMlUncoarsen(graph, &coarse, multinodes) != 0)
      result = 1;
    else {
      result = vgraphSeparateSt(graph, param->asc);
      if (result != 0) errorPrint("vgraphSeparateMl2: cannot apply ascending strategy");
    }
  }
  coarse.frontier = nullptr;  // borrowed
  vgraphExit(&coarse);
  return result;
}

}  // namespace

int vgraphSeparateMl(Vgraph* graph, const void* parameters) {
  const VgraphSeparateMlParam* param = static_cast<const VgraphSeparateMlParam*>(parameters);
  // A coarsening step is kept when the coarse graph has fewer vertices than
  // "rat" times the fine one. From a ratio of 1 on, a step that merges a
  // single pair, or none at all on a graph without edges, would be kept:
  // the levels would pile up without end. A ratio of 0 or less only means
  // that the graph is never coarsened.
  if (!(param->rat < 1.0)) {
    errorPrint("vgraphSeparateMl: invalid coarsening ratio");
    return 1;
  }
  // Inside "low" and "asc", "levl" reads the coarsening depth.
  const GraphNum level = graph->level;
  graph->level = 0;
  const int result = vgraphSeparateMl2(graph, param);
  graph->level = level;
  return result;
}
