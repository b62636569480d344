// Fuzz target of the solver-ordering interface ELIMORDF and its weighted
// variant ELIMORDFW.
//
// Input: a mode byte (bit 0: weighted; bit 1: a symmetric graph decoded
// from an edge list, which bits 2-3 may then spoil in one place; else raw
// arrays decoded value by value), then the values. Every array handed to
// the interface is exactly as long as the decoded sizes say (the adjacency
// array ends at the next free position), so that a read past any of them
// is seen. Refusals come back as status 1 with a message; a success gives
// a consistent assembly tree and leaves every input array and both work
// arrays untouched.
#include <algorithm>
#include <set>
#include <vector>

#include "../fuzz_support.h"

namespace {

struct Arrays {
  PLYXEN_Num vertexCount = 0;
  PLYXEN_Num nextFree = 1;
  std::vector<PLYXEN_Num> rowStart;
  std::vector<PLYXEN_Num> rowLength;
  std::vector<PLYXEN_Num> adjacency;
  std::vector<PLYXEN_Num> weight;  // empty when not weighted
};

void decodeRaw(fuzz::Decoder& decoder, bool weighted, Arrays* arrays) {
  arrays->vertexCount = decoder.range(-2, 40);
  const PLYXEN_Num arcCount = decoder.range(-1, 120);
  arrays->nextFree = arcCount + 1;
  arrays->adjacency.resize(static_cast<size_t>(std::max(arcCount, 0)));
  const size_t count = static_cast<size_t>(std::max(arrays->vertexCount, 0));
  for (size_t i = 0; i < count; i++) {
    arrays->rowStart.push_back(decoder.range(-2, arcCount + 3));
    arrays->rowLength.push_back(decoder.range(-2, 8));
  }
  for (PLYXEN_Num& end : arrays->adjacency) end = decoder.range(-2, arrays->vertexCount + 2);
  if (weighted)
    for (size_t i = 0; i < count; i++) arrays->weight.push_back(decoder.range(-2, 5));
}

void decodeGraph(fuzz::Decoder& decoder, bool weighted, int spoil, Arrays* arrays) {
  const PLYXEN_Num count = decoder.range(0, 40);
  std::vector<std::set<PLYXEN_Num>> neighbours(static_cast<size_t>(count));
  const PLYXEN_Num edgeCount = decoder.range(0, 120);
  for (PLYXEN_Num e = 0; e < edgeCount && count > 0; e++) {
    const PLYXEN_Num u = decoder.range(0, count - 1);
    const PLYXEN_Num v = decoder.range(0, count - 1);
    if (u == v) continue;
    neighbours[static_cast<size_t>(u)].insert(v + 1);
    neighbours[static_cast<size_t>(v)].insert(u + 1);
  }
  // Rows in vertex order, each after a gap of 0 to 2 unused positions; an
  // empty row starts anywhere.
  arrays->vertexCount = count;
  for (const auto& row : neighbours) {
    const PLYXEN_Num gap = decoder.range(0, 2);
    for (PLYXEN_Num g = 0; g < gap; g++) arrays->adjacency.push_back(0);
    arrays->rowStart.push_back(row.empty() ? decoder.range(-1, 3) : static_cast<PLYXEN_Num>(arrays->adjacency.size()) + 1);
    arrays->rowLength.push_back(static_cast<PLYXEN_Num>(row.size()));
    arrays->adjacency.insert(arrays->adjacency.end(), row.begin(), row.end());
  }
  arrays->nextFree = static_cast<PLYXEN_Num>(arrays->adjacency.size()) + 1;
  if (weighted)
    for (PLYXEN_Num i = 0; i < count; i++) arrays->weight.push_back(decoder.range(1, 4));

  // One spoiled value: a neighbour, a row length or a weight.
  if (spoil == 1 && !arrays->adjacency.empty()) {
    const size_t index = static_cast<size_t>(decoder.range(0, static_cast<PLYXEN_Num>(arrays->adjacency.size()) - 1));
    arrays->adjacency[index] = decoder.range(-1, count + 1);
  } else if (spoil == 2 && count > 0) {
    arrays->rowLength[static_cast<size_t>(decoder.range(0, count - 1))] += decoder.range(-1, 1);
  } else if (spoil == 3 && count > 0 && weighted) {
    arrays->weight[static_cast<size_t>(decoder.range(0, count - 1))] = decoder.range(-1, 0);
  } else if (spoil == 3 && count > 0) {
    arrays->rowStart[static_cast<size_t>(decoder.range(0, count - 1))] += decoder.range(-2, 2);
  }
}

// A heap array of exactly the vector's length.
struct ExactArray {
  PLYXEN_Num* data;
  explicit ExactArray(const std::vector<PLYXEN_Num>& values)
      : data(static_cast<PLYXEN_Num*>(malloc(values.size() * sizeof(PLYXEN_Num)))) {
    FUZZ_CHECK(data != nullptr, "out of memory");
    std::copy(values.begin(), values.end(), data);
  }
  ~ExactArray() { free(data); }
  ExactArray(const ExactArray&) = delete;
  ExactArray& operator=(const ExactArray&) = delete;
  bool holds(const std::vector<PLYXEN_Num>& values) const { return std::equal(values.begin(), values.end(), data); }
};

// Every vertex is a principal vertex (positive front, link 0 or minus a
// principal vertex) or merged into one (front 0, link minus a principal
// vertex); following fathers ends at a root; a front holds at least the
// vertices (or weights) of its supernode.
void checkTree(const Arrays& arrays, const PLYXEN_Num* front, const PLYXEN_Num* link) {
  const PLYXEN_Num n = arrays.vertexCount;
  auto principal = [&](PLYXEN_Num vertex) { return vertex >= 1 && vertex <= n && front[vertex - 1] > 0; };
  std::vector<int64_t> members(static_cast<size_t>(n) + 1, 0);
  PLYXEN_Num roots = 0;
  for (PLYXEN_Num v = 1; v <= n; v++) {
    const int64_t own = arrays.weight.empty() ? 1 : arrays.weight[static_cast<size_t>(v) - 1];
    if (front[v - 1] > 0) {
      FUZZ_CHECK(link[v - 1] == 0 || principal(-link[v - 1]), "vertex %d: father %d", v, -link[v - 1]);
      roots += (link[v - 1] == 0) ? 1 : 0;
      members[static_cast<size_t>(v)] += own;
    } else {
      FUZZ_CHECK(front[v - 1] == 0, "vertex %d: front size %d", v, front[v - 1]);
      FUZZ_CHECK(principal(-link[v - 1]), "vertex %d: merged into %d", v, -link[v - 1]);
      members[static_cast<size_t>(-link[v - 1])] += own;
    }
  }
  FUZZ_CHECK(n == 0 || roots > 0, "no root");
  for (PLYXEN_Num v = 1; v <= n; v++) {
    if (front[v - 1] == 0) continue;
    FUZZ_CHECK(front[v - 1] >= members[static_cast<size_t>(v)], "front of %d smaller than its supernode", v);
    PLYXEN_Num steps = 0;
    for (PLYXEN_Num at = v; link[at - 1] != 0; at = -link[at - 1])
      FUZZ_CHECK(++steps <= n, "the fathers of vertex %d form a cycle", v);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::begin();
  fuzz::Decoder decoder(data, size);
  const uint8_t mode = decoder.byte();
  const bool weighted = (mode & 1) != 0;
  Arrays arrays;
  if ((mode & 2) != 0)
    decodeGraph(decoder, weighted, (mode >> 2) & 3, &arrays);
  else
    decodeRaw(decoder, weighted, &arrays);
  const PLYXEN_Num capacity = static_cast<PLYXEN_Num>(decoder.word());  // not used by the interface

  const size_t count = static_cast<size_t>(std::max(arrays.vertexCount, 0));
  const std::vector<PLYXEN_Num> workValues(count, -12345);
  ExactArray rowStart(arrays.rowStart);
  ExactArray rowLength(arrays.rowLength);
  ExactArray adjacency(arrays.adjacency);
  ExactArray front(weighted ? arrays.weight : std::vector<PLYXEN_Num>(count, -7));
  ExactArray work1(workValues);
  ExactArray work2(workValues);
  PLYXEN_Num status = -99;
  (weighted ? ELIMORDFW : ELIMORDF)(&arrays.vertexCount, &capacity, rowStart.data, &arrays.nextFree, rowLength.data,
                                    adjacency.data, front.data, work1.data, work2.data, &status);
  fuzz::expectStatus(status, weighted ? "ELIMORDFW" : "ELIMORDF");
  FUZZ_CHECK(rowLength.holds(arrays.rowLength) && adjacency.holds(arrays.adjacency), "an input array changed");
  FUZZ_CHECK(work1.holds(workValues) && work2.holds(workValues), "a work array changed");
  if (status == 0) checkTree(arrays, front.data, rowStart.data);
  return 0;
}
