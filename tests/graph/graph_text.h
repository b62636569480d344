// Helpers of the graph file and graph check tests: loading from and saving
// to text in memory, and a reference well-formedness test written
// independently of graphCheck (plain containers, no shared code).
#pragma once

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace graphtest {

// A read stream over a copy of the text, positioned at its start.
inline FILE* openText(const std::string& text) {
  FILE* stream = tmpfile();
  if (stream == nullptr) abort();
  fwrite(text.data(), 1, text.size(), stream);
  rewind(stream);
  return stream;
}

// graphLoad on the text; returns its result.
inline int loadText(Graph* graph, const std::string& text, GraphNum base = -1, GraphNum flags = 0) {
  FILE* stream = openText(text);
  int result = graphLoad(graph, stream, base, flags);
  fclose(stream);
  return result;
}

// graphSave into a string; the result of the save goes to *result.
inline std::string saveText(const Graph* graph, int* result = nullptr) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  int status = graphSave(graph, stream);
  fclose(stream);
  std::string text(buffer, size);
  free(buffer);
  if (result != nullptr) *result = status;
  return text;
}

// The arc lists of a graph as vectors of (end, load) per vertex.
inline std::vector<std::vector<std::pair<GraphNum, GraphNum>>> arcLists(const Graph& graph) {
  std::vector<std::vector<std::pair<GraphNum, GraphNum>>> lists;
  for (GraphNum v = graph.base; v < graph.vertexEnd; v++) {
    lists.emplace_back();
    for (GraphNum e = graph.edgeBegin[v]; e < graph.edgeEnd[v]; e++)
      lists.back().push_back({graph.edgeTarget[e], graph.edgeLoad != nullptr ? graph.edgeLoad[e] : 1});
  }
  return lists;
}

inline std::vector<GraphNum> vertexArray(const Graph& graph, const GraphNum* array) {
  std::vector<GraphNum> values;
  if (array != nullptr)
    for (GraphNum v = graph.base; v < graph.vertexEnd; v++) values.push_back(array[v]);
  return values;
}

// Expects two graphs to hold the same data (base, counts, lists, loads,
// labels and sums).
inline void expectSameGraph(const Graph& a, const Graph& b) {
  EXPECT_EQ(a.base, b.base);
  EXPECT_EQ(a.vertexCount, b.vertexCount);
  EXPECT_EQ(a.vertexEnd, b.vertexEnd);
  EXPECT_EQ(a.arcCount, b.arcCount);
  EXPECT_EQ(a.vertexLoadSum, b.vertexLoadSum);
  EXPECT_EQ(a.edgeLoadSum, b.edgeLoadSum);
  EXPECT_EQ(a.maxDegree, b.maxDegree);
  EXPECT_EQ(a.vertexLoad == nullptr, b.vertexLoad == nullptr);
  EXPECT_EQ(a.edgeLoad == nullptr, b.edgeLoad == nullptr);
  EXPECT_EQ(a.vertexLabel == nullptr, b.vertexLabel == nullptr);
  EXPECT_EQ(vertexArray(a, a.vertexLoad), vertexArray(b, b.vertexLoad));
  EXPECT_EQ(vertexArray(a, a.vertexLabel), vertexArray(b, b.vertexLabel));
  EXPECT_EQ(arcLists(a), arcLists(b));
}

// Reference test of the rules a well-formed graph keeps, written the plain
// way: the set of (vertex, end) pairs with their loads must be symmetric.
inline bool referenceWellFormed(const Graph& graph) {
  const int64_t base = graph.base;
  if (base < 0 || graph.vertexCount < 0 || graph.arcCount < 0) return false;
  if (base + graph.vertexCount > INT32_MAX || base + graph.arcCount > INT32_MAX) return false;
  if (graph.vertexEnd != base + graph.vertexCount) return false;
  if (graph.vertexCount == 0) {
    if (graph.vertexLoadSum != 0 || graph.maxDegree < 0) return false;
    if (graph.edgeLoad == nullptr && graph.edgeLoadSum != graph.arcCount) return false;
    if (graph.edgeLoad != nullptr && graph.edgeLoadSum != 0) return false;
    return graph.edgeBegin == nullptr || graph.edgeEnd != graph.edgeBegin + 1 ||
           (graph.edgeBegin[base] == base && graph.arcCount == 0);
  }
  if (graph.edgeBegin == nullptr || graph.edgeEnd == nullptr) return false;
  if (graph.arcCount > 0 && graph.edgeTarget == nullptr) return false;
  const bool compact = graph.edgeEnd == graph.edgeBegin + 1;
  std::map<std::pair<GraphNum, GraphNum>, GraphNum> arcs;  // (vertex, end) -> load
  int64_t vertexLoadSum = 0;
  int64_t edgeLoadSum = 0;
  int64_t arcTotal = 0;
  GraphNum largestDegree = 0;
  for (GraphNum v = graph.base; v < graph.vertexEnd; v++) {
    GraphNum begin = graph.edgeBegin[v];
    GraphNum end = graph.edgeEnd[v];
    if (begin > end) return false;
    if (begin < end && (begin < base || end > base + graph.arcCount)) return false;
    if (compact && v == graph.base && begin != base) return false;
    largestDegree = std::max(largestDegree, end - begin);
    arcTotal += end - begin;
    if (graph.vertexLoad != nullptr) {
      if (graph.vertexLoad[v] <= 0) return false;
      vertexLoadSum += graph.vertexLoad[v];
    }
    for (GraphNum e = begin; e < end; e++) {
      GraphNum target = graph.edgeTarget[e];
      GraphNum load = graph.edgeLoad != nullptr ? graph.edgeLoad[e] : 1;
      if (target < base || target >= graph.vertexEnd || target == v || load <= 0) return false;
      if (!arcs.insert({{v, target}, load}).second) return false;
      edgeLoadSum += load;
    }
  }
  if (graph.vertexLoad == nullptr) vertexLoadSum = graph.vertexCount;
  if (graph.edgeLoad == nullptr) edgeLoadSum = graph.arcCount;
  if (vertexLoadSum != graph.vertexLoadSum || edgeLoadSum != graph.edgeLoadSum) return false;
  if (compact ? arcTotal != graph.arcCount : arcTotal > graph.arcCount) return false;
  if (graph.maxDegree < largestDegree) return false;
  for (const auto& [key, load] : arcs) {
    auto reverse = arcs.find({key.second, key.first});
    if (reverse == arcs.end() || reverse->second != load) return false;
  }
  return true;
}

}  // namespace graphtest
