// The extension module under the plyxen Python package: graphs as 0-based
// CSR arrays (row starts and neighbours, both int32), laid over by a library
// graph that owns none of them, checked, then ordered, measured, read or
// written. The package's Python layer turns SciPy matrices into these
// arrays and checks the arguments; the checks here only keep the
// interpreter safe when the module is called directly.
//
// The library runs in its return mode: a failure comes back as status 1
// with the messages recorded for the calling thread, raised here as
// plyxen.Error. The interpreter lock is released while the library works;
// every array the library touches is held by this call until it returns.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <cerrno>

#include "front/elimord.h"
#include "front/fill_stats.h"
#include "graph/graph.h"
#include "graph/graph_io_formats.h"
#include "plyxen.h"

namespace py = pybind11;

namespace {

using IndexArray = py::array_t<int32_t>;

// Raised as plyxen.Error; carries the library's messages, innermost first.
struct LibraryFailure {
  std::vector<std::string> messages;
};

// plyxen.Error, made at import and kept for the life of the process (an
// object freed after the interpreter's end would touch a dead heap).
PyObject* errorType;

// Turns the calling thread's recorded messages into a LibraryFailure.
LibraryFailure collectFailure() {
  LibraryFailure failure;
  std::string text = PLYXEN_errorLast();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    failure.messages.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (failure.messages.empty()) failure.messages.push_back("operation failed without a message");
  PLYXEN_errorClear();
  return failure;
}

// Library messages are escaped onto one line, but file names may hold
// bytes that are not UTF-8: they are shown as escapes rather than refused.
py::str decodeMessage(const std::string& message) {
  PyObject* text = PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "backslashreplace");
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

// A one-dimensional C-contiguous int32 array, else TypeError or ValueError.
IndexArray indexArray(const py::handle& object, const char* name) {
  if (!py::isinstance<py::array>(object)) throw py::type_error(std::string(name) + " must be a NumPy array");
  py::array array = py::reinterpret_borrow<py::array>(object);
  if (!array.dtype().is(py::dtype::of<int32_t>())) throw py::type_error(std::string(name) + " must hold int32 values");
  if (array.ndim() != 1) throw py::value_error(std::string(name) + " must be one-dimensional");
  if (!(array.flags() & py::array::c_style)) throw py::value_error(std::string(name) + " must be contiguous");
  return py::reinterpret_borrow<IndexArray>(object);
}

std::optional<IndexArray> optionalIndexArray(const py::handle& object, const char* name) {
  if (object.is_none()) return std::nullopt;
  return indexArray(object, name);
}

// A library graph laid over CSR arrays. The arrays come from 0, but the
// graph counts from 1, as the tool's graphs read from METIS and Matrix
// Market files and the usual graph files do: vertex numbers feed hash
// tables whose probing decides ties, so the base must be the tool's for the
// orderings to be the tool's. The base-1 copies of the row starts and
// neighbours are the graph's; the loads are used in place.
struct GraphOverArrays {
  PLYXEN_Graph handle;
  IndexArray indptr, indices;
  std::optional<IndexArray> vertexLoads, edgeLoads;
  PLYXEN_Num vertexCount = 0;
  PLYXEN_Num arcCount = 0;
  std::vector<int32_t> startsFromOne, endsFromOne;
  const int32_t* vertexLoadData;
  const int32_t* edgeLoadData;

