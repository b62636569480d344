// Separation method e: a vertex separator derived from an edge
// bipartition. The graph is bipartitioned with a bipartition strategy; then
// either every vertex on the cut joins the separator (type f), or only a
// minimum vertex cover of the bipartite graph of cut edges does (type t),
// found by König's construction from a maximum matching: every cut edge
// keeps one end in the separator, so no edge joins part 0 to part 1.
#include "bgraph/bgraph.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

// The cut graph: the frontier vertices of the bipartition, first side
// (numbers 0 to firstCount - 1) then second side, with the cut edges.
struct CutGraph {
  Graph graph;
  GraphNum firstCount;
  CutGraph() { graphInit(&graph); }
  ~CutGraph() { graphExit(&graph); }
  CutGraph(const CutGraph&) = delete;
  CutGraph& operator=(const CutGraph&) = delete;
};

// Builds the cut graph of the bipartition that the separation graph holds
// (parts 0 and 1, frontier listing the vertices on the cut). Returns 0, or
// 1 after reporting.
int vgraphSeparateEsCutGraph(const Vgraph* vgraph, CutGraph* cut) {
  const Graph& core = vgraph->graph;
  const GraphNum base = core.base;
  const uint8_t* parts = vgraph->parts;
  const GraphNum* frontier = vgraph->frontier;
  const GraphNum frontierCount = vgraph->frontierCount;

  GraphNum sideCount[2] = {0, 0};
  for (GraphNum index = 0; index < frontierCount; index++) sideCount[parts[frontier[index]]]++;
  const int firstPart = (sideCount[1] < sideCount[0]) ? 1 : 0;

  // Cut-graph numbers of the frontier vertices, each side in frontier order.
  GraphNum* number = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(core.vertexCount) * sizeof(GraphNum)));
  if (number == nullptr) {
    errorPrint("vgraphSeparateEs: out of memory (1)");
    return 1;
  }
  number -= base;
  GraphNum next[2] = {0, sideCount[firstPart]};  // by side: 0 first, 1 second
  GraphNum cutEdges = 0;
  for (GraphNum index = 0; index < frontierCount; index++) {
    const GraphNum vertex = frontier[index];
    const int part = parts[vertex];
    number[vertex] = next[part != firstPart]++;
    if (part != firstPart) continue;
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++)
      cutEdges += (parts[core.edgeTarget[edge]] != part);
  }

  const GraphNum vertexCount = frontierCount;
  const size_t count = static_cast<size_t>(vertexCount);
  GraphNum* edgeBegin;
  GraphNum* vertexLoad = nullptr;
  GraphNum* vertexNumber;
  GraphNum* edgeTarget;
  if (memGroupAlloc({memEntry(edgeBegin, (count + 1) * sizeof(GraphNum)),
                     memEntry(vertexLoad, (core.vertexLoad != nullptr) ? count * sizeof(GraphNum) : 0),
                     memEntry(vertexNumber, count * sizeof(GraphNum)),
                     memEntry(edgeTarget, 2 * static_cast<size_t>(cutEdges) * sizeof(GraphNum))}) == nullptr) {
    errorPrint("vgraphSeparateEs: out of memory (2)");
    memFree(number + base);
    return 1;
  }
  Graph& graph = cut->graph;
  graph.flags = GRAPH_FREE_VERTICES | GRAPH_VERTEX_GROUP;
  graph.base = 0;
  graph.vertexCount = vertexCount;
  graph.vertexEnd = vertexCount;
  graph.edgeBegin = edgeBegin;
  graph.edgeEnd = edgeBegin + 1;
  graph.vertexLoad = (core.vertexLoad != nullptr) ? vertexLoad : nullptr;
  graph.vertexNumber = vertexNumber;
  graph.edgeTarget = edgeTarget;
  graph.arcCount = 2 * cutEdges;
  graph.edgeLoadSum = 2 * cutEdges;
  cut->firstCount = sideCount[firstPart];

  // The frontier vertices in cut-graph order, then their cut edges.
  for (GraphNum index = 0; index < frontierCount; index++) vertexNumber[number[frontier[index]]] = frontier[index];
  GraphNum arc = 0;
  GraphNum loadSum = 0;
  GraphNum maxDegree = 0;
  for (GraphNum cutVertex = 0; cutVertex < vertexCount; cutVertex++) {
    const GraphNum vertex = vertexNumber[cutVertex];
    const int part = parts[vertex];
    edgeBegin[cutVertex] = arc;
    for (GraphNum edge = core.edgeBegin[vertex]; edge < core.edgeEnd[vertex]; edge++) {
      const GraphNum end = core.edgeTarget[edge];
      if (parts[end] != part) edgeTarget[arc++] = number[end];
    }
    if (arc - edgeBegin[cutVertex] > maxDegree) maxDegree = arc - edgeBegin[cutVertex];
    const GraphNum load = (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1;
    if (core.vertexLoad != nullptr) vertexLoad[cutVertex] = load;
    loadSum += load;
  }
  edgeBegin[vertexCount] = arc;
  graph.vertexLoadSum = loadSum;
  graph.maxDegree = maxDegree;
  memFree(number + base);
  return 0;
}

