#include "front_reference.h"

#include <algorithm>
#include <set>

#include "front/fill_stats.h"

namespace {

// Position (from 0) -> vertex (from 0).
std::vector<GraphNum> inverseOf(const Graph* graph, const std::vector<GraphNum>& permutation) {
  std::vector<GraphNum> vertexAt(graph->vertexCount, -1);
  for (GraphNum v = 0; v < graph->vertexCount; v++) vertexAt[permutation[v] - graph->base] = v;
  return vertexAt;
}

// Column block (from 0) of every position (from 0).
std::vector<GraphNum> blockOf(const Graph* graph, const std::vector<GraphNum>& ranges) {
  std::vector<GraphNum> owner(graph->vertexCount);
  for (size_t k = 0; k + 1 < ranges.size(); k++)
    for (GraphNum p = ranges[k]; p < ranges[k + 1]; p++) owner[p - graph->base] = static_cast<GraphNum>(k);
  return owner;
}

// Cuts sorted rows (positions from 0) of column block k into blocks.
std::vector<RefBlock> cutRuns(const Graph* graph, const std::vector<GraphNum>& ranges,
                              const std::vector<GraphNum>& owner, size_t k, const std::vector<GraphNum>& rows) {
  const GraphNum base = graph->base;
  std::vector<RefBlock> blocks{{ranges[k], ranges[k + 1] - 1, base + static_cast<GraphNum>(k)}};
  for (size_t r = 0; r < rows.size(); r++) {
    GraphNum row = rows[r];
    GraphNum facing = base + owner[row];
    if (r > 0 && row == rows[r - 1] + 1 && facing == blocks.back().facing && blocks.size() > 1) {
      blocks.back().lastRow = base + row;
    } else {
      blocks.push_back({base + row, base + row, facing});
    }
  }
  return blocks;
}

}  // namespace

std::vector<GraphNum> identityPermutation(const Graph* graph) {
  std::vector<GraphNum> permutation(graph->vertexCount);
  for (GraphNum v = 0; v < graph->vertexCount; v++) permutation[v] = graph->base + v;
  return permutation;
}

std::vector<GraphNum> randomPermutation(const Graph* graph, std::mt19937& random) {
  std::vector<GraphNum> permutation = identityPermutation(graph);
  std::shuffle(permutation.begin(), permutation.end(), random);
  return permutation;
}

std::vector<GraphNum> reversedBreadthFirstPermutation(const Graph* graph) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  std::vector<GraphNum> visitOrder;
  std::vector<char> seen(n, 0);
  for (GraphNum start = 0; start < n; start++) {
    if (seen[start]) continue;
    seen[start] = 1;
    size_t head = visitOrder.size();
    visitOrder.push_back(start);
    while (head < visitOrder.size()) {
      GraphNum vertex = base + visitOrder[head++];
      for (GraphNum arc = graph->edgeBegin[vertex]; arc < graph->edgeEnd[vertex]; arc++) {
        GraphNum next = graph->edgeTarget[arc] - base;
        if (!seen[next]) {
          seen[next] = 1;
          visitOrder.push_back(next);
        }
      }
    }
  }
  std::vector<GraphNum> permutation(n);
  for (GraphNum i = 0; i < n; i++) permutation[visitOrder[i]] = base + (n - 1 - i);
  return permutation;
}

std::vector<GraphNum> singletonRanges(const Graph* graph) {
  std::vector<GraphNum> ranges(graph->vertexCount + 1);
  for (GraphNum i = 0; i <= graph->vertexCount; i++) ranges[i] = graph->base + i;
  return ranges;
}

std::vector<GraphNum> wholeRange(const Graph* graph) { return {graph->base, graph->base + graph->vertexCount}; }

std::vector<GraphNum> randomRanges(const Graph* graph, std::mt19937& random, GraphNum maxWidth) {
  std::vector<GraphNum> ranges{graph->base};
  std::uniform_int_distribution<GraphNum> width(1, maxWidth);
  while (ranges.back() < graph->base + graph->vertexCount)
    ranges.push_back(std::min(ranges.back() + width(random), graph->base + graph->vertexCount));
  return ranges;
}

