// The tool's readers on files that lie or break the formats: each fault is
// one error line that names the file (and the line where there is one),
// whether the file can be measured or comes through a pipe; a header's
// counts never decide the memory taken; an empty graph goes through every
// command and back.
#include <sstream>

#include "tool_fixture.h"

namespace {

using namespace std::string_literals;

const std::string kBanner = "%%MatrixMarket matrix coordinate pattern general\n";

struct Fault {
  const char* name;  // the extension tells the format
  std::string text;
  const char* message;  // part of the message when the file can be measured
};

const std::vector<Fault>& faults() {
  static const std::vector<Fault> list{
      // Matrix Market: counts that lie or do not fit
      {"mm.mtx", kBanner + "5 5 2147483647\n1 2\n", "(line 2: 2147483647 entries announced, more than a 5 x 5"},
      {"mm.mtx", kBanner + "2147483646 2147483646 0\n", "(line 2: 2147483646 rows for 0 entries"},
      {"mm.mtx", kBanner + "2147483647 2147483647 0\n", "(line 2: too many rows)"},
      {"mm.mtx", kBanner + "9 9 20\n1 2\n", "(line 2: 20 entries announced, more than the"},
      {"mm.mtx", "%%MatrixMarket matrix coordinate real symmetric\n3 3 7\n", "more than a 3 x 3 symmetric matrix"},
      {"mm.mtx", kBanner + "3 3 -1\n", "(line 2: negative number in the size line"},
      {"mm.mtx", kBanner + "3 3 4294967297\n", "(line 2: number out of the 32-bit range"},
      {"mm.mtx", kBanner + "3 4 1\n1 2\n", "(line 2: the matrix is not square (3 x 4))"},
      {"mm.mtx", kBanner + "3 3\n", "(line 2: the size line holds"},
      {"mm.mtx", kBanner + "3 3 1 1\n1 2\n", "(line 2: the size line holds"},
      // Matrix Market: banner and entries
      {"mm.mtx", "3 3 1\n1 2\n", "(line 1: no \"%%MatrixMarket\" banner)"},
      {"mm.mtx", "%%MatrixMarket matrix array real general\n2 2\n1\n2\n3\n4\n", "(line 1: dense \"array\" files"},
      {"mm.mtx", "%%MatrixMarket vector coordinate real general\n2 2 1\n1 2 1\n", "(line 1: only matrices"},
      {"mm.mtx", "%%MatrixMarket matrix coordinate octonion general\n2 2 1\n1 2\n", "unknown field type"},
      {"mm.mtx", "%%MatrixMarket matrix coordinate real lower\n2 2 1\n1 2 1\n", "unknown symmetry"},
      {"mm.mtx", "%%MatrixMarket matrix coordinate real\n2 2 1\n1 2 1\n", "(line 1: the banner holds"},
      {"mm.mtx", kBanner + "% comment\n3 3 1\n0 2\n", "(line 4: row or column index 0 outside 1..3)"},
      {"mm.mtx", kBanner + "3 3 1\n1 -2\n", "(line 3: row or column index -2 outside 1..3)"},
      {"mm.mtx", kBanner + "3 3 1\n1 99999999999\n", "(line 3: row or column index 99999999999 outside"},
      {"mm.mtx", kBanner + "3 3 1\n1 2x\n", "(line 3: invalid row or column index \"2x\")"},
      {"mm.mtx", kBanner + "3 3 1\n1 2 3\n", "(line 3: wrong number of fields"},
      {"mm.mtx", "%%MatrixMarket matrix coordinate real general\n3 3 1\n1 2 one\n", "(line 3: invalid value \"one\")"},
      {"mm.mtx", "%%MatrixMarket matrix coordinate integer general\n3 3 1\n1 2 1.5\n", "invalid value \"1.5\""},
      {"mm.mtx", "%%MatrixMarket matrix coordinate complex general\n3 3 1\n1 2 1.5\n", "wrong number of fields"},
      {"mm.mtx", kBanner + "3 3 1\n1 2\n2 3\n", "(line 4: data after the last entry)"},
      {"mm.mtx", kBanner + "3 3 1\n1 2\n%\nx\n", "(line 5: data after the last entry)"},
      {"mm.mtx", kBanner + "3 3 1\n1\t2\001\n", "(line 3: unexpected control character (code 1))"},
      {"mm.mtx", "", "(empty file)"},
      // METIS
      {"metis.graph", "2147483647 0\n", "(line 1: too many vertices)"},
      {"metis.graph", "2147483646 2147483646\n", "(line 1: too many edges)"},
      {"metis.graph", "1000000 1000000\n2\n1\n", "(line 1: the header announces 1000000 vertices and 1000000 edges"},
      {"metis.graph", "3 -2\n2\n1 3\n2\n", "(line 1: negative count in the header)"},
      {"metis.graph", "3 99999999999\n", "(line 1: edge count 99999999999 out of the 32-bit range)"},
      {"metis.graph", "% comment\n3 2 011 1 7\n", "(line 2: more than four numbers in the header)"},
      {"metis.graph", "3 2 2\n", "(line 1: invalid format field \"2\")"},
      {"metis.graph", "3 2 10 2\n", "(line 1: more than one weight per vertex"},
      {"metis.graph", "3 2\n2\n1 3 x\n2\n", "(line 3: invalid neighbour \"x\")"},
      {"metis.graph", "3 2\n2\n1 4\n2\n", "(line 3: neighbour 4 outside 1..3)"},
      {"metis.graph", "3 2\n2\n1 -3\n2\n", "(line 3: neighbour -3 outside 1..3)"},
      {"metis.graph", "3 2\n2\n1 3\n2\n1\n", "(line 5: data after the last vertex)"},
      {"metis.graph", "3 2 1\n2 1\n1 1 3    \n2 1\n", "(line 3: neighbour without edge weight)"},
      {"metis.graph", "3 2 10\n1 2\nx 1 3\n1 2\n", "(line 3: invalid vertex weight \"x\")"},
      {"metis.graph", "3 2 10\n1 2\n3000000000 1 3\n1 2\n", "(line 3: vertex weight 3000000000 out of the 32-bit"},
      {"metis.graph", "3 2\n2\n1 3\n%%%%%%%%\n", "(3 vertex lines expected, 2 found)"},
      {"metis.graph", "3 3\n2\n1 3\n2\n%%%%\n", "(the header announces 3 edges, the adjacency lists hold 4 arcs)"},
      {"metis.graph", "3 2\n2\n1 3\n\0002\n"s, "(line 4: unexpected control character (code 0))"},
      {"metis.graph", "3 2 10\n2147483647 2\n2147483647 1 3\n1 2\n", "(weight sum out of the 32-bit range)"},
      {"metis.graph", "3 2\n2\n1 3\n3\n", "graphCheck:"},  // one-way edges
      // Graph file: counts the file cannot hold
      {"g.grf", "0\n2147483647 2147483646\n0\t000\n1\t0\n", "(the header announces 2147483647 vertices"},
      {"g.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n7\n", "graphLoad: unexpected data after the last vertex"},
      {"g.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t4294967297\n", "(line 6: number out of the 32-bit range)"},
      {"g.grf", "0\n3\t4\n0\t000\n1\t1\n2\t0\t2\n1\t1\n\001", "graphLoad: unexpected data after the last vertex"},
  };
  return list;
}

std::string formatOf(const std::string& name) {
  std::string extension = name.substr(name.rfind('.') + 1);
  return extension == "graph" ? "metis" : extension;
}

// A 2D grid of width x height as a METIS file, neighbours in increasing order.
std::string metisGrid(int width, int height) {
  std::ostringstream text;
  text << width * height << " " << 2 * width * height - width - height << "\n";
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      const char* separator = "";
      auto neighbour = [&](int v) {
        text << separator << v + 1;
        separator = " ";
      };
      if (y > 0) neighbour((y - 1) * width + x);
      if (x > 0) neighbour(y * width + x - 1);
      if (x + 1 < width) neighbour(y * width + x + 1);
      if (y + 1 < height) neighbour((y + 1) * width + x);
      text << "\n";
    }
  return text.str();
}

}  // namespace

