// plyxen: command-line access to the ordering library.
//   plyxen order GRAPH [-o ORDER] [--map FILE] [--tree FILE] [-s STRATEGY | --interface | --quality] [--threads N] [--stats] [--verbose]
//   plyxen stats GRAPH ORDER
//   plyxen convert IN OUT [--from FORMAT] [--to FORMAT]
//   plyxen bipart GRAPH [-s STRATEGY] [-o PARTS] [-b IMBALANCE]
//   plyxen spy GRAPH [ORDER] -o FILE.svg [--tree] ...
//   plyxen partition GRAPH K [-s STRATEGY] [-b IMBALANCE] [-o PARTS]
//   plyxen map GRAPH ARCHFILE [-s STRATEGY] [-b IMBALANCE] [-o PARTS]
//   plyxen arch build KIND ARGUMENTS... -o FILE, plyxen arch show FILE
#include <cstring>

#include "front/elimord.h"
#include "tool.h"

const char* const toolUsageMain =
    "usage: plyxen COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  order GRAPH [-o ORDER] [--map FILE] [--tree FILE] [-s STRATEGY | --interface | --quality]\n"
    "        [--threads N] [--stats] [--verbose]\n"
    "      order a graph for sparse Cholesky factorization\n"
    "  stats GRAPH ORDER\n"
    "      figures of the factor of a graph under an ordering file\n"
    "  convert IN OUT [--from FORMAT] [--to FORMAT]\n"
    "      convert a graph between the graph file format (.grf), the METIS\n"
    "      graph format (.graph, .metis) and Matrix Market coordinate files (.mtx)\n"
    "  bipart GRAPH [-s STRATEGY] [-o PARTS] [-b IMBALANCE]\n"
    "      split a graph in two parts of nearly equal load with a small edge cut\n"
    "  spy GRAPH [ORDER] -o FILE.svg [--tree]\n"
    "      picture of the matrix, reordered, and of its factor and fill, or\n"
    "      of the column-block tree (SVG)\n"
    "  partition GRAPH K [-s STRATEGY] [-b IMBALANCE] [-o PARTS]\n"
    "      partition a graph into K parts of balanced loads with a small edge cut\n"
    "  map GRAPH ARCHFILE [-s STRATEGY] [-b IMBALANCE] [-o PARTS]\n"
    "      map a graph onto the terminals of a target architecture\n"
    "  arch build KIND ARGUMENTS... -o FILE\n"
    "  arch show FILE\n"
    "      write the architecture file of a target machine (complete graph,\n"
    "      mesh, torus, hypercube, tree, decomposition...), or describe one\n"
    "\n"
    "plyxen COMMAND --help describes a command. An output file named \"-\" is\n"
    "the standard output. Failures print one line beginning with \"ERROR: \"\n"
    "and end with status 1.\n";

const char* const toolUsageOrder =
    "usage: plyxen order GRAPH [-o ORDER] [--map FILE] [--tree FILE] [-s STRATEGY | --interface | --quality]\n"
    "                    [--threads N] [--stats] [--verbose] [--from FORMAT]\n"
    "\n"
    "Orders the vertices of GRAPH (a graph file, METIS graph or Matrix Market\n"
    "file, by extension or --from grf|metis|mtx) with an ordering strategy.\n"
    "\n"
    "  -o ORDER       write the ordering file (vertex and position per line);\n"
    "                 \"-\" for any of the three files is the standard output\n"
    "  --map FILE     write the column-block map file (column block of each vertex)\n"
    "  --tree FILE    write the column-block tree file (father block of each vertex's block)\n"
    "  -s STRATEGY    ordering strategy; the default is the recommended strategy\n"
    "                 (docs/guide.md), less fill than the solver interface's on\n"
    "                 large meshes and graphs of hubs; it runs on several threads,\n"
    "                 and on 2 cores takes about 1.0 to 1.4 times the interface's\n"
    "                 elapsed time (1.9 to 2.5 times its processor time)\n"
    "  --interface    the solver interface's strategy\n"
    "  --quality      a strategy that spends about twice the recommended one's\n"
    "                 time for less fill\n"
    "  --threads N    at most N threads (the machine's cores at most; 16 by\n"
    "                 default): the recommended and quality strategies give the\n"
    "                 same ordering on any number; in a strategy text, every\n"
    "                 thrd=K with K at least 1 becomes thrd=N\n"
    "  --stats        print one line of figures: vertices, edges, column blocks\n"
    "                 (blocks), supernodes of the factor, off-diagonal nonzeros of the\n"
    "                 factor (nnzL), operation count (opc, sum of squared column\n"
    "                 counts), elimination tree height and ordering time in seconds;\n"
    "                 on the standard error stream when a file goes to the standard output\n"
    "  --verbose      on a run longer than two seconds, tell the phase (reading,\n"
    "                 ordering, writing, statistics) and its time every two seconds\n";

const char* const toolUsageStats =
    "usage: plyxen stats GRAPH ORDER [--from FORMAT]\n"
    "\n"
    "Prints one line of figures of the Cholesky factor of GRAPH under the\n"
    "ordering file ORDER: vertices, edges, supernodes of the factor, off-diagonal\n"
    "nonzeros (nnzL), operation count (opc) and elimination tree height.\n";

