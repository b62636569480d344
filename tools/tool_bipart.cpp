// plyxen bipart: splits the vertices of a graph into two parts of nearly
// equal load with few edges between them, by a bipartition strategy over a
// complete graph of two terminals.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "arch/arch_cmplt.h"
#include "bgraph/bgraph.h"
#include "tool.h"

namespace {

// The default strategy: the better of two multilevel bipartitionings (each
// coarsens at random, so they differ). Each one grows the coarsest graph
// greedily three times, refining every growth by FM and keeping the best,
// then refines every finer level by FM on a band of width 3 around the
// projected frontier. A coarse vertex weighs as much as many fine ones, so
// FM gets a tolerance of a few vertex weights on the coarse levels (it
// could not move a vertex otherwise), and only graphs of 400 vertices and
// more are held to the tolerance asked for, given as the "bal" of FM (the
// part-0 load may then differ from its target by trunc(bal * load) + 1).
std::string toolBipartDefaultStrategy(double finestBal) {
  auto fm = [finestBal](double bal) {
    char text[64];
    snprintf(text, sizeof(text), "f{bal=%.17g,move=80}", std::max(bal, finestBal));
    return std::string(text);
  };
  auto band = [&fm](double bal) { return "b{width=3,bnd=" + fm(bal) + ",org=" + fm(bal) + "}"; };
  const std::string grow = "(h{pass=5}" + fm(0.03) + ")";
  const std::string multilevel = "m{vert=100,rat=0.7,low=" + grow + "|" + grow + "|" + grow + ",asc=/(vert<200)?" +
                                 band(0.015) + ":(/(vert<400)?" + band(0.008) + ":" + band(0.0) + ";);}";
  return multilevel + "|" + multilevel;
}

// The "bal" of FM that keeps each part within (1 + imbalance) times half
// the load, or half the load rounded up: the part-0 load may differ from
// its target trunc(load / 2) by delta, where 2 * delta + (load mod 2) is
// at most imbalance * load.
double toolBipartBal(double imbalance, GraphNum load) {
  if (load <= 0) return 0.0;
  const double delta = std::floor((imbalance * load - (load % 2)) / 2.0);
  return (delta >= 1.0) ? (delta - 0.5) / load : 0.0;
}

struct StrategyTree {
  Strat* strat = nullptr;
  ~StrategyTree() {
    if (strat != nullptr) stratRelease(strat);
  }
};

struct ArchRecord {
  Arch arch;
  ArchRecord() { archInit(&arch); }
  ~ArchRecord() { archExit(&arch); }
};

struct BgraphRecord {
  Bgraph bgraph = {};
  bool live = false;
  ~BgraphRecord() {
    if (live) bgraphExit(&bgraph);
  }
};

}  // namespace

int toolBipart(int argc, char** argv) {
  std::string partsPath, fromName, strategy, imbalanceText;
  bool help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("bipart", argc, argv,
                       {{"-o", &partsPath, nullptr},
                        {"-s", &strategy, nullptr},
                        {"-b", &imbalanceText, nullptr},
                        {"--from", &fromName, nullptr}},
                       &positional, &help) != 0)
    return 1;
  if (help) {
    fputs(toolUsageBipart, stdout);
    return 0;
  }
  if (positional.size() != 1) {
    errorPrint("plyxen bipart: one graph file expected (plyxen bipart --help)");
    return 1;
  }
  ToolFormat format = FORMAT_NONE;
  if (!fromName.empty() && ((format = toolFormatByName(fromName)) == FORMAT_NONE)) {
    errorPrint("plyxen bipart: unknown format \"%s\" (grf, metis or mtx)", fromName.c_str());
    return 1;
  }
  double imbalance = 0.01;
  if (!imbalanceText.empty()) {
    char* end = nullptr;
    imbalance = strtod(imbalanceText.c_str(), &end);
    if ((end == imbalanceText.c_str()) || (*end != '\0') || !(imbalance >= 0.0) || !(imbalance <= 1.0)) {
      errorPrint("plyxen bipart: invalid imbalance \"%s\" (a number from 0 to 1)", imbalanceText.c_str());
      return 1;
    }
  }

  // A strategy given is parsed and the output file created before the
  // graph is read, so that a mistake is reported at once; the default
  // strategy depends on the graph's load.
  StrategyTree tree;
  auto parse = [&tree](const std::string& text) {
    tree.strat = stratBuild(&bgraphBipartStTable, text.c_str());
    if (tree.strat != nullptr) return 0;
    errorPrint("plyxen bipart: invalid bipartition strategy");
    return 1;
  };
  if (!strategy.empty() && (parse(strategy) != 0)) return 1;
  ToolOutput partsFile;
  if (!partsPath.empty() && (partsFile.open(partsPath) != 0)) return 1;

  ToolGraph graph;
  if (toolGraphRead(&graph, positional[0], format, "bipart") != 0) return 1;
  const Graph* core = graph.core();
  if (strategy.empty() && (parse(toolBipartDefaultStrategy(toolBipartBal(imbalance, core->vertexLoadSum))) != 0))
    return 1;

  // Two terminals at distance 1 with the same weight: part 0 should carry
  // half of the load.
  ArchRecord arch;
  ArchDom whole;
  ArchDom halves[2];
  const GraphNum fixedLoads[2] = {0, 0};
  if ((archCmpltArchBuild(&arch.arch, 2) != 0) || (archDomFirst(&arch.arch, &whole) != 0) ||
      (archDomBipart(&arch.arch, &whole, &halves[0], &halves[1]) != 0))
    return 1;
  BgraphRecord bipartition;
  if (bgraphInit(&bipartition.bgraph, core, &arch.arch, halves, fixedLoads) != 0) return 1;
  bipartition.live = true;
  Bgraph& bgraph = bipartition.bgraph;

  intRandInit();
  const auto start = std::chrono::steady_clock::now();
  if (bgraphBipartSt(&bgraph, tree.strat) != 0) {
    errorPrint("plyxen bipart: cannot bipartition the graph");
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const int64_t total = core->vertexLoadSum;
  const GraphNum load0 = bgraph.part0Load;
  const GraphNum load1 = core->vertexLoadSum - load0;
  const double excess = (total > 0) ? 2.0 * std::max(load0, load1) / static_cast<double>(total) - 1.0 : 0.0;
  if (!partsPath.empty()) {
    FILE* stream = partsFile.stream();
    for (GraphNum vertex = core->base; vertex < core->vertexEnd; vertex++) {
      if (fprintf(stream, "%d\t%d\n", vertex, bgraph.parts[vertex]) < 0) {
        errorPrint("plyxen bipart: cannot write output file \"%s\"", partsPath.c_str());
        return 1;
      }
    }
    if (partsFile.commit() != 0) return 1;
  }
  printf("cut=%d load0=%d load1=%d imbalance=%.4f time=%.4f\n", bgraph.commLoad, load0, load1, excess, seconds);
  if (fflush(stdout) != 0) {
    errorPrint("plyxen: cannot write on the standard output");
    return 1;
  }
  return 0;
}
