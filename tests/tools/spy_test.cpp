// plyxen spy, run as a program: the pictures parse as XML; the counts they
// carry per bin are those of the matrix, the reordered matrix and the
// factor computed here by plain symbolic elimination, and add up to the
// figures of plyxen stats; the separators they mark separate; the tree
// picture accounts for every column block; failures are reported as the
// other commands report them.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "plyxen.h"
#include "support/test_support.h"

namespace {

// ---------------------------------------------------------------------------
// A small XML reader: enough to tell a well-formed document and read it.

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;  // character data directly inside, entities replaced
  std::vector<XmlElement> children;

  const XmlElement* find(const std::string& wanted) const {
    if (name == wanted) return this;
    for (const XmlElement& child : children)
      if (const XmlElement* found = child.find(wanted)) return found;
    return nullptr;
  }
};

class XmlReader {
 public:
  explicit XmlReader(const std::string& text) : text_(text) {}

  // Parses the whole document; on a fault returns false with fault() set.
  bool document(XmlElement* root) {
    skipMisc();
    if (!element(root)) return false;
    skipMisc();
    if (at_ != text_.size()) return fail("content after the root element");
    return true;
  }
  const std::string& fault() const { return fault_; }

 private:
  bool fail(const std::string& why) {
    if (fault_.empty()) fault_ = why + " at offset " + std::to_string(at_);
    return false;
  }
  bool startsWith(const char* prefix) const { return text_.compare(at_, strlen(prefix), prefix) == 0; }
  void skipSpace() {
    while (at_ < text_.size() && isspace(static_cast<unsigned char>(text_[at_]))) at_++;
  }
  bool skipPast(const char* end) {
    size_t found = text_.find(end, at_);
    if (found == std::string::npos) return false;
    at_ = found + strlen(end);
    return true;
  }
  // White space, the declaration and comments.
  void skipMisc() {
    for (;;) {
      skipSpace();
      if (startsWith("<?") && skipPast("?>")) continue;
      if (startsWith("<!--") && skipPast("-->")) continue;
      return;
    }
  }
  static bool nameCharacter(char c) { return isalnum(static_cast<unsigned char>(c)) || strchr("_:.-", c) != nullptr; }
  bool name(std::string* result) {
    size_t start = at_;
    while (at_ < text_.size() && nameCharacter(text_[at_])) at_++;
    if (at_ == start || isdigit(static_cast<unsigned char>(text_[start]))) return fail("name expected");
    *result = text_.substr(start, at_ - start);
    return true;
  }
  // Character data up to one of the stop characters, entities replaced.
  bool characters(const char* stops, std::string* result) {
    while (at_ < text_.size() && strchr(stops, text_[at_]) == nullptr) {
      char c = text_[at_];
      if (c == '<') return fail("'<' in character data");
      if (c != '&') {
        *result += c;
        at_++;
        continue;
      }
      static const std::pair<const char*, char> entities[] = {
          {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
      bool known = false;
      for (const auto& [entity, replacement] : entities)
        if (startsWith(entity)) {
          *result += replacement;
          at_ += strlen(entity);
          known = true;
          break;
        }
      if (!known) return fail("unknown entity");
    }
    return true;
  }
  bool element(XmlElement* node) {
    if (!startsWith("<")) return fail("'<' expected");
    at_++;
    if (!name(&node->name)) return false;
    for (;;) {
      size_t before = at_;
      skipSpace();
      if (startsWith("/>")) {
        at_ += 2;
        return true;
      }
      if (startsWith(">")) {
        at_++;
        break;
      }
      if (at_ == before) return fail("space expected before an attribute");
      std::string attribute, value;
      if (!name(&attribute)) return false;
      if (!startsWith("=\"")) return fail("=\" expected");
      at_ += 2;
      if (!characters("\"<", &value)) return false;
      if (!startsWith("\"")) return fail("unterminated attribute");
      at_++;
      if (!node->attributes.emplace(attribute, value).second) return fail("repeated attribute " + attribute);
    }
    for (;;) {  // content
      if (!characters("<", &node->text)) return false;
      if (at_ >= text_.size()) return fail("unterminated element " + node->name);
      if (startsWith("<!--")) {
        if (!skipPast("-->")) return fail("unterminated comment");
      } else if (startsWith("</")) {
        at_ += 2;
        std::string closing;
        if (!name(&closing)) return false;
        if (closing != node->name) return fail("</" + closing + "> closes <" + node->name + ">");
        skipSpace();
        if (!startsWith(">")) return fail("'>' expected");
        at_++;
        return true;
      } else {
        node->children.emplace_back();
        if (!element(&node->children.back())) return false;
      }
    }
  }

  const std::string& text_;
  size_t at_ = 0;
  std::string fault_;
};

XmlElement parseSvg(const std::string& path) {
  std::string text = readFile(path);
  XmlElement root;
  XmlReader reader(text);
  EXPECT_TRUE(reader.document(&root)) << path << ": " << reader.fault();
  EXPECT_EQ(root.name, "svg");
  EXPECT_EQ(root.attributes["xmlns"], "http://www.w3.org/2000/svg");
  return root;
}

// ---------------------------------------------------------------------------
// What the pictures carry

struct BinCount {
  int64_t count = 0;
  int64_t fill = 0;
  bool operator==(const BinCount& other) const { return count == other.count && fill == other.fill; }
};
using Bins = std::map<std::pair<int64_t, int64_t>, BinCount>;  // (row bin, column bin)

// "row:column=count[/fill],count ... column=...;row:..." (see the tool).
Bins decodeBins(const std::string& text) {
  Bins bins;
  std::istringstream rows(text);
  std::string row;
  while (std::getline(rows, row, ';')) {
    size_t colon = row.find(':');
    EXPECT_NE(colon, std::string::npos) << row;
    if (colon == std::string::npos) break;
    int64_t rowBin = std::stoll(row.substr(0, colon));
    std::istringstream segments(row.substr(colon + 1));
    std::string segment;
    while (segments >> segment) {
      size_t equals = segment.find('=');
      EXPECT_NE(equals, std::string::npos) << segment;
      if (equals == std::string::npos) break;
      int64_t column = std::stoll(segment.substr(0, equals));
      std::istringstream values(segment.substr(equals + 1));
      std::string value;
      while (std::getline(values, value, ',')) {
        BinCount bin;
        size_t slash = value.find('/');
        bin.count = std::stoll(value.substr(0, slash));
        if (slash != std::string::npos) bin.fill = std::stoll(value.substr(slash + 1));
        EXPECT_GT(bin.count, 0);
        EXPECT_TRUE(bins.emplace(std::make_pair(rowBin, column++), bin).second) << "bin listed twice";
      }
    }
  }
  return bins;
}

const XmlElement* panelNamed(const XmlElement& spy, const std::string& name) {
  for (const XmlElement& child : spy.children)
    if (child.name == "plyxen:panel" && child.attributes.at("name") == name) return &child;
  ADD_FAILURE() << "no panel " << name;
  return nullptr;
}

// Separators as "parts start:first:end" (positions from 0).
std::vector<std::array<GraphNum, 3>> decodeSeparators(const XmlElement& metadata) {
  std::vector<std::array<GraphNum, 3>> separators;
  const XmlElement* list = metadata.find("plyxen:separators");
  if (list == nullptr) return separators;
  std::istringstream items(list->text);
  std::string item;
  while (std::getline(items, item, ';')) {
    std::array<GraphNum, 3> separator;
    char colon1, colon2;
    std::istringstream fields(item);
    fields >> separator[0] >> colon1 >> separator[1] >> colon2 >> separator[2];
    EXPECT_TRUE(fields && colon1 == ':' && colon2 == ':') << item;
    separators.push_back(separator);
  }
  EXPECT_EQ(list->attributes.at("count"), std::to_string(separators.size()));
  return separators;
}

// ---------------------------------------------------------------------------
// The graph and the factor, computed here

struct TestGraph {
  GraphNum n = 0;
  std::vector<std::vector<GraphNum>> neighbours;  // from 0
};

TestGraph readGraphFile(const std::string& path) {
  Graph graph;
  FILE* stream = fopen(path.c_str(), "r");
  EXPECT_NE(stream, nullptr) << path;
  TestGraph result;
  if (stream == nullptr) return result;
  EXPECT_EQ(graphLoad(&graph, stream, -1, 0), 0);
  fclose(stream);
  result.n = graph.vertexCount;
  result.neighbours.resize(graph.vertexCount);
  for (GraphNum v = 0; v < graph.vertexCount; v++)
    for (GraphNum arc = graph.edgeBegin[graph.base + v]; arc < graph.edgeEnd[graph.base + v]; arc++)
      result.neighbours[v].push_back(graph.edgeTarget[arc] - graph.base);
  graphExit(&graph);
  return result;
}

// The base of a graph file: the first number of its third line.
GraphNum baseOf(const std::string& graphPath) {
  std::istringstream text(readFile(graphPath));
  GraphNum version, vertices, arcs, base = -1;
  text >> version >> vertices >> arcs >> base;
  return base;
}

// Vertex (from 0) -> position (from 0) from an ordering file of a base-0
// or base-1 graph.
std::vector<GraphNum> readPositions(const std::string& path, GraphNum base) {
  std::istringstream stream(readFile(path));
  GraphNum count = 0;
  stream >> count;
  std::vector<GraphNum> positions(count);
  for (GraphNum i = 0; i < count; i++) {
    GraphNum vertex, position;
    stream >> vertex >> position;
    positions[vertex - base] = position - base;
  }
  return positions;
}

// Rows of every column of the factor, diagonal excluded, by elimination:
// the rows of column j are its matrix rows below j and the rows of its
// sons in the elimination tree below j.
std::vector<std::vector<GraphNum>> factorColumns(const TestGraph& graph, const std::vector<GraphNum>& positions) {
  const GraphNum n = graph.n;
  std::vector<GraphNum> vertexAt(n);
  for (GraphNum v = 0; v < n; v++) vertexAt[positions[v]] = v;
  std::vector<std::vector<GraphNum>> columns(n), sons(n);
  for (GraphNum j = 0; j < n; j++) {
    std::set<GraphNum> rows;
    for (GraphNum u : graph.neighbours[vertexAt[j]])
      if (positions[u] > j) rows.insert(positions[u]);
    for (GraphNum son : sons[j])
      for (GraphNum row : columns[son])
        if (row > j) rows.insert(row);
    columns[j].assign(rows.begin(), rows.end());
    if (!rows.empty()) sons[*rows.begin()].push_back(j);
  }
  return columns;
}

int64_t binOf(int64_t row, int64_t n, int64_t bins) { return row * bins / n; }

// Checks every bin of the three panels against the graph, the ordering and
// the factor.
void expectPanels(const XmlElement& spy, const TestGraph& graph, const std::vector<GraphNum>& positions) {
  const int64_t n = graph.n;
  const int64_t bins = std::stoll(spy.attributes.at("bins"));
  Bins original, ordered, factor;
  std::set<std::pair<GraphNum, GraphNum>> matrixLower;  // (row, column) positions
  for (GraphNum v = 0; v < n; v++) {
    original[{binOf(v, n, bins), binOf(v, n, bins)}].count++;
    ordered[{binOf(positions[v], n, bins), binOf(positions[v], n, bins)}].count++;
    for (GraphNum u : graph.neighbours[v]) {
      original[{binOf(v, n, bins), binOf(u, n, bins)}].count++;
      ordered[{binOf(positions[v], n, bins), binOf(positions[u], n, bins)}].count++;
      if (positions[u] < positions[v]) matrixLower.insert({positions[v], positions[u]});
    }
  }
  std::vector<std::vector<GraphNum>> columns = factorColumns(graph, positions);
  for (GraphNum j = 0; j < n; j++) {
    factor[{binOf(j, n, bins), binOf(j, n, bins)}].count++;
    for (GraphNum row : columns[j]) {
      BinCount& bin = factor[{binOf(row, n, bins), binOf(j, n, bins)}];
      bin.count++;
      if (matrixLower.count({row, j}) == 0) bin.fill++;
    }
  }
  for (const auto& [name, expected] : std::vector<std::pair<std::string, Bins*>>{
           {"original", &original}, {"ordered", &ordered}, {"factor", &factor}}) {
    SCOPED_TRACE(name);
    const XmlElement* panel = panelNamed(spy, name);
    if (panel == nullptr) continue;
    Bins drawn = decodeBins(panel->text);
    EXPECT_EQ(drawn.size(), expected->size());
    EXPECT_TRUE(drawn == *expected) << "bins differ";
    for (const auto& [cell, bin] : drawn) {
      EXPECT_LT(cell.first, bins);
      EXPECT_LT(cell.second, bins);
    }
  }
}

// Sums of the counts of a panel.
BinCount panelSum(const XmlElement& spy, const std::string& name) {
  BinCount sum;
  const XmlElement* panel = panelNamed(spy, name);
  if (panel == nullptr) return sum;
  for (const auto& [cell, bin] : decodeBins(panel->text)) {
    sum.count += bin.count;
    sum.fill += bin.fill;
  }
  EXPECT_EQ(panel->attributes.at("total"), std::to_string(sum.count));
  if (name == "factor") {
    EXPECT_EQ(panel->attributes.at("fill"), std::to_string(sum.fill));
  }
  return sum;
}

class Spy : public testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : created_) unlink(path.c_str());
  }
  std::string path(const std::string& name) {
    created_.push_back(temporaryPath(name));
    return created_.back();
  }
  std::string file(const std::string& name, const std::string& text) {
    std::string result = path(name);
    writeFile(result, text);
    return result;
  }
  // A width x height grid, base 0.
  std::string gridFile(const std::string& name, GraphNum width, GraphNum height) {
    std::string result = path(name);
    Graph grid;
    buildGrid(&grid, 0, width, height);
    FILE* stream = fopen(result.c_str(), "w");
    EXPECT_NE(stream, nullptr);
    if (stream != nullptr) {
      EXPECT_EQ(graphSave(&grid, stream), 0);
      fclose(stream);
    }
    graphExit(&grid);
    return result;
  }
  static ProgramResult run(const std::vector<std::string>& arguments) {
    setenv("ASAN_OPTIONS", "detect_leaks=1", 1);
    ProgramResult result = runProgram("plyxen", arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result;
  }
  // Failing runs end inside the error printer with their data allocated.
  static std::string runFailing(const std::vector<std::string>& arguments) {
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    ProgramResult result = runProgram("plyxen", arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ERROR: ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    return result.err;
  }

  // Graphs of every drawing: a small grid (point by point), a larger grid
  // (binned), the same with an odd bin count, and the small shared graphs.
  std::vector<std::pair<std::string, std::vector<std::string>>> cases() {
    std::string small = gridFile("small.grf", 15, 12), large = gridFile("large.grf", 60, 50);
    std::vector<std::pair<std::string, std::vector<std::string>>> result{
        {small, {}}, {large, {}}, {large, {"--bins", "37"}}};
    for (const char* name : {"airfoil1.grf", "4elt.grf"})
      for (const std::string& shared : sharedGraphNames())
        if (shared == name) result.push_back({sharedGraphPath(name), {}});
    return result;
  }

 private:
  std::vector<std::string> created_;
};

// For an ordering file and its block files: every bin of the three panels
// holds the count computed here, the totals are those of plyxen stats, and
// the figures written in the picture are the same.
TEST_F(Spy, BinsHoldTheMatrixAndTheFactor) {
  for (const auto& [graphPath, extra] : cases()) {
    SCOPED_TRACE(graphPath);
    std::string orderPath = path("spy.ord"), mapPath = path("spy.map"), treePath = path("spy.tree");
    std::string picture = path("spy.svg");
    std::map<std::string, std::string> ordered =
        figuresOf(run({"order", graphPath, "-o", orderPath, "--map", mapPath, "--tree", treePath, "--stats"}).out);
    std::vector<std::string> arguments{"spy",         graphPath, orderPath, "--map-file", mapPath,
                                       "--tree-file", treePath,  "-o",      picture};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    run(arguments);
    std::map<std::string, std::string> stats = figuresOf(run({"stats", graphPath, orderPath}).out);

    XmlElement root = parseSvg(picture);
    const XmlElement* spy = root.find("plyxen:spy");
    ASSERT_NE(spy, nullptr);
    TestGraph graph = readGraphFile(graphPath);
    const int64_t n = graph.n, edges = std::stoll(stats["edges"]), nnzL = std::stoll(stats["nnzL"]);
    EXPECT_EQ(spy->attributes.at("vertices"), stats["vertices"]);
    EXPECT_EQ(spy->attributes.at("edges"), stats["edges"]);
    EXPECT_EQ(spy->attributes.at("nnzL"), stats["nnzL"]);
    EXPECT_EQ(spy->attributes.at("opc"), stats["opc"]);
    EXPECT_EQ(spy->attributes.at("blocks"), ordered["blocks"]);
    EXPECT_EQ(spy->attributes.at("nnz"), std::to_string(n + 2 * edges));

    // Point by point up to 512 rows, binned beyond.
    const bool points = n <= 512;
    EXPECT_EQ(spy->attributes.at("mode"), points ? "points" : "density");
    const int64_t bins = std::stoll(spy->attributes.at("bins"));
    EXPECT_EQ(bins, points ? n : (extra.empty() ? 512 : 37));

    EXPECT_EQ(panelSum(*spy, "original").count, n + 2 * edges);
    EXPECT_EQ(panelSum(*spy, "ordered").count, n + 2 * edges);
    BinCount factor = panelSum(*spy, "factor");
    EXPECT_EQ(factor.count, n + nnzL);
    EXPECT_EQ(factor.fill, nnzL - edges);

    expectPanels(*spy, graph, readPositions(orderPath, baseOf(graphPath)));
  }
}

// Every separator marked separates: the vertices of its two parts, numbered
// just before it, fall apart when it is taken away, and have no neighbour
// numbered before the parts (they meet only their separator and the
// separators above).
TEST_F(Spy, SeparatorsSeparate) {
  for (const auto& [graphPath, extra] : cases()) {
    if (!extra.empty()) continue;
    SCOPED_TRACE(graphPath);
    std::string orderPath = path("sep.ord"), mapPath = path("sep.map"), treePath = path("sep.tree");
    std::string picture = path("sep.svg");
    run({"order", graphPath, "-o", orderPath, "--map", mapPath, "--tree", treePath, "--interface"});
    run({"spy", graphPath, orderPath, "--map-file", mapPath, "--tree-file", treePath, "-o", picture});
    XmlElement root = parseSvg(picture);
    TestGraph graph = readGraphFile(graphPath);
    std::vector<GraphNum> positions = readPositions(orderPath, baseOf(graphPath));
    std::vector<GraphNum> vertexAt(graph.n);
    for (GraphNum v = 0; v < graph.n; v++) vertexAt[positions[v]] = v;

    std::vector<std::array<GraphNum, 3>> separators = decodeSeparators(root);
    EXPECT_GE(separators.size(), 1u);
    for (const auto& [partsStart, first, end] : separators) {
      ASSERT_LT(partsStart, first);
      ASSERT_LT(first, end);
      ASSERT_LE(end, graph.n);
      // Components of the parts, by a walk inside [partsStart, first).
      std::vector<char> seen(graph.n, 0);
      int components = 0;
      for (GraphNum start = partsStart; start < first; start++) {
        if (seen[start]) continue;
        components++;
        std::vector<GraphNum> stack{start};
        seen[start] = 1;
        while (!stack.empty()) {
          GraphNum position = stack.back();
          stack.pop_back();
          for (GraphNum u : graph.neighbours[vertexAt[position]]) {
            EXPECT_GE(positions[u], partsStart) << "a part meets a vertex numbered before the parts";
            if (positions[u] >= partsStart && positions[u] < first && !seen[positions[u]]) {
              seen[positions[u]] = 1;
              stack.push_back(positions[u]);
            }
          }
        }
      }
      EXPECT_GE(components, 2) << "separator " << first << ".." << end << " separates nothing";
    }
    // The same separators drawn when the tool orders the graph itself with
    // the same strategy (the interface's dissects even the small graphs).
    std::string computed = path("computed.svg");
    run({"spy", graphPath, "-o", computed, "-s", PLYXEN_stratGraphOrderText(ORDER_STRATEGY_INTERFACE)});
    EXPECT_TRUE(decodeSeparators(parseSvg(computed)) == separators);
  }
}

// The tree picture draws every block wide enough and stands for the others
// in collapsed marks: drawn widths and marks add up to the columns, drawn
// blocks and marks to the column blocks, and every drawn block hangs below
// a drawn father, one level down, as wide as its run in the map file.
TEST_F(Spy, TreeAccountsForEveryBlock) {
  for (const auto& [graphPath, extra] : cases()) {
    if (!extra.empty()) continue;
    SCOPED_TRACE(graphPath);
    std::string orderPath = path("tree.ord"), mapPath = path("tree.map"), treePath = path("tree.tree");
    std::string picture = path("tree.svg");
    std::map<std::string, std::string> ordered =
        figuresOf(run({"order", graphPath, "-o", orderPath, "--map", mapPath, "--tree", treePath, "--stats"}).out);
    run({"spy", "--tree", graphPath, orderPath, "--map-file", mapPath, "--tree-file", treePath, "-o", picture});
    XmlElement root = parseSvg(picture);
    const XmlElement* tree = root.find("plyxen:tree");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->attributes.at("blocks"), ordered["blocks"]);
    EXPECT_EQ(tree->attributes.at("nnzL"), ordered["nnzL"]);

    std::map<GraphNum, GraphNum> blockSizes;  // from the map file
    {
      std::istringstream map(readFile(mapPath));
      GraphNum count, vertex, block;
      map >> count;
      while (map >> vertex >> block) blockSizes[block]++;
    }
    std::map<GraphNum, std::pair<GraphNum, GraphNum>> drawn;  // block -> depth, father
    int64_t columns = 0, blocks = 0;
    std::istringstream items(tree->find("plyxen:blocks")->text);
    std::string item;
    while (std::getline(items, item, ';')) {
      GraphNum block, first, width, depth, father;
      char c1, c2, c3, c4;
      std::istringstream fields(item);
      fields >> block >> c1 >> first >> c2 >> width >> c3 >> depth >> c4 >> father;
      ASSERT_TRUE(fields) << item;
      EXPECT_EQ(width, blockSizes[block]);
      drawn[block] = {depth, father};
      columns += width;
      blocks++;
    }
    for (const auto& [block, place] : drawn) {
      if (place.second == -1) {
        EXPECT_EQ(place.first, 0);
      } else {
        ASSERT_EQ(drawn.count(place.second), 1u) << "father of " << block << " not drawn";
        EXPECT_EQ(place.first, drawn[place.second].first + 1);
      }
    }
    std::istringstream marks(tree->find("plyxen:collapsed")->text);
    while (std::getline(marks, item, ';')) {
      GraphNum father, markBlocks, markColumns;
      char c1, c2;
      std::istringstream fields(item);
      fields >> father >> c1 >> markBlocks >> c2 >> markColumns;
      ASSERT_TRUE(fields) << item;
      EXPECT_TRUE(father == -1 || drawn.count(father) == 1);
      columns += markColumns;
      blocks += markBlocks;
    }
    EXPECT_EQ(std::to_string(columns), tree->attributes.at("vertices"));
    EXPECT_EQ(std::to_string(blocks), ordered["blocks"]);
  }
}