// Marks of König's construction. A first-side vertex keeps 3 unless reached
// by an alternating path from a free first-side vertex (0) or from a free
// second-side vertex (7); a second-side vertex keeps 5 unless reached from
// a free first-side vertex (6) or a free second-side vertex (1). The bit of
// value 2 marks cover A, that of value 4 cover B.
enum : uint8_t {
  KONIG_FIRST = 3,
  KONIG_FIRST_FROM_FIRST = 0,
  KONIG_FIRST_FROM_SECOND = 7,
  KONIG_SECOND = 5,
  KONIG_SECOND_FROM_FIRST = 6,
  KONIG_SECOND_FROM_SECOND = 1,
};

// Chooses a minimum vertex cover of the cut graph: a maximum matching
// (greedy, then augmenting phases along shortest paths), then König's two
// covers, of which the lighter is kept (cover B on a tie). Writes the
// cover's cut-graph vertices in increasing order into cover and their count
// into coverCount. Returns 0, or 1 after reporting.
int vgraphSeparateEsCover(const CutGraph* cut, GraphNum* cover, GraphNum* coverCount) {
  const Graph& graph = cut->graph;
  const GraphNum vertexCount = graph.vertexCount;
  const GraphNum firstCount = cut->firstCount;
  const GraphNum* edgeBegin = graph.edgeBegin;
  const GraphNum* edgeEnd = graph.edgeEnd;
  const GraphNum* edgeTarget = graph.edgeTarget;
  const size_t count = static_cast<size_t>(vertexCount);

  GraphNum* mate;
  GraphNum* level;  // breadth-first level of the first-side vertices, from 1
  uint8_t* visited;
  uint8_t* used;
  void* stateBlock = memGroupAlloc({memEntry(mate, count * sizeof(GraphNum)), memEntry(level, count * sizeof(GraphNum)),
                                    memEntry(visited, count), memEntry(used, count)});
  if (stateBlock == nullptr) {
    errorPrint("vgraphSeparateEsCover: out of memory (1)");
    return 1;
  }
  GraphNum* queue;      // first-side vertices by level; then the stack of König's walks
  GraphNum* freeFound;  // free second-side vertices found in a phase
  GraphNum* pathVertex; // the backward search: second-side vertex of each depth,
  GraphNum* pathEdge;   // the arc it tries next,
  GraphNum* pathFirst;  // and the first-side vertex it reached
  void* listBlock = memGroupAlloc({memEntry(queue, count * sizeof(GraphNum)), memEntry(freeFound, count * sizeof(GraphNum)),
                                   memEntry(pathVertex, (count + 1) * sizeof(GraphNum)),
                                   memEntry(pathEdge, (count + 1) * sizeof(GraphNum)),
                                   memEntry(pathFirst, (count + 1) * sizeof(GraphNum))});
  if (listBlock == nullptr) {
    errorPrint("vgraphSeparateEsCover: out of memory (2)");
    memFree(stateBlock);
    return 1;
  }

  for (GraphNum vertex = 0; vertex < vertexCount; vertex++) mate[vertex] = -1;
  for (GraphNum first = 0; first < firstCount; first++) {
    for (GraphNum edge = edgeBegin[first]; edge < edgeEnd[first]; edge++) {
      const GraphNum second = edgeTarget[edge];
      if (mate[second] == -1) {
        mate[first] = second;
        mate[second] = first;
        break;
      }
    }
  }

  // Augmenting phases: a breadth-first search from the free first-side
  // vertices along alternating paths, up to the first level that reaches a
  // free second-side vertex; then paths back from the free vertices found,
  // each first-side vertex used once per phase.
  for (;;) {
    for (GraphNum vertex = 0; vertex < vertexCount; vertex++) {
      level[vertex] = 0;
      visited[vertex] = used[vertex] = 0;
    }
    GraphNum queueTail = 0;
    for (GraphNum first = 0; first < firstCount; first++) {
      if (mate[first] != -1) continue;
      level[first] = 1;
      queue[queueTail++] = first;
    }
    GraphNum bound = 2147483647;
    GraphNum freeCount = 0;
    for (GraphNum head = 0; head < queueTail; head++) {
      const GraphNum first = queue[head];
      if (level[first] >= bound) continue;
      visited[first] = 1;
      for (GraphNum edge = edgeBegin[first]; edge < edgeEnd[first]; edge++) {
        const GraphNum second = edgeTarget[edge];
        if (visited[second] != 0) continue;
        visited[second] = 1;
        if (mate[second] == -1) {
          freeFound[freeCount++] = second;
          bound = level[first];
        } else {
          level[mate[second]] = level[first] + 1;
          queue[queueTail++] = mate[second];
        }
      }
    }
    if (freeCount == 0) break;

    for (GraphNum index = freeCount - 1; index >= 0; index--) {
      GraphNum depth = 0;
      pathVertex[0] = freeFound[index];
      pathEdge[0] = edgeBegin[freeFound[index]];
      bool found = false;
      while (depth >= 0) {
        const GraphNum second = pathVertex[depth];
        const GraphNum wanted = bound - depth;  // level of the first-side vertices tried at this depth
        GraphNum first = -1;
        while (pathEdge[depth] < edgeEnd[second]) {
          const GraphNum candidate = edgeTarget[pathEdge[depth]++];
          if ((visited[candidate] != 0) && (used[candidate] == 0) && (level[candidate] == wanted)) {
            first = candidate;
            break;
          }
        }
        if (first == -1) {  // dead end: back to the previous depth
          depth--;
          continue;
        }
        used[first] = 1;
        pathFirst[depth] = first;
        if (wanted == 1) {  // a free first-side vertex ends the path
          found = true;
          break;
        }
        depth++;
        pathVertex[depth] = mate[first];
        pathEdge[depth] = edgeBegin[mate[first]];
      }
      if (!found) continue;
      for (GraphNum step = 0; step <= depth; step++) {
        mate[pathFirst[step]] = pathVertex[step];
        mate[pathVertex[step]] = pathFirst[step];
      }
    }
  }

  // König's construction, from each side's free vertices in turn.
  uint8_t* mark = visited;
  for (GraphNum vertex = 0; vertex < vertexCount; vertex++) mark[vertex] = (vertex < firstCount) ? KONIG_FIRST : KONIG_SECOND;
  GraphNum* stack = queue;
  for (GraphNum first = 0; first < firstCount; first++) {
    if ((mate[first] != -1) || (mark[first] != KONIG_FIRST)) continue;
    GraphNum top = 0;
    mark[first] = KONIG_FIRST_FROM_FIRST;
    stack[top++] = first;
    while (top > 0) {
      const GraphNum vertex = stack[--top];
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
        const GraphNum second = edgeTarget[edge];
        if (mark[second] != KONIG_SECOND) continue;
        mark[second] = KONIG_SECOND_FROM_FIRST;
        const GraphNum next = mate[second];
        if ((next != -1) && (mark[next] == KONIG_FIRST)) {
          mark[next] = KONIG_FIRST_FROM_FIRST;
          stack[top++] = next;
        }
      }
    }
  }
  for (GraphNum second = firstCount; second < vertexCount; second++) {
    if ((mate[second] != -1) || (mark[second] != KONIG_SECOND)) continue;
    GraphNum top = 0;
    mark[second] = KONIG_SECOND_FROM_SECOND;
    stack[top++] = second;
    while (top > 0) {
      const GraphNum vertex = stack[--top];
      for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
        const GraphNum first = edgeTarget[edge];
        if (mark[first] != KONIG_FIRST) continue;
        mark[first] = KONIG_FIRST_FROM_SECOND;
        const GraphNum next = mate[first];
        if ((next != -1) && (mark[next] == KONIG_SECOND)) {
          mark[next] = KONIG_SECOND_FROM_SECOND;
          stack[top++] = next;
        }
      }
    }
  }

  int64_t loadA = 0;
  int64_t loadB = 0;
  for (GraphNum vertex = 0; vertex < vertexCount; vertex++) {
    const GraphNum load = (graph.vertexLoad != nullptr) ? graph.vertexLoad[vertex] : 1;
    if ((mark[vertex] & 2) != 0) loadA += load;
    if ((mark[vertex] & 4) != 0) loadB += load;
  }
  const uint8_t coverBit = (loadB <= loadA) ? 4 : 2;
  GraphNum size = 0;
  for (GraphNum vertex = 0; vertex < vertexCount; vertex++)
    if ((mark[vertex] & coverBit) != 0) cover[size++] = vertex;
  *coverCount = size;

  memFree(listBlock);
  memFree(stateBlock);
  return 0;
}

}  // namespace