  GraphOverArrays(const py::handle& indptrObject, const py::handle& indicesObject,
                  const py::handle& vertexLoadObject = py::none(), const py::handle& edgeLoadObject = py::none())
      : indptr(indexArray(indptrObject, "indptr")),
        indices(indexArray(indicesObject, "indices")),
        vertexLoads(optionalIndexArray(vertexLoadObject, "vertex_loads")),
        edgeLoads(optionalIndexArray(edgeLoadObject, "edge_loads")) {
    PLYXEN_graphInit(&handle);
    if (indptr.size() < 1) throw py::value_error("indptr must hold at least one entry");
    if (indptr.size() - 1 > INT32_MAX) throw py::value_error("too many vertices");
    vertexCount = static_cast<PLYXEN_Num>(indptr.size() - 1);
    const int32_t* starts = indptr.data();
    if (starts[0] != 0) throw py::value_error("indptr must start with 0");
    for (PLYXEN_Num v = 0; v < vertexCount; v++)
      if (starts[v + 1] < starts[v]) throw py::value_error("indptr must not decrease");
    arcCount = starts[vertexCount];
    if (arcCount > indices.size()) throw py::value_error("indptr runs past the end of indices");
    const int32_t* ends = indices.data();
    for (PLYXEN_Num arc = 0; arc < arcCount; arc++)
      if (ends[arc] < 0 || ends[arc] >= vertexCount) throw py::value_error("indices must lie in [0, n)");
    if (vertexLoads && vertexLoads->size() != vertexCount)
      throw py::value_error("vertex_loads must hold one entry per vertex");
    if (edgeLoads && edgeLoads->size() < arcCount) throw py::value_error("edge_loads must hold one entry per arc");
    startsFromOne.resize(static_cast<size_t>(vertexCount) + 1);
    for (PLYXEN_Num v = 0; v <= vertexCount; v++) startsFromOne[v] = starts[v] + 1;
    endsFromOne.resize(static_cast<size_t>(arcCount) + 1);  // never empty: a valid address without arcs
    for (PLYXEN_Num arc = 0; arc < arcCount; arc++) endsFromOne[arc] = ends[arc] + 1;
    vertexLoadData = vertexLoads ? vertexLoads->data() : nullptr;
    edgeLoadData = (edgeLoads && edgeLoads->size() > 0) ? edgeLoads->data() : nullptr;
  }
  ~GraphOverArrays() { PLYXEN_graphExit(&handle); }
  GraphOverArrays(const GraphOverArrays&) = delete;
  GraphOverArrays& operator=(const GraphOverArrays&) = delete;