// A graph of many rows and nonzeros gives a density image whose size does
// not grow with the factor (drawn entry by entry, this one would take tens
// of megabytes).
TEST_F(Spy, LargeGraphsGiveSmallDensityImages) {
  std::string graphPath = gridFile("big.grf", 200, 200);
  std::string picture = path("big.svg");
  run({"spy", graphPath, "-o", picture});
  XmlElement root = parseSvg(picture);
  const XmlElement* spy = root.find("plyxen:spy");
  ASSERT_NE(spy, nullptr);
  EXPECT_EQ(spy->attributes.at("mode"), "density");
  EXPECT_EQ(spy->attributes.at("bins"), "512");
  EXPECT_GT(std::stoll(spy->attributes.at("nnzL")), 500000);
  EXPECT_EQ(panelSum(*spy, "factor").count, 40000 + std::stoll(spy->attributes.at("nnzL")));
  EXPECT_LT(readFile(picture).size(), 1000000u);
}

// The command is listed in the tool's help and has its own.
TEST_F(Spy, HelpTexts) {
  EXPECT_NE(run({"--help"}).out.find("\n  spy GRAPH [ORDER] -o FILE.svg"), std::string::npos);
  EXPECT_EQ(run({"spy", "--help"}).out.rfind("usage: plyxen spy GRAPH [ORDER] -o FILE.svg", 0), 0u);
}

