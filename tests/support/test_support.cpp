#include "support/test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

bool ErrorCapture::contains(const std::string& text) const {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

void buildGraph(Graph* graph, GraphNum base, GraphNum vertexCount,
                const std::vector<std::pair<GraphNum, GraphNum>>& edges, const std::vector<GraphNum>& vertexLoads,
                const std::vector<GraphNum>& edgeLoads) {
  std::vector<std::vector<std::pair<GraphNum, GraphNum>>> adjacency(vertexCount);
  for (size_t i = 0; i < edges.size(); i++) {
    GraphNum load = edgeLoads.empty() ? 1 : edgeLoads[i];
    adjacency[edges[i].first - base].push_back({edges[i].second, load});
    adjacency[edges[i].second - base].push_back({edges[i].first, load});
  }
  graphInit(graph);
  graph->flags = GRAPH_FREE_EDGES | GRAPH_FREE_VERTICES | GRAPH_FREE_OTHERS;
  graph->base = base;
  graph->vertexCount = vertexCount;
  graph->vertexEnd = base + vertexCount;
  GraphNum arcCount = static_cast<GraphNum>(2 * edges.size());
  GraphNum* begin = static_cast<GraphNum*>(memAlloc((vertexCount + 1) * sizeof(GraphNum)));
  GraphNum* target = static_cast<GraphNum*>(memAlloc(arcCount * sizeof(GraphNum)));
  GraphNum* arcLoad = edgeLoads.empty() ? nullptr : static_cast<GraphNum*>(memAlloc(arcCount * sizeof(GraphNum)));
  GraphNum arc = 0;
  GraphNum maxDegree = 0;
  GraphNum edgeLoadSum = 0;
  for (GraphNum v = 0; v < vertexCount; v++) {
    begin[v] = base + arc;
    for (auto [end, load] : adjacency[v]) {
      target[arc] = end;
      if (arcLoad != nullptr) arcLoad[arc] = load;
      edgeLoadSum += load;
      arc++;
    }
    maxDegree = std::max(maxDegree, static_cast<GraphNum>(adjacency[v].size()));
  }
  begin[vertexCount] = base + arc;
  graph->edgeBegin = begin - base;
  graph->edgeEnd = graph->edgeBegin + 1;
  graph->edgeTarget = target - base;
  graph->edgeLoad = arcLoad != nullptr ? arcLoad - base : nullptr;
  graph->arcCount = arcCount;
  graph->edgeLoadSum = edgeLoadSum;
  graph->maxDegree = maxDegree;
  if (!vertexLoads.empty()) {
    GraphNum* loads = static_cast<GraphNum*>(memAlloc(vertexCount * sizeof(GraphNum)));
    GraphNum sum = 0;
    for (GraphNum v = 0; v < vertexCount; v++) sum += loads[v] = vertexLoads[v];
    graph->vertexLoad = loads - base;
    graph->vertexLoadSum = sum;
  } else {
    graph->vertexLoadSum = vertexCount;
  }
}

void buildPath(Graph* graph, GraphNum base, GraphNum vertexCount) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum v = 0; v + 1 < vertexCount; v++) edges.push_back({base + v, base + v + 1});
  buildGraph(graph, base, vertexCount, edges);
}

void buildGrid(Graph* graph, GraphNum base, GraphNum width, GraphNum height) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum y = 0; y < height; y++)
    for (GraphNum x = 0; x < width; x++) {
      GraphNum v = base + y * width + x;
      if (x + 1 < width) edges.push_back({v, v + 1});
      if (y + 1 < height) edges.push_back({v, v + width});
    }
  buildGraph(graph, base, width * height, edges);
}

void buildComplete(Graph* graph, GraphNum base, GraphNum vertexCount) {
  std::vector<std::pair<GraphNum, GraphNum>> edges;
  for (GraphNum u = 0; u < vertexCount; u++)
    for (GraphNum v = u + 1; v < vertexCount; v++) edges.push_back({base + u, base + v});
  buildGraph(graph, base, vertexCount, edges);
}

std::vector<std::string> sharedGraphNames() {
  std::vector<std::string> names;
  DIR* directory = opendir(PLYXEN_SHARED_GRAPHS);
  if (directory == nullptr) return names;
  while (dirent* entry = readdir(directory)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".grf") == 0) names.push_back(name);
  }
  closedir(directory);
  std::sort(names.begin(), names.end());
  return names;
}

std::string sharedGraphPath(const std::string& name) { return std::string(PLYXEN_SHARED_GRAPHS) + "/" + name; }

void loadSharedGraph(Graph* graph, const std::string& name, GraphNum base) {
  FILE* stream = fopen(sharedGraphPath(name).c_str(), "r");
  ASSERT_NE(stream, nullptr) << name;
  ASSERT_EQ(graphLoad(graph, stream, base, 0), 0) << name;
  fclose(stream);
}

std::string readFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  std::stringstream buffer;
  buffer << stream.rdbuf();
  return buffer.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream stream(path, std::ios::binary);
  stream << text;
}

std::string temporaryPath(const std::string& name) {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string folder = std::string(PLYXEN_BINARY_DIR) + "/test_scratch";
  mkdir(folder.c_str(), 0755);
  std::string prefix = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
  std::replace(prefix.begin(), prefix.end(), '/', '_');
  return folder + "/" + prefix + "." + std::to_string(getpid()) + "." + name;
}

std::string fullDevicePath() {
  const std::string path = temporaryPath("full");
  unlink(path.c_str());
  if (mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) return "";
  return path;
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input) {
  std::string outPath = temporaryPath("stdout");
  std::string errPath = temporaryPath("stderr");
  std::string inPath = temporaryPath("stdin");
  writeFile(inPath, input);
  ProgramResult result{-1, "", ""};
  pid_t child = fork();
  if (child == 0) {
    if (!freopen(inPath.c_str(), "r", stdin) || !freopen(outPath.c_str(), "w", stdout) ||
        !freopen(errPath.c_str(), "w", stderr))
      _exit(127);
    std::string path = std::string(PLYXEN_BINARY_DIR) + "/" + program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  unlink(inPath.c_str());
  return result;
}

std::map<std::string, std::string> figuresOf(const std::string& line) {
  std::map<std::string, std::string> figures;
  std::istringstream stream(line);
  std::string pair;
  while (stream >> pair) {
    size_t equals = pair.find('=');
    if (equals != std::string::npos) figures[pair.substr(0, equals)] = pair.substr(equals + 1);
  }
  return figures;
}
