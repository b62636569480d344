/* plyxen: graph partitioning, static mapping and fill-reducing ordering of
 * sparse symmetric matrices, driven by strategy strings.
 *
 * This is the only header a user includes. Every operation returns 0 on
 * success and a non-zero value on failure; failures are reported on the
 * standard error stream as one line beginning with "ERROR: ", after which
 * the process ends with status 1. Arrays are passed from their first
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

/* Flags of PLYXEN_stratGraphOrderBuild. */
#define ORDER_FLAG_ONE_SEPARATOR_METHOD 0x0002 /* a single multilevel separation */
#define ORDER_FLAG_LEVEL_CAP 0x1000           /* dissect only while levl < level count */
#define ORDER_FLAG_LEVEL_FLOOR 0x2000         /* dissect at least while levl < level count */
#define ORDER_FLAG_LEVEL_ONLY 0x3000          /* dissect exactly while levl < level count */
#define ORDER_FLAG_SIMPLE_LEAVES 0x4000       /* order leaves with the simple method */
#define ORDER_FLAG_SIMPLE_SEPARATORS 0x8000   /* order separators with the simple method */
#define ORDER_FLAG_WRAPPED 0x10000            /* wrap the strategy in connected components */

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