const char* const toolUsageConvert =
    "usage: plyxen convert IN OUT [--from FORMAT] [--to FORMAT]\n"
    "\n"
    "Converts a graph between formats, chosen by the file extensions or by\n"
    "--from and --to:\n"
    "  grf    graph file format (.grf)\n"
    "  metis  METIS graph format (.graph, .metis), with vertex and edge weights\n"
    "  mtx    Matrix Market coordinate file (.mtx): pattern, real, integer or\n"
    "         complex, general, symmetric, skew-symmetric or hermitian; the\n"
    "         graph is the pattern of A + A^T without the diagonal. Written as a\n"
    "         symmetric pattern.\n"
    "OUT \"-\" writes on the standard output (name the format with --to).\n";

const char* const toolUsageBipart =
    "usage: plyxen bipart GRAPH [-s STRATEGY] [-o PARTS] [-b IMBALANCE] [--from FORMAT]\n"
    "\n"
    "Splits the vertices of GRAPH (a graph file, METIS graph or Matrix Market\n"
    "file, by extension or --from grf|metis|mtx) into part 0 and part 1 of\n"
    "nearly equal load with a small edge cut, and prints one line of figures:\n"
    "the cut (edge loads across the parts), the load of each part, the\n"
    "imbalance (largest part load over half the load, minus 1) and the\n"
    "bipartitioning time in seconds.\n"
    "\n"
    "  -o PARTS       write the parts file (vertex and its part, 0 or 1, per line)\n"
    "  -s STRATEGY    bipartition strategy; the default is multilevel\n"
    "                 bipartitioning (see the user's guide)\n"
    "  -b IMBALANCE   largest imbalance allowed, from 0 to 1 (default 0.01): no part\n"
    "                 may carry more than (1 + IMBALANCE) times half the load, or\n"
    "                 half the load rounded up\n";
const char* const toolUsagePartition =
    "usage: plyxen partition GRAPH K [-s STRATEGY] [-b IMBALANCE] [-o PARTS] [--from FORMAT]\n"
    "\n"
    "Partitions the vertices of GRAPH into K parts whose loads stay within\n"
    "IMBALANCE of the average while the load of the cut edges is small, and\n"
    "prints one line: the cut edge load (cut), the communication load (comm,\n"
    "the same for a partition), the imbalance (largest part load over the\n"
    "average, minus 1), the number of non-empty parts (parts) and the time in\n"
    "seconds. Parts may stay empty when K exceeds the vertex count.\n"
    "\n"
    "  -s STRATEGY    mapping strategy; the default is the library's default\n"
    "                 strategy for IMBALANCE (see docs/guide.md)\n"
    "  -b IMBALANCE   allowed imbalance ratio of the default strategy (0.05)\n"
    "  -o PARTS       write the parts file: one \"vertex part\" line per vertex\n";

const char* const toolUsageMap =
    "usage: plyxen map GRAPH ARCHFILE [-s STRATEGY] [-b IMBALANCE] [-o PARTS] [--from FORMAT]\n"
    "\n"
    "Maps the vertices of GRAPH onto the terminals of the target architecture\n"
    "described in ARCHFILE, keeping each terminal's load within IMBALANCE of\n"
    "its share while the communication load (edge loads times the distances\n"
    "between the terminals of their ends) is small, and prints one line: cut,\n"
    "comm, imbalance, parts and time, as plyxen partition does.\n"
    "\n"
    "  -s STRATEGY    mapping strategy; the default is the library's default\n"
    "                 strategy for IMBALANCE (see docs/guide.md)\n"
    "  -b IMBALANCE   allowed imbalance ratio of the default strategy (0.05)\n"
    "  -o PARTS       write the parts file: one \"vertex terminal\" line per vertex\n";

int main(int argc, char** argv) {
  toolProcessInit();
  if (argc < 2) {
    errorPrint("plyxen: no command given (plyxen --help lists the commands)");
    return 1;
  }
  const char* command = argv[1];
  if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0 || strcmp(command, "help") == 0) {
    fputs(toolUsageMain, stdout);
    return 0;
  }
  if (strcmp(command, "order") == 0) return toolOrder(argc - 2, argv + 2);
  if (strcmp(command, "stats") == 0) return toolStats(argc - 2, argv + 2);
  if (strcmp(command, "convert") == 0) return toolConvert(argc - 2, argv + 2);
  if (strcmp(command, "bipart") == 0) return toolBipart(argc - 2, argv + 2);
  if (strcmp(command, "spy") == 0) return toolSpy(argc - 2, argv + 2);
  if (strcmp(command, "partition") == 0) return toolPartition(argc - 2, argv + 2);
  if (strcmp(command, "map") == 0) return toolMap(argc - 2, argv + 2);
  if (strcmp(command, "arch") == 0) return toolArch(argc - 2, argv + 2);
  errorPrint("plyxen: unknown command \"%s\" (plyxen --help lists the commands)", command);
  return 1;
}