std::vector<GraphNum> supernodeRanges(const Graph* graph, const std::vector<GraphNum>& permutation) {
  const GraphNum n = graph->vertexCount;
  std::vector<GraphNum> parent(n);
  std::vector<GraphNum> counts(n);
  FillStats stats;
  EXPECT_EQ(fillStatsTree(graph, permutation.data(), parent.data()), 0);
  EXPECT_EQ(fillStatsCompute(graph, permutation.data(), &stats, counts.data()), 0);
  std::vector<GraphNum> sons(n, 0);
  for (GraphNum j = 0; j < n; j++)
    if (parent[j] != -1) sons[parent[j]]++;
  std::vector<GraphNum> ranges{graph->base};
  for (GraphNum j = 0; j + 1 < n; j++)
    if (!(parent[j] == j + 1 && sons[j + 1] == 1 && counts[j] == counts[j + 1] + 1))
      ranges.push_back(graph->base + j + 1);
  if (n > 0) ranges.push_back(graph->base + n);
  return ranges;
}

void makeTestOrder(TestOrder* result, const Graph* graph, const std::vector<GraphNum>& permutation,
                   const std::vector<GraphNum>& ranges) {
  result->permutation = permutation;
  result->inversePermutation.assign(graph->vertexCount, 0);
  for (GraphNum v = 0; v < graph->vertexCount; v++)
    result->inversePermutation[permutation[v] - graph->base] = graph->base + v;
  result->ranges = ranges;
  result->order.columnBlockCount = static_cast<GraphNum>(ranges.size()) - 1;
  result->order.rangeArray = result->ranges.data();
  result->order.permutation = result->permutation.data();
  result->order.inversePermutation = result->inversePermutation.data();
}

RefStructure cliqueReference(const Graph* graph, const std::vector<GraphNum>& permutation,
                             const std::vector<GraphNum>& ranges) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  std::vector<std::vector<char>> adjacent(n, std::vector<char>(n, 0));  // by positions from 0
  for (GraphNum v = 0; v < n; v++)
    for (GraphNum arc = graph->edgeBegin[base + v]; arc < graph->edgeEnd[base + v]; arc++) {
      GraphNum p = permutation[v] - base;
      GraphNum q = permutation[graph->edgeTarget[arc] - base] - base;
      adjacent[p][q] = adjacent[q][p] = 1;
    }
  std::vector<GraphNum> owner = blockOf(graph, ranges);
  RefStructure structure;
  for (size_t k = 0; k + 1 < ranges.size(); k++) {
    GraphNum first = ranges[k] - base;
    GraphNum last = ranges[k + 1] - 1 - base;
    std::vector<GraphNum> rows;
    for (GraphNum i = last + 1; i < n; i++)
      for (GraphNum j = first; j <= last; j++)
        if (adjacent[i][j]) {
          rows.push_back(i);
          break;
        }
    for (GraphNum a : rows)
      for (GraphNum b : rows) adjacent[a][b] = adjacent[b][a] = (a != b) ? 1 : adjacent[a][b];
    structure.push_back(cutRuns(graph, ranges, owner, k, rows));
  }
  return structure;
}

void chainedGraph(Graph* result, const Graph* graph, const std::vector<GraphNum>& permutation,
                  const std::vector<GraphNum>& ranges) {
  const GraphNum base = graph->base;
  std::vector<GraphNum> vertexAt = inverseOf(graph, permutation);
  std::set<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = base; v < graph->vertexEnd; v++)
    for (GraphNum arc = graph->edgeBegin[v]; arc < graph->edgeEnd[v]; arc++)
      edges.insert({std::min(v, graph->edgeTarget[arc]), std::max(v, graph->edgeTarget[arc])});
  for (size_t k = 0; k + 1 < ranges.size(); k++)
    for (GraphNum p = ranges[k]; p + 1 < ranges[k + 1]; p++) {
      GraphNum u = base + vertexAt[p - base];
      GraphNum w = base + vertexAt[p + 1 - base];
      edges.insert({std::min(u, w), std::max(u, w)});
    }
  buildGraph(result, base, graph->vertexCount, std::vector<std::pair<GraphNum, GraphNum>>(edges.begin(), edges.end()));
}