  // Builds the graph and checks it; called without the interpreter lock,
  // so it reads only the addresses taken while the lock was held.
  int build() {
    return (PLYXEN_graphBuild(&handle, 1, vertexCount, startsFromOne.data(), nullptr, vertexLoadData, nullptr,
                              arcCount, endsFromOne.data(), edgeLoadData) != 0 ||
            PLYXEN_graphCheck(&handle) != 0)
               ? 1
               : 0;
  }
  const Graph* core() const { return reinterpret_cast<const Graph*>(&handle); }
};

// Runs the library work without the interpreter lock; raises plyxen.Error
// with the recorded messages when it fails.
template <class Work>
void runReleased(Work work) {
  int status;
  {
    py::gil_scoped_release released;
    PLYXEN_errorClear();
    status = work();
    if (status == 0) PLYXEN_errorClear();
  }
  if (status != 0) throw collectFailure();
}

// The pattern of A + A^T without the diagonal, as sorted CSR arrays, from
// the coordinates (row, column) of the stored entries of an n x n matrix.
py::tuple symmetricPattern(PLYXEN_Num vertexCount, const py::handle& rowObject, const py::handle& columnObject) {
  IndexArray rows = indexArray(rowObject, "row");
  IndexArray columns = indexArray(columnObject, "col");
  if (vertexCount < 0) throw py::value_error("n must not be negative");
  if (rows.size() != columns.size()) throw py::value_error("row and col must have the same length");
  const py::ssize_t entryCount = rows.size();
  const int32_t* row = rows.data();
  const int32_t* column = columns.data();

  IndexArray indptr(static_cast<py::ssize_t>(vertexCount) + 1);
  std::vector<int32_t> targets;
  bool outOfRange = false, tooLarge = false;
  {
    py::gil_scoped_release released;
    // Counting sort of both arcs of every off-diagonal entry by their first
    // end, then each list sorted and its repeats removed. Both passes check
    // every index they use, since another thread may write into the arrays
    // meanwhile: a changed entry is refused, never followed out of bounds.
    auto inRange = [vertexCount](int32_t index) { return index >= 0 && index < vertexCount; };
    int32_t* starts = indptr.mutable_data();
    std::vector<int64_t> counts(static_cast<size_t>(vertexCount) + 1, 0);
    for (py::ssize_t e = 0; e < entryCount; e++) {
      const int32_t r = row[e], c = column[e];
      if (!inRange(r) || !inRange(c)) {
        outOfRange = true;
      } else if (r != c) {
        counts[r + 1]++;
        counts[c + 1]++;
      }
    }
    for (PLYXEN_Num v = 0; v < vertexCount; v++) counts[v + 1] += counts[v];
    std::vector<int32_t> arcs(outOfRange ? 0 : static_cast<size_t>(counts[vertexCount]));
    std::vector<int64_t> fill(counts.begin(), counts.end() - 1);
    for (py::ssize_t e = 0; e < entryCount && !outOfRange; e++) {
      const int32_t r = row[e], c = column[e];
      if (!inRange(r) || !inRange(c) || (r != c && (fill[r] >= counts[r + 1] || fill[c] >= counts[c + 1]))) {
        outOfRange = true;
      } else if (r != c) {
        arcs[fill[r]++] = c;
        arcs[fill[c]++] = r;
      }
    }
    if (outOfRange) arcs.clear();
    // A changed entry may leave slots unfilled: they keep 0, a valid vertex.
    size_t kept = 0;
    for (PLYXEN_Num v = 0; v < vertexCount && !outOfRange; v++) {
      auto first = arcs.begin() + counts[v];
      auto last = arcs.begin() + counts[v + 1];
      std::sort(first, last);
      auto unique = std::unique(first, last);
      if (kept > static_cast<size_t>(INT32_MAX)) tooLarge = true;
      starts[v] = static_cast<int32_t>(kept);
      for (auto arc = first; arc != unique; ++arc) arcs[kept++] = *arc;
    }
    if (kept > static_cast<size_t>(INT32_MAX)) tooLarge = true;
    starts[vertexCount] = static_cast<int32_t>(kept);
    arcs.resize(kept);
    targets.swap(arcs);
  }
  if (outOfRange) throw py::value_error("matrix indices must lie in [0, n)");
  if (tooLarge) throw py::value_error("the matrix has more than 2**31 - 1 off-diagonal entries");
  IndexArray indices(static_cast<py::ssize_t>(targets.size()));
  std::copy(targets.begin(), targets.end(), indices.mutable_data());
  return py::make_tuple(indptr, indices);
}

// Orders the graph; returns (perm, iperm, ranges) with perm[k] the vertex at
// position k and iperm[v] the position of vertex v.
py::tuple order(const py::handle& indptrObject, const py::handle& indicesObject, const std::string& strategy) {
  if (strategy.find('\0') != std::string::npos) throw py::value_error("the strategy holds a NUL character");
  GraphOverArrays graph(indptrObject, indicesObject);
  const py::ssize_t n = graph.vertexCount;
  IndexArray perm(n), iperm(n), ranges(n + 1);
  PLYXEN_Num columnBlockCount = 0;
  if (n == 0) {
    ranges.mutable_data()[0] = 0;
    return py::make_tuple(perm, iperm, ranges);
  }
  int32_t* permData = perm.mutable_data();
  int32_t* ipermData = iperm.mutable_data();
  int32_t* rangeData = ranges.mutable_data();
  runReleased([&]() {
    if (graph.build() != 0) return 1;
    PLYXEN_Strat strat;
    PLYXEN_stratInit(&strat);
    // The library's permutation is vertex -> position: iperm here.
    int status = PLYXEN_stratGraphOrder(&strat, strategy.c_str());
    if (status == 0)
      status = PLYXEN_graphOrder(&graph.handle, &strat, ipermData, permData, &columnBlockCount, rangeData, nullptr);
    PLYXEN_stratExit(&strat);
    if (status != 0) return status;
    for (py::ssize_t i = 0; i < n; i++) {  // from base 1 to 0
      permData[i]--;
      ipermData[i]--;
    }
    for (PLYXEN_Num block = 0; block <= columnBlockCount; block++) rangeData[block]--;
    return 0;
  });
  IndexArray blockRanges(static_cast<py::ssize_t>(columnBlockCount) + 1);
  std::copy(rangeData, rangeData + columnBlockCount + 1, blockRanges.mutable_data());
  return py::make_tuple(perm, iperm, blockRanges);
}

// Exact figures of the factor under perm (position -> vertex).
py::tuple stats(const py::handle& indptrObject, const py::handle& indicesObject, const py::handle& permObject) {
  GraphOverArrays graph(indptrObject, indicesObject);
  IndexArray perm = indexArray(permObject, "perm");
  const PLYXEN_Num n = graph.vertexCount;
  if (perm.size() != n) throw py::value_error("perm must hold one entry per vertex");
  std::vector<int32_t> positions(static_cast<size_t>(n), 0);  // vertex -> position, in base 1
  const int32_t* permData = perm.data();
  for (PLYXEN_Num k = 0; k < n; k++) {
    if (permData[k] < 0 || permData[k] >= n || positions[permData[k]] != 0)
      throw py::value_error("perm must be a permutation of 0 .. n-1");
    positions[permData[k]] = k + 1;
  }
  FillStats figures{0, 0.0, 0};
  runReleased([&]() {
    if (graph.build() != 0) return 1;
    return fillStatsCompute(graph.core(), positions.data(), &figures);
  });
  return py::make_tuple(figures.nnzL, figures.opc, figures.treeHeight);
}

// File formats, as the package names them.
enum FileFormat { FORMAT_GRF = 0, FORMAT_METIS = 1, FORMAT_MTX = 2 };

// Opens a file for the library, reporting through the library's printer
// so that the failure is raised like any other.
FILE* openFile(const std::string& path, const char* mode, const char* operation) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    errorPrint("%s: \"%s\" is a folder", operation, path.c_str());
    return nullptr;
  }
  FILE* stream = fopen(path.c_str(), mode);
  if (stream == nullptr) errorPrint("%s: cannot open file \"%s\" (%s)", operation, path.c_str(), strerror(errno));
  return stream;
}

