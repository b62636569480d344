/* plyxen: graph partitioning, static mapping and fill-reducing ordering of
 * sparse symmetric matrices, driven by strategy strings.
 *
 * This is the only header a user includes. Every operation returns 0 on
 * success and a non-zero value on failure; failures are reported on the
 * standard error stream as one line beginning with "ERROR: ", after which
 * the process ends with status 1, unless the caller chose the return mode
 * (PLYXEN_errorModeSet below). Arrays are passed from their first
 * element; vertex numbers and positions count from the graph's base. */
#ifndef PLYXEN_H
#define PLYXEN_H

#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PLYXEN_Num;

/* Opaque handles, sized to hold the library's records. */
typedef struct PLYXEN_Graph_ {
  double opaque[13];
} PLYXEN_Graph;

typedef struct PLYXEN_Strat_ {
  double opaque[1];
} PLYXEN_Strat;

typedef struct PLYXEN_Ordering_ {
  double opaque[12];
} PLYXEN_Ordering;

typedef struct PLYXEN_Arch_ {
  double opaque[19];
} PLYXEN_Arch;

/* Flags of PLYXEN_stratGraphOrderBuild. */
#define ORDER_FLAG_ONE_SEPARATOR_METHOD 0x0002 /* a single multilevel separation */
#define ORDER_FLAG_LEVEL_CAP 0x1000           /* dissect only while levl < level count */
#define ORDER_FLAG_LEVEL_FLOOR 0x2000         /* dissect at least while levl < level count */
#define ORDER_FLAG_LEVEL_ONLY 0x3000          /* dissect exactly while levl < level count */
#define ORDER_FLAG_SIMPLE_LEAVES 0x4000       /* order leaves with the simple method */
#define ORDER_FLAG_SIMPLE_SEPARATORS 0x8000   /* order separators with the simple method */
#define ORDER_FLAG_WRAPPED 0x10000            /* wrap the strategy in connected components */

/* Messages. In the exit mode (the default, that of the programs) a failure
 * prints one "ERROR: " line on the standard error stream and ends the
 * process with status 1. In the return mode the failing operation returns
 * 1 instead, and its messages are recorded for the calling thread, the
 * innermost first: PLYXEN_errorLast gives those recorded since the last
 * PLYXEN_errorClear, one per line (each message is one line: control
 * characters are escaped as \n, \t, \xHH), or "" when there are none; the
 * text stays valid until the thread's next call of these operations or
 * next failure. A thread keeps its latest 32 messages. A handler, when set,
 * receives every message (kind PLYXEN_MESSAGE_ERROR or
 * PLYXEN_MESSAGE_WARNING, without the "ERROR: " prefix) in place of the
 * standard error stream, in either mode and from the failing thread; a
 * null handler restores the stream. PLYXEN_errorModeSet returns the
 * previous mode, or -1 for an unknown mode. */
#define PLYXEN_ERROR_EXIT 0
#define PLYXEN_ERROR_RETURN 1
#define PLYXEN_MESSAGE_ERROR 1
#define PLYXEN_MESSAGE_WARNING 2
typedef void (*PLYXEN_MessageHandler)(int kind, const char* message, void* data);
int PLYXEN_errorModeSet(int mode);
void PLYXEN_errorHandlerSet(PLYXEN_MessageHandler handler, void* data);
const char* PLYXEN_errorLast(void);
void PLYXEN_errorClear(void);

/* Flags of PLYXEN_stratGraphMapBuild. */
#define MAP_FLAG_DEFAULT 0x0000 /* the default mapping strategy (docs/guide.md) */
#define MAP_FLAG_QUALITY 0x0001 /* the best of four bipartitions at every split, longer refinement */
#define MAP_FLAG_SPEED 0x0002   /* one bipartition per split, at most two refinement passes per level */
#define MAP_FLAG_SAFETY 0x0008  /* refine whole levels rather than a band around the frontier */

/* Graphs. */
PLYXEN_Graph* PLYXEN_graphAlloc(void);
int PLYXEN_graphRecordSize(void);
int PLYXEN_graphInit(PLYXEN_Graph* graph);
void PLYXEN_graphExit(PLYXEN_Graph* graph);
void PLYXEN_graphFree(PLYXEN_Graph* graph);
int PLYXEN_graphLoad(PLYXEN_Graph* graph, FILE* stream, PLYXEN_Num base, PLYXEN_Num flags);
int PLYXEN_graphSave(const PLYXEN_Graph* graph, FILE* stream);
int PLYXEN_graphBuild(PLYXEN_Graph* graph, PLYXEN_Num base, PLYXEN_Num vertexCount, const PLYXEN_Num* vertexBegin,
                      const PLYXEN_Num* vertexEnd, const PLYXEN_Num* vertexLoad, const PLYXEN_Num* vertexLabel,
                      PLYXEN_Num arcCount, const PLYXEN_Num* arcEnd, const PLYXEN_Num* arcLoad);