TEST_F(Tool, ReaderFaultsNameTheFileAndLine) {
  const std::string out = path("out.grf");
  for (const Fault& fault : faults()) {
    SCOPED_TRACE(testing::PrintToString(fault.text));
    const std::string input = file(fault.name, fault.text);
    ProgramResult measured = runFailing({"convert", input, out});
    expectFailure(measured);
    EXPECT_NE(measured.err.find(fault.message), std::string::npos) << measured.err;
    // The library's own loaders and checks report without the file name.
    if (std::string(fault.message).rfind("graph", 0) != 0) {
      EXPECT_NE(measured.err.find("\"" + input + "\""), std::string::npos) << measured.err;
    }
    // Through a pipe the size is not known in advance: the same files are
    // refused from what they hold.
    Started piped = start({"order", "--from", formatOf(fault.name), "/dev/stdin", "-o", out}, fault.text);
    expectFailure(resultOf(finish(piped)));
    EXPECT_NE(access(out.c_str(), F_OK), 0);
  }
}

// Under an address-space limit far below what the headers announce, lying
// headers are refused by their message, not by running out of memory; a
// real file of a few megabytes goes through within a small multiple of
// its size.
TEST_F(Tool, MemoryFollowsTheInputNotItsHeader) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
#endif
  const size_t limit = size_t{64} << 20;
  const std::string out = path("out.grf");
  for (const Fault& fault : faults()) {
    SCOPED_TRACE(testing::PrintToString(fault.text));
    const std::string input = file(fault.name, fault.text);
    Ended measured = finish(start({"convert", input, out}, "", limit));
    expectFailure(resultOf(measured));
    EXPECT_NE(measured.err.find(fault.message), std::string::npos) << measured.err;
    Ended piped = finish(start({"convert", "--from", formatOf(fault.name), "/dev/stdin", out}, fault.text, limit));
    expectFailure(resultOf(piped));
    EXPECT_EQ(piped.err.find("out of memory"), std::string::npos) << piped.err;
  }

  const std::string grid = file("grid.graph", metisGrid(400, 400));
  const std::string market = path("grid.mtx");
  const std::string back = path("back.graph");
  const size_t fileLimit = (size_t{16} << 20) + 8 * readFile(grid).size();
  for (const auto& [from, to] : {std::pair{grid, market}, std::pair{market, back}}) {
    Ended converted = finish(start({"convert", from, to}, "", fileLimit, true));
    EXPECT_EQ(converted.status, 0) << converted.err;
  }
  EXPECT_TRUE(readFile(back) == readFile(grid));
}