// Reads a graph file; returns (indptr, indices, vertex_loads, edge_loads)
// from 0, the loads None when the file has none. Labels are not kept.
py::tuple readGraph(const std::string& path, int format) {
  if (format < FORMAT_GRF || format > FORMAT_MTX) throw py::value_error("unknown file format");
  struct LoadedGraph {
    PLYXEN_Graph handle;
    LoadedGraph() { PLYXEN_graphInit(&handle); }
    ~LoadedGraph() { PLYXEN_graphExit(&handle); }
  } loaded;
  Graph* graph = reinterpret_cast<Graph*>(&loaded.handle);
  runReleased([&]() {
    FILE* stream = openFile(path, "r", "read_graph");
    if (stream == nullptr) return 1;
    int status;
    if (format == FORMAT_GRF) {
      status = PLYXEN_graphLoad(&loaded.handle, stream, -1, 0);
    } else if (format == FORMAT_METIS) {
      status = graphLoadMetis(graph, stream, 1, 0, path.c_str());
    } else {
      status = graphLoadMatrixMarket(graph, stream, 1, path.c_str());
    }
    if (status == 0 && ferror(stream)) {
      errorPrint("read_graph: cannot read file \"%s\"", path.c_str());
      status = 1;
    }
    fclose(stream);
    return (status != 0 || PLYXEN_graphCheck(&loaded.handle) != 0) ? 1 : 0;
  });

  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  IndexArray indptr(static_cast<py::ssize_t>(n) + 1);
  int32_t* starts = indptr.mutable_data();
  starts[0] = 0;
  for (GraphNum v = 0; v < n; v++) starts[v + 1] = starts[v] + graphDegree(graph, base + v);
  IndexArray indices(starts[n]);
  std::optional<IndexArray> edgeLoads;
  if (graph->edgeLoad != nullptr) edgeLoads.emplace(starts[n]);
  for (GraphNum v = 0; v < n; v++) {
    int32_t at = starts[v];
    for (GraphNum arc = graph->edgeBegin[base + v]; arc < graph->edgeEnd[base + v]; arc++, at++) {
      indices.mutable_data()[at] = graph->edgeTarget[arc] - base;
      if (edgeLoads) edgeLoads->mutable_data()[at] = graph->edgeLoad[arc];
    }
  }
  py::object vertexLoads = py::none();
  if (graph->vertexLoad != nullptr) {
    IndexArray loads(n);
    std::copy(graph->vertexLoad + base, graph->vertexLoad + base + n, loads.mutable_data());
    vertexLoads = loads;
  }
  return py::make_tuple(indptr, indices, vertexLoads, edgeLoads ? py::object(*edgeLoads) : py::object(py::none()));
}

