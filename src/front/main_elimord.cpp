// main_elimord: loads a graph file, converts it to the solver's array
// convention (1-based row starts, row lengths, one adjacency array) and calls
// the solver-ordering interface. Prints nothing on success.
#include <cstdlib>

#include "common/common.h"
#include "plyxen.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    errorPrint("elimord: usage: main_elimord graph_file");
    return 1;
  }

  PLYXEN_Graph graph;
  PLYXEN_graphInit(&graph);
  FILE* stream = fopen(argv[1], "r");
  if (stream == nullptr || PLYXEN_graphLoad(&graph, stream, 1, 3) != 0) {
    if (stream != nullptr) fclose(stream);
    errorPrint("elimord: cannot open graph file");
    PLYXEN_graphExit(&graph);
    return 1;
  }
  fclose(stream);

  // The solver interface trusts its arrays: refuse an inconsistent graph here.
  if (PLYXEN_graphCheck(&graph) != 0) {
    errorPrint("elimord: invalid graph file");
    PLYXEN_graphExit(&graph);
    return 1;
  }

  PLYXEN_Num vertexCount;
  PLYXEN_Num arcCount;
  PLYXEN_Num* rowStart;
  PLYXEN_Num* adjacency;
  PLYXEN_graphData(&graph, nullptr, &vertexCount, &rowStart, nullptr, nullptr, nullptr, &arcCount, &adjacency,
                   nullptr);

  size_t arraySize = static_cast<size_t>(vertexCount) * sizeof(PLYXEN_Num);
  PLYXEN_Num* rowLength = static_cast<PLYXEN_Num*>(malloc(arraySize));
  PLYXEN_Num* frontSize = static_cast<PLYXEN_Num*>(malloc(arraySize));
  PLYXEN_Num* work1 = static_cast<PLYXEN_Num*>(malloc(arraySize));
  PLYXEN_Num* work2 = static_cast<PLYXEN_Num*>(malloc(arraySize));
  if ((vertexCount > 0) && (rowLength == nullptr || frontSize == nullptr || work1 == nullptr || work2 == nullptr)) {
    errorPrint("elimord: out of memory");
    free(rowLength);
    free(frontSize);
    free(work1);
    free(work2);
    PLYXEN_graphExit(&graph);
    return 1;
  }

  // An empty row gets start 0 and length 0. Each length is computed from the
  // next vertex's start before that start is visited, so the overwriting
  // does not affect later rows.
  for (PLYXEN_Num i = 0; i < vertexCount; i++) {
    if (rowStart[i] == rowStart[i + 1]) {
      rowLength[i] = 0;
      rowStart[i] = 0;
    } else {
      rowLength[i] = rowStart[i + 1] - rowStart[i];
    }
  }

  PLYXEN_Num nextFree = arcCount + 1;
  PLYXEN_Num status = 0;
  ELIMORDF(&vertexCount, &arcCount, rowStart, &nextFree, rowLength, adjacency, frontSize, work1, work2, &status);

  free(rowLength);
  free(frontSize);
  free(work1);
  free(work2);
  PLYXEN_graphExit(&graph);

  if (status < 0) {
    errorPrint("elimord: error in ELIMORDF (%d)", status);
    return 1;
  }
  return 0;
}