// An empty graph gives valid pictures with nothing in them.
TEST_F(Spy, EmptyGraphGivesAnEmptyPicture) {
  std::string graphPath = file("empty.grf", "0\n0\t0\n0\t000\n");
  std::string orderPath = path("empty.ord");
  run({"order", graphPath, "-o", orderPath});
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"spy", graphPath}, std::vector<std::string>{"spy", graphPath, orderPath}}) {
    std::string picture = path("empty.svg");
    std::vector<std::string> withOutput = arguments;
    withOutput.insert(withOutput.end(), {"-o", picture});
    run(withOutput);
    XmlElement root = parseSvg(picture);
    const XmlElement* spy = root.find("plyxen:spy");
    ASSERT_NE(spy, nullptr);
    EXPECT_EQ(spy->attributes.at("vertices"), "0");
    for (const char* name : {"original", "ordered", "factor"}) {
      const XmlElement* panel = panelNamed(*spy, name);
      ASSERT_NE(panel, nullptr);
      EXPECT_EQ(panel->text, "");
      EXPECT_EQ(panel->attributes.at("total"), "0");
    }
  }
  std::string tree = path("empty_tree.svg");
  run({"spy", "--tree", graphPath, "-o", tree});
  XmlElement root = parseSvg(tree);
  ASSERT_NE(root.find("plyxen:tree"), nullptr);
  EXPECT_EQ(root.find("plyxen:tree")->attributes.at("blocks"), "0");
}