RefStructure scalarReference(const Graph* graph, const std::vector<GraphNum>& permutation,
                             const std::vector<GraphNum>& ranges) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  Graph chained;
  chainedGraph(&chained, graph, permutation, ranges);
  std::vector<GraphNum> parent(n);
  EXPECT_EQ(fillStatsTree(&chained, permutation.data(), parent.data()), 0);
  std::vector<GraphNum> vertexAt = inverseOf(graph, permutation);
  std::vector<GraphNum> owner = blockOf(graph, ranges);
  std::vector<std::vector<GraphNum>> rows(ranges.size() - 1);
  std::vector<GraphNum> mark(n, -1);
  // Row i of the factor holds every node of the paths of the elimination
  // tree from its earlier neighbours up to i; rows come in increasing order.
  for (GraphNum i = 0; i < n; i++) {
    GraphNum vertex = base + vertexAt[i];
    mark[i] = i;
    for (GraphNum arc = chained.edgeBegin[vertex]; arc < chained.edgeEnd[vertex]; arc++) {
      for (GraphNum j = permutation[chained.edgeTarget[arc] - base] - base; j < i && mark[j] != i; j = parent[j]) {
        mark[j] = i;
        GraphNum k = owner[j];
        if (j == ranges[k + 1] - 1 - base) rows[k].push_back(i);
      }
    }
  }
  graphExit(&chained);
  RefStructure structure;
  for (size_t k = 0; k + 1 < ranges.size(); k++) structure.push_back(cutRuns(graph, ranges, owner, k, rows[k]));
  return structure;
}

RefStructure symbolStructure(const SymbolMatrix& symbol, const std::vector<GraphNum>& ranges) {
  const GraphNum base = symbol.base;
  RefStructure structure;
  EXPECT_EQ(symbol.columnBlockCount + 1, static_cast<GraphNum>(ranges.size()));
  if (symbol.columnBlockCount + 1 != static_cast<GraphNum>(ranges.size())) return structure;
  GraphNum expectedFirstBlock = base;
  for (GraphNum k = 0; k < symbol.columnBlockCount; k++) {
    const SymbolColumnBlock& entry = symbol.columnBlockArray[base + k];
    EXPECT_EQ(entry.firstColumn, ranges[k]);
    EXPECT_EQ(entry.lastColumn, ranges[k + 1] - 1);
    EXPECT_EQ(entry.firstBlock, expectedFirstBlock);
    GraphNum end = symbol.columnBlockArray[base + k + 1].firstBlock;
    std::vector<RefBlock> blocks;
    for (GraphNum b = entry.firstBlock; b < end; b++)
      blocks.push_back({symbol.blockArray[b].firstRow, symbol.blockArray[b].lastRow, symbol.blockArray[b].columnBlock});
    expectedFirstBlock = end;
    structure.push_back(blocks);
  }
  const SymbolColumnBlock& sentinel = symbol.columnBlockArray[base + symbol.columnBlockCount];
  EXPECT_EQ(sentinel.firstColumn, base + symbol.nodeCount);
  EXPECT_EQ(sentinel.lastColumn, base + symbol.nodeCount);
  EXPECT_EQ(sentinel.firstBlock, base + symbol.blockCount);
  return structure;
}

void buildRandomGraph(Graph* graph, GraphNum base, GraphNum vertexCount, double probability, std::mt19937& random) {
  std::bernoulli_distribution draw(probability);
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum u = 0; u < vertexCount; u++)
    for (GraphNum v = u + 1; v < vertexCount; v++)
      if (draw(random)) edges.push_back({base + u, base + v});
  std::shuffle(edges.begin(), edges.end(), random);  // arcs in no particular order
  buildGraph(graph, base, vertexCount, edges);
}
