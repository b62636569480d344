// plyxen arch: writes target architecture files from the command line and
// describes them.
//   plyxen arch build KIND ARGUMENTS... -o FILE
//   plyxen arch show FILE
#include <algorithm>
#include <cctype>
#include <cstring>

#include "arch/arch_class.h"
#include "arch/arch_deco.h"
#include "tool.h"

const char* const toolUsageArch =
    "usage: plyxen arch build KIND ARGUMENTS... -o FILE\n"
    "       plyxen arch show FILE\n"
    "\n"
    "build writes the architecture file of a target machine. The arguments of\n"
    "most kinds are the integers of the file itself:\n"
    "  cmplt N                  complete graph of N terminals\n"
    "  cmpltw N W1 ... WN       complete graph of N terminals of weights W1 ... WN\n"
    "  hcub D                   hypercube of 2^D terminals (D from 1 to 30)\n"
    "  mesh2D X Y, mesh3D X Y Z mesh of the given sizes\n"
    "  meshXD D S1 ... SD       mesh of D dimensions (1 to 5)\n"
    "  torus2D X Y, torus3D X Y Z, torusXD D S1 ... SD\n"
    "                           the same with wrap-around links\n"
    "  tleaf L F1 C1 ... FL CL  tree of L levels below its root, the nodes of level\n"
    "                           i having Fi children reached by links of cost Ci;\n"
    "                           the terminals are the leaves\n"
    "  ltleaf L F1 C1 ... FL CL N P0 ... PN-1\n"
    "                           the same, leaf i being terminal Pi\n"
    "  varcmplt, varhcub        variable-sized complete graph and hypercube\n"
    "and of the others:\n"
    "  sub FILE T1 ... TN       the terminals T1 ... TN of the architecture in FILE,\n"
    "                           numbered from 0 in that order\n"
    "  dist M FILE              the architecture in FILE, its distances times M\n"
    "  deco FILE                a decomposition: FILE holds the data that follows\n"
    "                           the class name (format 0, 1 or 2); format 0 is\n"
    "                           written compiled (format 1)\n"
    "  deco --graph GRAPH [--from FORMAT]\n"
    "                           a decomposition of the machine whose terminals are\n"
    "                           the vertices of GRAPH (weighted by their loads) and\n"
    "                           whose links are its edges; distances count links\n"
    "\n"
    "show prints the class, the terminal count and weight, the first split of the\n"
    "whole machine and, for machines of at most 32 terminals, the terminals of\n"
    "each half and the distances between all terminals.\n";