// The ordering file of an empty graph is its count alone; the tool writes
// and reads it back, from every format.
TEST_F(Tool, EmptyGraphsRoundTrip) {
  for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
           {"empty.grf", "0\n0\t0\n0\t000\n"}, {"empty.graph", "0 0\n"}, {"empty.mtx", kBanner + "0 0 0\n"}}) {
    SCOPED_TRACE(name);
    const std::string graph = file(name, text);
    const std::string order = path("empty.ord");
    const std::string map = path("empty.map");
    const std::string tree = path("empty.tree");
    ProgramResult ordered = run({"order", graph, "-o", order, "--map", map, "--tree", tree, "--stats"});
    EXPECT_EQ(ordered.status, 0) << ordered.err;
    EXPECT_EQ(ordered.out.rfind("vertices=0 edges=0 blocks=0 ", 0), 0u) << ordered.out;
    for (const std::string& written : {order, map, tree}) EXPECT_EQ(readFile(written), "0\n");
    ProgramResult again = run({"stats", graph, order});
    expectSuccess(again);
    EXPECT_EQ(again.out.rfind("vertices=0 edges=0 supernodes=0 nnzL=0 ", 0), 0u) << again.out;
    // Anything after the count is refused.
    expectFailure(runFailing({"stats", graph, file("extra.ord", "0\n0\t0\n")}), "orderLoad: unexpected data after the last vertex");
  }
}