void PLYXEN_graphSize(const PLYXEN_Graph* graph, PLYXEN_Num* vertexCount, PLYXEN_Num* arcCount);
void PLYXEN_graphData(const PLYXEN_Graph* graph, PLYXEN_Num* base, PLYXEN_Num* vertexCount,
                      PLYXEN_Num** vertexBegin, PLYXEN_Num** vertexEnd, PLYXEN_Num** vertexLoad,
                      PLYXEN_Num** vertexLabel, PLYXEN_Num* arcCount, PLYXEN_Num** arcEnd, PLYXEN_Num** arcLoad);
void PLYXEN_graphStat(const PLYXEN_Graph* graph, PLYXEN_Num* vertexLoadMin, PLYXEN_Num* vertexLoadMax,
                      PLYXEN_Num* vertexLoadSum, double* vertexLoadAverage, double* vertexLoadDeviation,
                      PLYXEN_Num* degreeMin, PLYXEN_Num* degreeMax, double* degreeAverage, double* degreeDeviation,
                      PLYXEN_Num* edgeLoadMin, PLYXEN_Num* edgeLoadMax, PLYXEN_Num* edgeLoadSum,
                      double* edgeLoadAverage, double* edgeLoadDeviation);
/* Consistency check: arc ends in range, no loops, no repeated arcs, every
 * arc matched by its reverse with the same load, positive loads and sums
 * that agree with the arrays. Reports the first fault and returns 1. */
int PLYXEN_graphCheck(const PLYXEN_Graph* graph);

/* METIS graph files and Matrix Market coordinate files. The loaders read
 * the whole stream into a well-formed graph that owns its arrays (released
 * by PLYXEN_graphExit), in base, or in the formats' own base 1 when base is
 * -1; METIS flags drop vertex weights (1) and edge weights (2). A Matrix
 * Market file gives the pattern of A + A^T without its diagonal, whatever
 * its field and symmetry. The writers number vertices from 1 and keep no
 * labels; Matrix Market files are written as symmetric patterns. */
int PLYXEN_graphLoadMetis(PLYXEN_Graph* graph, FILE* stream, PLYXEN_Num base, PLYXEN_Num flags);
int PLYXEN_graphSaveMetis(const PLYXEN_Graph* graph, FILE* stream);
int PLYXEN_graphLoadMatrixMarket(PLYXEN_Graph* graph, FILE* stream, PLYXEN_Num base);
int PLYXEN_graphSaveMatrixMarket(const PLYXEN_Graph* graph, FILE* stream);

/* Strategies. */
int PLYXEN_stratInit(PLYXEN_Strat* strat);
void PLYXEN_stratExit(PLYXEN_Strat* strat);
void PLYXEN_stratFree(PLYXEN_Strat* strat);
int PLYXEN_stratSave(const PLYXEN_Strat* strat, FILE* stream);
int PLYXEN_stratGraphOrder(PLYXEN_Strat* strat, const char* text);
int PLYXEN_stratGraphOrderBuild(PLYXEN_Strat* strat, PLYXEN_Num flags, PLYXEN_Num levelCount, double balanceRatio);

/* Texts of the named ordering strategies, to parse with
 * PLYXEN_stratGraphOrder (docs/guide.md explains them): the solver
 * interface's strategy; the recommended one, the default of "plyxen
 * order", less fill on large meshes and on graphs of hubs at about 1.3
 * times the interface's time; the quality one, less fill again at about
 * twice the recommended one's time. Null for an unknown kind. */
#define ORDER_STRATEGY_INTERFACE 0
#define ORDER_STRATEGY_RECOMMENDED 1
#define ORDER_STRATEGY_QUALITY 2
const char* PLYXEN_stratGraphOrderText(int kind);

/* Orderings. An optional array counts as absent when it is null or equal to
 * the graph handle. */
int PLYXEN_graphOrderInit(const PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, PLYXEN_Num* permutation,
                          PLYXEN_Num* inversePermutation, PLYXEN_Num* columnBlockCount, PLYXEN_Num* rangeArray,
                          PLYXEN_Num* treeArray);