// Writes a graph file, numbering vertices from 1 as the tool does.
void writeGraph(const std::string& path, int format, const py::handle& indptrObject, const py::handle& indicesObject,
                const py::handle& vertexLoadObject, const py::handle& edgeLoadObject) {
  if (format < FORMAT_GRF || format > FORMAT_MTX) throw py::value_error("unknown file format");
  GraphOverArrays graph(indptrObject, indicesObject, vertexLoadObject, edgeLoadObject);
  runReleased([&]() {
    if (graph.build() != 0) return 1;
    FILE* stream = openFile(path, "w", "write_graph");
    if (stream == nullptr) return 1;
    int status = (format == FORMAT_GRF)     ? PLYXEN_graphSave(&graph.handle, stream)
                 : (format == FORMAT_METIS) ? PLYXEN_graphSaveMetis(&graph.handle, stream)
                                            : PLYXEN_graphSaveMatrixMarket(&graph.handle, stream);
    const bool written = (fflush(stream) == 0) && (ferror(stream) == 0);
    if ((fclose(stream) != 0 || !written) && status == 0) {
      errorPrint("write_graph: cannot write file \"%s\" (%s)", path.c_str(), strerror(errno));
      status = 1;
    }
    return status;
  });
}

}  // namespace

PYBIND11_MODULE(_plyxen, module) {
  module.doc() = "Extension module of the plyxen package; use the functions of plyxen itself.";
  PLYXEN_errorModeSet(PLYXEN_ERROR_RETURN);

  errorType = PyErr_NewExceptionWithDoc("plyxen.Error", "A failure reported by the library; messages lists its messages.",
                                        PyExc_RuntimeError, nullptr);
  if (errorType == nullptr) throw py::error_already_set();
  module.attr("Error") = py::handle(errorType);
  py::register_exception_translator([](std::exception_ptr pointer) {
    try {
      if (pointer) std::rethrow_exception(pointer);
    } catch (const LibraryFailure& failure) {
      py::list messages;
      std::string joined;
      for (const std::string& message : failure.messages) {
        messages.append(decodeMessage(message));
        joined += joined.empty() ? "" : "; ";
        joined += message;
      }
      py::object error = py::handle(errorType)(decodeMessage(joined));
      error.attr("messages") = messages;
      PyErr_SetObject(errorType, error.ptr());
    }
  });

  // The tool's default ordering strategy is the package's too; the solver
  // interface's own stays available by name.
  module.attr("INTERFACE_STRATEGY") = ELIMORD_DEFAULT_STRATEGY;
  module.attr("RECOMMENDED_STRATEGY") = PLYXEN_stratGraphOrderText(ORDER_STRATEGY_RECOMMENDED);
  module.attr("QUALITY_STRATEGY") = PLYXEN_stratGraphOrderText(ORDER_STRATEGY_QUALITY);
  module.attr("DEFAULT_STRATEGY") = PLYXEN_stratGraphOrderText(ORDER_STRATEGY_RECOMMENDED);
  module.def("symmetric_pattern", &symmetricPattern, py::arg("n"), py::arg("row"), py::arg("col"));
  module.def("order", &order, py::arg("indptr"), py::arg("indices"), py::arg("strategy"));
  module.def("stats", &stats, py::arg("indptr"), py::arg("indices"), py::arg("perm"));
  module.def("read_graph", &readGraph, py::arg("path"), py::arg("format"));
  module.def("write_graph", &writeGraph, py::arg("path"), py::arg("format"), py::arg("indptr"), py::arg("indices"),
             py::arg("vertex_loads"), py::arg("edge_loads"));
}