namespace {

constexpr GraphNum toolArchShowMax = 32;

struct ArchRecord {
  Arch arch;
  ArchRecord() { archInit(&arch); }
  ~ArchRecord() { archExit(&arch); }
};

// The whole content of a file.
int toolArchReadFile(const std::string& path, std::string* text) {
  FILE* stream = toolOpenInput(path, "arch");
  if (stream == nullptr) return 1;
  char buffer[65536];
  size_t count;
  while ((count = fread(buffer, 1, sizeof(buffer), stream)) > 0) text->append(buffer, count);
  bool failed = ferror(stream) != 0;
  fclose(stream);
  if (failed) {
    errorPrint("plyxen arch: cannot read file \"%s\"", path.c_str());
    return 1;
  }
  return 0;
}

bool toolArchInteger(const std::string& text) {
  size_t start = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (start == text.size()) return false;
  for (size_t index = start; index < text.size(); index++)
    if (!isdigit(static_cast<unsigned char>(text[index]))) return false;
  return true;
}

// Appends the arguments to the text, each checked to be an integer.
int toolArchAppendIntegers(std::string* text, const std::vector<std::string>& arguments, size_t first) {
  for (size_t index = first; index < arguments.size(); index++) {
    if (!toolArchInteger(arguments[index])) {
      errorPrint("plyxen arch build: argument \"%s\" is not an integer", arguments[index].c_str());
      return 1;
    }
    text->append(" ").append(arguments[index]);
  }
  return 0;
}

// Loads the architecture described by the text; everything in it must be
// read.
int toolArchLoadText(Arch* arch, const std::string& text, const std::string& kind) {
  FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (stream == nullptr) {
    errorPrint("plyxen arch build: out of memory");
    return 1;
  }
  int result = archLoad(arch, stream);
  int character = EOF;
  if (result == 0) {
    while ((character = getc(stream)) != EOF && isspace(character)) {
    }
  }
  fclose(stream);
  if (result != 0) return 1;
  if (character != EOF) {
    errorPrint("plyxen arch build: more values than a \"%s\" architecture takes", kind.c_str());
    return 1;
  }
  return 0;
}

// A decomposition over the graph in the file: vertices are terminals,
// edges are links.
int toolArchBuildGraph(Arch* arch, const std::string& path, const std::string& fromName) {
  ToolFormat format = FORMAT_NONE;
  if (toolFormatOption("arch", fromName, &format) != 0) return 1;
  ToolGraph graph;
  if (toolGraphRead(&graph, path, format, "arch") != 0) return 1;
  const Graph* core = graph.core();
  std::vector<GraphNum> links;
  for (GraphNum vertex = core->base; vertex < core->vertexEnd; vertex++)
    for (GraphNum arc = core->edgeBegin[vertex]; arc < core->edgeEnd[vertex]; arc++)
      if (core->edgeTarget[arc] > vertex) {
        links.push_back(vertex - core->base);
        links.push_back(core->edgeTarget[arc] - core->base);
      }
  const GraphNum* weights = (core->vertexLoad != nullptr) ? core->vertexLoad + core->base : nullptr;
  if (core->vertexCount < 1) {
    errorPrint("plyxen arch build: the graph has no vertex");
    return 1;
  }
  return archDeco2ArchBuild(arch, core->vertexCount, weights, static_cast<GraphNum>(links.size() / 2), links.data());
}

int toolArchBuild(int argc, char** argv) {
  std::string outputPath, graphPath, fromName;
  bool help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("arch build", argc, argv,
                       {{"-o", &outputPath, nullptr}, {"--graph", &graphPath, nullptr}, {"--from", &fromName, nullptr}},
                       &positional, &help) != 0)
    return 1;
  if (help) {
    fputs(toolUsageArch, stdout);
    return 0;
  }
  if (positional.empty()) {
    errorPrint("plyxen arch build: an architecture kind expected (plyxen arch --help)");
    return 1;
  }
  if (outputPath.empty()) {
    errorPrint("plyxen arch build: an output file expected (-o FILE)");
    return 1;
  }
  const std::string& kind = positional[0];
  if (archClass(kind.c_str(), 0) == nullptr) {
    errorPrint("plyxen arch build: unknown architecture kind \"%s\" (plyxen arch --help)", kind.c_str());
    return 1;
  }
  if ((!graphPath.empty() || !fromName.empty()) && kind != "deco") {
    errorPrint("plyxen arch build: --graph and --from go with kind \"deco\" only");
    return 1;
  }

  ArchRecord arch;
  if (!graphPath.empty()) {
    if (positional.size() != 1) {
      errorPrint("plyxen arch build: no argument expected with --graph");
      return 1;
    }
    if (toolArchBuildGraph(&arch.arch, graphPath, fromName) != 0) return 1;
  } else {
    std::string text = kind;
    std::string file;
    if (kind == "sub") {  // sub FILE T1 ... TN
      if (positional.size() < 3) {
        errorPrint("plyxen arch build: sub takes a file and at least one terminal");
        return 1;
      }
      text.append(" ").append(std::to_string(positional.size() - 2));
      if (toolArchAppendIntegers(&text, positional, 2) != 0 || toolArchReadFile(positional[1], &file) != 0) return 1;
    } else if (kind == "dist") {  // dist M FILE
      if (positional.size() != 3) {
        errorPrint("plyxen arch build: dist takes a multiplier and a file");
        return 1;
      }
      if (toolArchAppendIntegers(&text, {positional[0], positional[1]}, 1) != 0 ||
          toolArchReadFile(positional[2], &file) != 0)
        return 1;
    } else if (kind == "deco") {  // deco FILE
      if (positional.size() != 2) {
        errorPrint("plyxen arch build: deco takes a file (or --graph GRAPH)");
        return 1;
      }
      if (toolArchReadFile(positional[1], &file) != 0) return 1;
    } else if (toolArchAppendIntegers(&text, positional, 1) != 0) {
      return 1;
    }
    text.append("\n").append(file);
    if (toolArchLoadText(&arch.arch, text, kind) != 0) return 1;
  }