void PLYXEN_graphOrderExit(const PLYXEN_Graph* graph, PLYXEN_Ordering* ordering);
int PLYXEN_graphOrderLoad(const PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, FILE* stream);
int PLYXEN_graphOrderSave(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering, FILE* stream);
int PLYXEN_graphOrderSaveMap(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering, FILE* stream);
int PLYXEN_graphOrderSaveTree(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering, FILE* stream);
int PLYXEN_graphOrderCheck(const PLYXEN_Graph* graph, const PLYXEN_Ordering* ordering);
int PLYXEN_graphOrderCompute(PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, PLYXEN_Strat* strat);
int PLYXEN_graphOrderComputeList(PLYXEN_Graph* graph, PLYXEN_Ordering* ordering, PLYXEN_Num listCount,
                                 const PLYXEN_Num* list, PLYXEN_Strat* strat);
int PLYXEN_graphOrder(PLYXEN_Graph* graph, PLYXEN_Strat* strat, PLYXEN_Num* permutation,
                      PLYXEN_Num* inversePermutation, PLYXEN_Num* columnBlockCount, PLYXEN_Num* rangeArray,
                      PLYXEN_Num* treeArray);
int PLYXEN_graphOrderList(PLYXEN_Graph* graph, PLYXEN_Num listCount, const PLYXEN_Num* list, PLYXEN_Strat* strat,
                          PLYXEN_Num* permutation, PLYXEN_Num* inversePermutation, PLYXEN_Num* columnBlockCount,
                          PLYXEN_Num* rangeArray, PLYXEN_Num* treeArray);

/* Target architectures: terminals (processors) with distances between them,
 * onto which graphs are mapped. A record is cleared by PLYXEN_archInit, then
 * filled once by PLYXEN_archLoad or one builder, and released by
 * PLYXEN_archExit (which leaves it to be initialised again). */
PLYXEN_Arch* PLYXEN_archAlloc(void);
int PLYXEN_archRecordSize(void);
int PLYXEN_archInit(PLYXEN_Arch* arch);
void PLYXEN_archExit(PLYXEN_Arch* arch);
int PLYXEN_archLoad(PLYXEN_Arch* arch, FILE* stream);
int PLYXEN_archSave(const PLYXEN_Arch* arch, FILE* stream);
/* Class name as written in files; "" for a cleared record. */
const char* PLYXEN_archName(const PLYXEN_Arch* arch);
/* Terminal count (1 for a variable-sized architecture, 0 for a cleared record). */
PLYXEN_Num PLYXEN_archSize(const PLYXEN_Arch* arch);
/* 1 when the architecture has no fixed number of terminals. */
int PLYXEN_archVar(const PLYXEN_Arch* arch);
/* Complete graph of terminalCount terminals, all at distance 1. */
int PLYXEN_archCmplt(PLYXEN_Arch* arch, PLYXEN_Num terminalCount);
/* Complete graph of terminalCount terminals of the given weights (each at
 * least 1): a mapping gives each terminal a share of the work in
 * proportion to its weight. */
int PLYXEN_archCmpltw(PLYXEN_Arch* arch, PLYXEN_Num terminalCount, const PLYXEN_Num* weights);
/* Hypercube of 2^dimension terminals (dimension 1 to 30), at a distance of
 * the number of bits in which their numbers differ. */
int PLYXEN_archHcub(PLYXEN_Arch* arch, PLYXEN_Num dimension);
/* Variable-sized complete graph and hypercube: no fixed terminal count;
 * domains are split as far as a mapping needs. */
int PLYXEN_archVcmplt(PLYXEN_Arch* arch);
int PLYXEN_archVhcub(PLYXEN_Arch* arch);
/* Tree of levelCount levels below its root, the nodes of level i having
 * sizes[i] children (at least 2) reached by links of cost links[i] (at least
 * 1); the terminals are the leaves, numbered from left to right. The
 * labelled variant numbers leaf i as terminal permutation[i], the
 * permutation listing every terminal once (permutationCount terminals). */
int PLYXEN_archTleaf(PLYXEN_Arch* arch, PLYXEN_Num levelCount, const PLYXEN_Num* sizes, const PLYXEN_Num* links);
int PLYXEN_archLtleaf(PLYXEN_Arch* arch, PLYXEN_Num levelCount, const PLYXEN_Num* sizes, const PLYXEN_Num* links,
                      PLYXEN_Num permutationCount, const PLYXEN_Num* permutation);
/* Sub-architecture of terminalCount distinct terminals of source, terminal
 * i being source terminal terminals[i], with the source's distances. The
 * source is used in place: it must outlive the sub-architecture. */
