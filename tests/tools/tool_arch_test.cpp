// plyxen arch, run as a program: every kind built and shown, the figures
// shown checked against the library's own, and the failures (one "ERROR: "
// line, status 1, no output file left).
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "arch/arch.h"
#include "tool_fixture.h"

namespace {

// The tool's fixture: runs, scratch files, the single error line.
class ToolArch : public Tool {};

// The architecture in a file, loaded by the library.
struct LoadedArch {
  Arch arch;
  explicit LoadedArch(const std::string& path) {
    archInit(&arch);
    FILE* stream = fopen(path.c_str(), "r");
    EXPECT_NE(stream, nullptr) << path;
    if (stream == nullptr) return;
    ErrorCapture capture;
    EXPECT_EQ(archLoad(&arch, stream), 0) << capture.first();
    fclose(stream);
  }
  ~LoadedArch() { archExit(&arch); }
};

// The lines of the show output after the line that begins with the header.
std::vector<std::string> linesAfter(const std::string& out, const std::string& header) {
  std::istringstream stream(out);
  std::vector<std::string> lines;
  std::string line;
  bool found = false;
  while (std::getline(stream, line)) {
    if (found) lines.push_back(line);
    if (line.rfind(header, 0) == 0) found = true;
  }
  return lines;
}

std::vector<GraphNum> numbersOf(const std::string& text) {
  std::istringstream stream(text);
  std::vector<GraphNum> numbers;
  GraphNum value;
  while (stream >> value) numbers.push_back(value);
  return numbers;
}

// What show prints must be what the library says of the file: class,
// terminal count, the two halves' terminals and every distance.
void checkShown(const std::string& architecture, const std::string& out) {
  LoadedArch loaded(architecture);
  const Arch* arch = &loaded.arch;
  EXPECT_EQ(out.rfind(std::string("class: ") + archName(arch) + "\n", 0), 0u) << out;
  if (archVar(arch) != 0) {
    EXPECT_NE(out.find("variable-sized"), std::string::npos) << out;
    return;
  }
  const GraphNum size = archSize(arch);
  EXPECT_NE(out.find("terminals: " + std::to_string(size) + "\n"), std::string::npos) << out;
  if (size > 32) return;

  std::vector<GraphNum> parts[2];
  for (int side = 0; side < 2; side++) {
    size_t at = out.find("  part " + std::to_string(side) + ":");
    if (size == 1) {
      EXPECT_EQ(at, std::string::npos);
      continue;
    }
    ASSERT_NE(at, std::string::npos) << out;
    parts[side] = numbersOf(out.substr(at + 9, out.find('\n', at) - at - 9));
  }
  std::vector<GraphNum> all = parts[0];
  all.insert(all.end(), parts[1].begin(), parts[1].end());
  std::sort(all.begin(), all.end());
  if (size > 1) {
    ASSERT_EQ(static_cast<GraphNum>(all.size()), size);
    for (GraphNum terminal = 0; terminal < size; terminal++) EXPECT_EQ(all[terminal], terminal);
    ArchDom whole, halves[2];
    archDomFirst(arch, &whole);
    archDomBipart(arch, &whole, &halves[0], &halves[1]);
    for (GraphNum terminal : parts[0]) {
      ArchDom domain;
      ASSERT_EQ(archDomTerminal(arch, &domain, terminal), 0);
      EXPECT_EQ(archDomIncludes(arch, &halves[0], &domain), 1) << terminal;
    }
  }

  std::vector<std::string> rows = linesAfter(out, "distances:");
  ASSERT_EQ(static_cast<GraphNum>(rows.size()), size) << out;
  for (GraphNum row = 0; row < size; row++) {
    std::vector<GraphNum> shown = numbersOf(rows[row]);
    ASSERT_EQ(static_cast<GraphNum>(shown.size()), size);
    ArchDom first;
    archDomTerminal(arch, &first, row);
    for (GraphNum column = 0; column < size; column++) {
      ArchDom second;
      archDomTerminal(arch, &second, column);
      EXPECT_EQ(shown[column], archDomDist(arch, &first, &second)) << row << " " << column;
    }
  }
}

TEST_F(ToolArch, EveryKindBuildsAndShows) {
  const std::vector<std::vector<std::string>> kinds = {
      {"cmplt", "16"},
      {"cmplt", "1"},
      {"cmpltw", "4", "1", "2", "3", "4"},
      {"hcub", "3"},
      {"mesh2D", "4", "4"},
      {"mesh3D", "2", "3", "2"},
      {"meshXD", "3", "2", "2", "3"},
      {"torus2D", "5", "3"},
      {"torus3D", "2", "2", "2"},
      {"torusXD", "3", "4", "4", "4"},
      {"tleaf", "2", "2", "10", "4", "1"},
      {"ltleaf", "1", "4", "3", "4", "2", "0", "3", "1"},
      {"varcmplt"},
      {"varhcub"},
      {"mesh2D", "100", "100"},
  };
  for (const std::vector<std::string>& kind : kinds) {
    SCOPED_TRACE(kind[0] + " " + std::to_string(kind.size() - 1) + " arguments");
    std::string target = path("machine.tgt");
    std::vector<std::string> arguments = {"arch", "build"};
    arguments.insert(arguments.end(), kind.begin(), kind.end());
    arguments.insert(arguments.end(), {"-o", target});
    expectSuccess(run(arguments));
    std::string text = kind[0];
    for (size_t i = 1; i < kind.size(); i++) text.append(" ").append(kind[i]);
    // The file is what the library writes of the same text.
    Arch same;
    archInit(&same);
    FILE* stream = fmemopen(text.data(), text.size(), "r");
    ASSERT_EQ(archLoad(&same, stream), 0);
    fclose(stream);
    char* buffer = nullptr;
    size_t size = 0;
    stream = open_memstream(&buffer, &size);
    archSave(&same, stream);
    fclose(stream);
    EXPECT_EQ(readFile(target), std::string(buffer, size));
    free(buffer);
    archExit(&same);
    ProgramResult shown = run({"arch", "show", target});
    expectSuccess(shown);
    checkShown(target, shown.out);
  }
}

TEST_F(ToolArch, KindsBuiltFromFiles) {
  std::string mesh = path("mesh.tgt");
  expectSuccess(run({"arch", "build", "mesh2D", "4", "2", "-o", mesh}));
  std::string sub = path("sub.tgt");
  expectSuccess(run({"arch", "build", "sub", mesh, "0", "3", "5", "-o", sub}));
  EXPECT_EQ(readFile(sub), "sub\n3 0 3 5\nmesh2D\n4 2\n");
  std::string scaled = path("dist.tgt");
  expectSuccess(run({"arch", "build", "dist", "3", sub, "-o", scaled}));
  EXPECT_EQ(readFile(scaled), "dist\n3\tsub\n3 0 3 5\nmesh2D\n4 2\n");
  ProgramResult shown = run({"arch", "show", scaled});
  expectSuccess(shown);
  checkShown(scaled, shown.out);
  EXPECT_NE(shown.out.find("  part 0: 0 2\n"), std::string::npos) << shown.out;  // mesh terminals 0 and 5

  // A decomposition to compile, written compiled.
  std::string decomposition = file("deco.txt", "0 2 3\n0 1 2\n1 1 3\n5\n");
  std::string compiled = path("deco.tgt");
  expectSuccess(run({"arch", "build", "deco", decomposition, "-o", compiled}));
  EXPECT_EQ(readFile(compiled),
            "deco\n1\n2\t3\n0\t2\t2\n0\t1\t1\n1\t1\t1\n3\t3\t5\t\n");  // a terminal and the whole: (0 + 5) / 2, rounded

  // A decomposition over a graph: a path of four vertices with loads.
  std::string graph = file("path.grf", "0\n4\t6\n0\t001\n1\t1\t1\n2\t2\t0\t2\n3\t2\t1\t3\n4\t1\t2\n");
  std::string machine = path("path.tgt");
  expectSuccess(run({"arch", "build", "deco", "--graph", graph, "-o", machine}));
  shown = run({"arch", "show", machine});
  expectSuccess(shown);
  checkShown(machine, shown.out);
  EXPECT_NE(shown.out.find("weight: 10\n"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("    0   1   2   3\n"), std::string::npos) << shown.out;  // hops along the path
}

TEST_F(ToolArch, BadFilesGiveOneErrorLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "archLoad: cannot load architecture type"},
      {"mesh5D 2 2", "archLoad: invalid architecture type"},
      {"cmplt 0", "archCmpltArchLoad: bad input"},
      {"cmpltw 2000000000 1 2 3", "archCmpltwArchLoad: bad input (2)"},
      {"hcub 31", "archHcubArchLoad: bad input"},
      {"meshXD 6 1 1 1 1 1 1", "archMeshXArchLoad: bad input (1)"},
      {"torus2D 65536 65536", "archMesh2ArchLoad: bad input"},
      {"tleaf 2 2 1", "archTleafArchLoad: bad input (2)"},
      {"ltleaf 1 2 1 2 1 1", "archLtleafArchLoad: bad input (2)"},
      {"sub 2 0 0 cmplt 4", "archSubArchBuild: cannot create sub-architecture (2)"},
      {"deco 7", "archDecoArchLoad: bad input (1)"},
      {"dist 0 cmplt 2", "archDistArchLoad: bad input"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    std::string bad = file("bad.tgt", text);
    expectFailure(runFailing({"arch", "show", bad}), message);
  }
  std::string nested;
  for (int i = 0; i < 20000; i++) nested += "dist 1 ";
  expectFailure(runFailing({"arch", "show", file("nested.tgt", nested + "cmplt 2")}),
                "archLoad: architectures nested too deeply");
  expectFailure(runFailing({"arch", "show", path("missing.tgt")}), "plyxen arch show: cannot open file");
}

TEST_F(ToolArch, BadBuildsLeaveNoFile) {
  std::string target = path("never.tgt");
  expectFailure(runFailing({"arch", "build", "cmplt", "4x", "-o", target}), "plyxen arch build: argument \"4x\"");
  expectFailure(runFailing({"arch", "build", "cmplt", "4", "5", "-o", target}),
                "plyxen arch build: more values than a \"cmplt\" architecture takes");
  expectFailure(runFailing({"arch", "build", "mesh2D", "4", "-o", target}), "archMesh2ArchLoad: bad input");
  expectFailure(runFailing({"arch", "build", "grid", "4", "-o", target}),
                "plyxen arch build: unknown architecture kind");
  expectFailure(runFailing({"arch", "build", "cmplt", "4"}), "plyxen arch build: an output file expected");
  expectFailure(runFailing({"arch", "build", "sub", path("missing"), "1", "-o", target}),
                "plyxen arch: cannot open file");
  expectFailure(runFailing({"arch", "build", "hcub", "3", "--graph", target, "-o", target}),
                "plyxen arch build: --graph and --from go with kind \"deco\" only");
  expectFailure(runFailing({"arch", "draw"}), "plyxen arch: unknown action \"draw\"");
  expectFailure(runFailing({"arch"}), "plyxen arch: build or show expected");
  EXPECT_NE(access(target.c_str(), F_OK), 0) << "a failed build left its output file";

  ProgramResult help = run({"arch", "--help"});
  expectSuccess(help);
  EXPECT_EQ(help.out.rfind("usage: plyxen arch build", 0), 0u);
  ProgramResult main = run({"--help"});
  EXPECT_NE(main.out.find("arch build KIND"), std::string::npos);
}

}  // namespace