int vgraphSeparateEs(Vgraph* vgraph, const void* parameters) {
  const VgraphSeparateEsParam* param = static_cast<const VgraphSeparateEsParam*>(parameters);
  const Graph& core = vgraph->graph;
  uint8_t* parts = vgraph->parts;
  auto loadOf = [&core](GraphNum vertex) -> GraphNum { return (core.vertexLoad != nullptr) ? core.vertexLoad[vertex] : 1; };

  // The bipartition graph lies over the separation graph: same arrays, and
  // the separation's parts and frontier arrays.
  Bgraph bgraph = {};
  bgraph.graph = core;
  bgraph.graph.flags = core.flags & ~GRAPH_FREE_ALL;
  bgraph.graph.vertexNumber = nullptr;
  bgraph.graph.vertexLabel = nullptr;
  bgraph.externalGain = nullptr;
  bgraph.parts = parts;
  bgraph.frontier = vgraph->frontier;
  bgraphReset(&bgraph, 1, 1, 1, 0, 0);
  if (bgraphBipartSt(&bgraph, param->strat) != 0) {
    errorPrint("vgraphSeparateEs: cannot bipartition active graph");
    return 1;
  }

  vgraph->partLoad[0] = bgraph.part0Load;
  vgraph->partLoad[1] = core.vertexLoadSum - bgraph.part0Load;
  vgraph->partSize[0] = bgraph.part0Size;
  vgraph->partSize[1] = core.vertexCount - bgraph.part0Size;
  vgraph->frontierCount = bgraph.frontierCount;
  if (bgraph.frontierCount > 0) {
    if (param->type == 1) {  // f: both ends of every cut edge
      for (GraphNum index = 0; index < bgraph.frontierCount; index++) {
        const GraphNum vertex = vgraph->frontier[index];
        const int part = parts[vertex];
        vgraph->partSize[part]--;
        vgraph->partLoad[part] -= loadOf(vertex);
        parts[vertex] = 2;
      }
    } else {  // t: a minimum vertex cover of the cut edges
      CutGraph cut;
      if (vgraphSeparateEsCutGraph(vgraph, &cut) != 0) return 1;
      GraphNum coverCount = 0;
      if (vgraphSeparateEsCover(&cut, vgraph->frontier, &coverCount) != 0) {
        errorPrint("vgraphSeparateEs: cannot compute cover");
        return 1;
      }
      for (GraphNum index = 0; index < coverCount; index++) {
        const GraphNum vertex = cut.graph.vertexNumber[vgraph->frontier[index]];
        const int part = parts[vertex];
        vgraph->frontier[index] = vertex;
        vgraph->partSize[part]--;
        vgraph->partLoad[part] -= loadOf(vertex);
        parts[vertex] = 2;
      }
    }
  }
  vgraph->partLoad[2] = core.vertexLoadSum - vgraph->partLoad[0] - vgraph->partLoad[1];
  vgraph->loadDelta = vgraph->partLoad[0] - vgraph->partLoad[1];
  vgraph->frontierCount = core.vertexCount - vgraph->partSize[0] - vgraph->partSize[1];
  return 0;
}