int PLYXEN_archSub(PLYXEN_Arch* arch, const PLYXEN_Arch* source, PLYXEN_Num terminalCount,
                   const PLYXEN_Num* terminals);
/* Meshes and tori: terminal (x, y, z, ...) is numbered x + X (y + Y (z + ...)).
 * The X variants take 1 to 5 dimension sizes. */
int PLYXEN_archMesh2(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY);
int PLYXEN_archMesh3(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY, PLYXEN_Num dimZ);
int PLYXEN_archMeshX(PLYXEN_Arch* arch, PLYXEN_Num dimensionCount, const PLYXEN_Num* sizes);
int PLYXEN_archTorus2(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY);
int PLYXEN_archTorus3(PLYXEN_Arch* arch, PLYXEN_Num dimX, PLYXEN_Num dimY, PLYXEN_Num dimZ);
int PLYXEN_archTorusX(PLYXEN_Arch* arch, PLYXEN_Num dimensionCount, const PLYXEN_Num* sizes);

/* Mapping and partitioning. A mapping strategy is parsed from text
 * (PLYXEN_stratGraphMap) or built from MAP_FLAG_* flags, a part count and
 * an imbalance ratio (PLYXEN_stratGraphMapBuild; 0.05 allows every part 5%
 * above its share of the load). An empty strategy handle given to the
 * operations below is filled with the default strategy at 5% imbalance.
 * parts has one entry per vertex, from its first element, and receives the
 * terminal (the part) of every vertex; for the Fixed variants it holds on
 * entry the terminal each vertex is fixed to, or -1 for a free vertex. The
 * same graph, architecture and strategy give the same parts on every call. */
int PLYXEN_stratGraphMap(PLYXEN_Strat* strat, const char* text);
int PLYXEN_stratGraphMapBuild(PLYXEN_Strat* strat, PLYXEN_Num flags, PLYXEN_Num partCount, double imbalanceRatio);
int PLYXEN_graphMap(PLYXEN_Graph* graph, const PLYXEN_Arch* arch, PLYXEN_Strat* strat, PLYXEN_Num* parts);
int PLYXEN_graphMapFixed(PLYXEN_Graph* graph, const PLYXEN_Arch* arch, PLYXEN_Strat* strat, PLYXEN_Num* parts);
/* Partitions into partCount parts (a complete graph of partCount terminals). */
int PLYXEN_graphPart(PLYXEN_Graph* graph, PLYXEN_Num partCount, PLYXEN_Strat* strat, PLYXEN_Num* parts);
int PLYXEN_graphPartFixed(PLYXEN_Graph* graph, PLYXEN_Num partCount, PLYXEN_Strat* strat, PLYXEN_Num* parts);
/* Figures of a mapping onto an architecture of fixed size: the number of
 * terminals holding vertices, the load of the cut edges, the communication
 * load (edge loads times the distances between the terminals of their
 * ends) and the imbalance (largest ratio of a terminal's load to its share
 * of the total load by weight, minus 1). Any output pointer may be null. */
int PLYXEN_graphMapStat(const PLYXEN_Graph* graph, const PLYXEN_Arch* arch, const PLYXEN_Num* parts,
                        PLYXEN_Num* nonEmptyCount, int64_t* cutLoad, int64_t* commLoad, double* imbalance);

/* Solver-ordering interface (every argument by reference, arrays indexed
 * from 1): vertex count, adjacency capacity (unused), row starts (out: tree
 * links), next free position, row lengths, adjacency, front sizes (out;
 * weighted variant: vertex weights in, front sizes out), two work arrays
 * (untouched), status (out, 0 on success). Each entry exists under four
 * external names for Fortran compilers that decorate names differently. */
void ELIMORDF(const PLYXEN_Num* n, const PLYXEN_Num* iwlen, PLYXEN_Num* pe, const PLYXEN_Num* pfree,
              PLYXEN_Num* len, PLYXEN_Num* iw, PLYXEN_Num* nv, PLYXEN_Num* elen, PLYXEN_Num* last,
              PLYXEN_Num* status);
void ELIMORDFW(const PLYXEN_Num* n, const PLYXEN_Num* iwlen, PLYXEN_Num* pe, const PLYXEN_Num* pfree,
               PLYXEN_Num* len, PLYXEN_Num* iw, PLYXEN_Num* nv, PLYXEN_Num* elen, PLYXEN_Num* last,
               PLYXEN_Num* status);

#ifdef __cplusplus
}
#endif

#endif /* PLYXEN_H */