// A bad ordering file gets the error line of plyxen stats; mistakes of the
// command line and of the block files are refused before anything is
// written, and an existing picture is left as it was.
TEST_F(Spy, FailuresAreReportedOnceAndReplaceNothing) {
  std::string graph = file("path.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n");
  std::string good = file("good.svg", "GOOD\n");
  for (const std::string& text : {std::string("2\n0\t0\n1\t1\n"), std::string("3\n0\t0\n1\t0\n2\t2\n"),
                                  std::string("3\n0\t0\n2\t1\n1\t2\n"), std::string("3\n0\t0\n1\t1\n")}) {
    SCOPED_TRACE(testing::PrintToString(text));
    std::string order = file("bad.ord", text);
    std::string fromStats = runFailing({"stats", graph, order});
    EXPECT_EQ(runFailing({"spy", graph, order, "-o", good}), fromStats);
    EXPECT_EQ(readFile(good), "GOOD\n");
  }

  std::string order = file("good.ord", "3\n0\t2\n1\t1\n2\t0\n");  // positions 2 1 0
  std::string map = file("good.map", "3\n0\t1\n1\t1\n2\t0\n");    // blocks {2}, {1, 0} in position order
  std::string tree = file("good.tree", "3\n0\t-1\n1\t-1\n2\t1\n");
  run({"spy", graph, order, "--map-file", map, "--tree-file", tree, "-o", path("fine.svg")});
  const std::vector<std::pair<std::vector<std::string>, std::string>> failing{
      {{"spy", graph}, "plyxen spy: no output file"},
      {{"spy", "-o", good}, "plyxen spy: a graph file"},
      {{"spy", graph, order, order, "-o", good}, "plyxen spy: a graph file"},
      {{"spy", graph, "--bins", "3", "-o", good}, "plyxen spy: --bins"},
      {{"spy", graph, "--bins", "12x", "-o", good}, "plyxen spy: --bins"},
      {{"spy", graph, "-s", "q", "-o", good}, ""},
      {{"spy", graph, order, "-s", "n", "-o", good}, "plyxen spy: -s"},
      {{"spy", graph, "--map-file", map, "-o", good}, "plyxen spy: --map-file"},
      {{"spy", graph, order, "--tree-file", tree, "-o", good}, "plyxen spy: --tree-file needs --map-file"},
      {{"spy", "--tree", graph, order, "-o", good}, "plyxen spy: --tree with an ordering file"},
      {{"spy", graph, temporaryPath("missing.ord"), "-o", good}, "plyxen spy: cannot open file"},
      {{"spy", graph, order, "--map-file", file("bad.map", "3\n0\t0\n1\t1\n2\t0\n"), "-o", good},
       "plyxen spy: bad column-block map file"},
      {{"spy", graph, order, "--map-file", file("short.map", "3\n0\t1\n1\t1\n"), "-o", good},
       "plyxen spy: bad column-block map file"},
      {{"spy", graph, order, "--map-file", map, "--tree-file", file("split.tree", "3\n0\t-1\n1\t1\n2\t1\n"), "-o",
        good},
       "plyxen spy: bad column-block tree file"},
      {{"spy", graph, order, "--map-file", map, "--tree-file", file("loop.tree", "3\n0\t0\n1\t0\n2\t1\n"), "-o", good},
       "plyxen spy: bad column-block tree file"},
  };
  for (const auto& [arguments, prefix] : failing) {
    SCOPED_TRACE(testing::PrintToString(arguments));
    std::string error = runFailing(arguments);
    EXPECT_EQ(error.rfind("ERROR: " + prefix, 0), 0u) << error;
    EXPECT_EQ(readFile(good), "GOOD\n");
  }
}

}  // namespace
