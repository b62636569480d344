/* Orders a 20 x 20 grid with the library's default strategy and checks the
 * result; then asks, in the return mode, for a strategy with a mistake and
 * checks that the call returns with the library's message. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <plyxen.h>

enum { SIDE = 20, N = SIDE * SIDE };

int main(void) {
  PLYXEN_Num begin[N + 1], arcs[4 * N], permutation[N], inverse[N], ranges[N + 1], blockCount = 0;
  PLYXEN_Num arcCount = 0;
  for (int v = 0; v < N; v++) {
    int row = v / SIDE, column = v % SIDE;
    begin[v] = arcCount;
    if (row > 0) arcs[arcCount++] = v - SIDE;
    if (column > 0) arcs[arcCount++] = v - 1;
    if (column < SIDE - 1) arcs[arcCount++] = v + 1;
    if (row < SIDE - 1) arcs[arcCount++] = v + SIDE;
  }
  begin[N] = arcCount;

  PLYXEN_Graph graph;
  PLYXEN_Strat strat;
  PLYXEN_graphInit(&graph);
  PLYXEN_stratInit(&strat);
  if (PLYXEN_graphBuild(&graph, 0, N, begin, NULL, NULL, NULL, arcCount, arcs, NULL) != 0 ||
      PLYXEN_graphCheck(&graph) != 0 ||
      PLYXEN_graphOrder(&graph, &strat, permutation, inverse, &blockCount, ranges, NULL) != 0)
    return 1;
  int seen[N];
  memset(seen, 0, sizeof(seen));
  for (int v = 0; v < N; v++) {
    if (permutation[v] < 0 || permutation[v] >= N || seen[permutation[v]]++ || inverse[permutation[v]] != v) {
      printf("not a permutation at vertex %d\n", v);
      return 1;
    }
  }
  if (blockCount < 2 || ranges[0] != 0 || ranges[blockCount] != N) {
    printf("bad column blocks (%d)\n", (int)blockCount);
    return 1;
  }

  PLYXEN_errorModeSet(PLYXEN_ERROR_RETURN);
  PLYXEN_Strat bad;
  PLYXEN_stratInit(&bad);
  int status = PLYXEN_stratGraphOrder(&bad, "n{sep=");
  PLYXEN_stratExit(&bad);
  const char* message = PLYXEN_errorLast();
  if (status != 1 || strstr(message, "PLYXEN_stratGraphOrder") == NULL) {
    printf("a bad strategy gave status %d and message \"%s\"\n", status, message);
    return 1;
  }
  PLYXEN_stratExit(&strat);
  PLYXEN_graphExit(&graph);
  printf("ordered %d vertices in %d column blocks\n", N, (int)blockCount);
  return 0;
}