  ToolOutput output;
  if (output.open(outputPath) != 0 || archSave(&arch.arch, output.stream()) != 0 || output.commit() != 0) return 1;
  return 0;
}

// The terminals of a domain, in split order.
void toolArchTerminals(const Arch* arch, const ArchDom& domain, std::vector<GraphNum>* terminals) {
  std::vector<ArchDom> stack{domain};
  while (!stack.empty()) {
    ArchDom current = stack.back();
    stack.pop_back();
    ArchDom halves[2];
    if (archDomBipart(arch, &current, &halves[0], &halves[1]) != 0) {
      terminals->push_back(archDomNumber(arch, &current));
      continue;
    }
    stack.push_back(halves[1]);
    stack.push_back(halves[0]);
  }
}

int toolArchShow(int argc, char** argv) {
  bool help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("arch show", argc, argv, {}, &positional, &help) != 0) return 1;
  if (help) {
    fputs(toolUsageArch, stdout);
    return 0;
  }
  if (positional.size() != 1) {
    errorPrint("plyxen arch show: one architecture file expected (plyxen arch --help)");
    return 1;
  }
  FILE* stream = toolOpenInput(positional[0], "arch show");
  if (stream == nullptr) return 1;
  ArchRecord record;
  const Arch* arch = &record.arch;
  int result = archLoad(&record.arch, stream);
  fclose(stream);
  if (result != 0) return 1;

  ArchDom whole, halves[2];
  archDomFirst(arch, &whole);
  const bool variable = archVar(arch) != 0;
  const GraphNum size = archDomSize(arch, &whole);
  printf("class: %s\n", archName(arch));
  if (variable)
    printf("terminals: any number (variable-sized)\n");
  else
    printf("terminals: %d\nweight: %d\n", size, archDomWeight(arch, &whole));
  if (archDomBipart(arch, &whole, &halves[0], &halves[1]) != 0) {
    printf("split: none (one terminal)\n");
  } else if (variable) {
    printf("split: domains %d and %d\n", archDomNumber(arch, &halves[0]), archDomNumber(arch, &halves[1]));
  } else {
    auto terminalCount = [arch](const ArchDom& domain) {
      GraphNum count = archDomSize(arch, &domain);
      return std::to_string(count) + ((count == 1) ? " terminal" : " terminals");
    };
    printf("split: %s (weight %d) and %s (weight %d), %d apart\n", terminalCount(halves[0]).c_str(),
           archDomWeight(arch, &halves[0]), terminalCount(halves[1]).c_str(), archDomWeight(arch, &halves[1]),
           archDomDist(arch, &halves[0], &halves[1]));
    if (size <= toolArchShowMax) {
      for (int side = 0; side < 2; side++) {
        std::vector<GraphNum> terminals;
        toolArchTerminals(arch, halves[side], &terminals);
        std::sort(terminals.begin(), terminals.end());
        printf("  part %d:", side);
        for (GraphNum terminal : terminals) printf(" %d", terminal);
        printf("\n");
      }
    }
  }
  if (!variable && size <= toolArchShowMax) {
    std::vector<ArchDom> terminals(static_cast<size_t>(size));
    for (GraphNum terminal = 0; terminal < size; terminal++) archDomTerminal(arch, &terminals[terminal], terminal);
    printf("distances:\n");
    for (GraphNum row = 0; row < size; row++) {
      printf(" ");
      for (GraphNum column = 0; column < size; column++)
        printf(" %3d", archDomDist(arch, &terminals[row], &terminals[column]));
      printf("\n");
    }
  }
  if (fflush(stdout) != 0 || ferror(stdout) != 0) {
    errorPrint("plyxen: cannot write on the standard output");
    return 1;
  }
  return 0;
}

}  // namespace

int toolArch(int argc, char** argv) {
  if (argc < 1) {
    errorPrint("plyxen arch: build or show expected (plyxen arch --help)");
    return 1;
  }
  const std::string action = argv[0];
  if (action == "--help" || action == "-h") {
    fputs(toolUsageArch, stdout);
    return 0;
  }
  if (action == "build") return toolArchBuild(argc - 1, argv + 1);
  if (action == "show") return toolArchShow(argc - 1, argv + 1);
  errorPrint("plyxen arch: unknown action \"%s\" (build or show)", action.c_str());
  return 1;
}
