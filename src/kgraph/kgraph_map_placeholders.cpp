// Mapping methods not yet available in this version.
// Each reports that it is not available and fails, so that strategies naming
// these methods parse and write back but refuse to run.
#include "kgraph/kgraph.h"

int kgraphMapSt(Kgraph*, const Strat*) {
  errorPrint("kgraphMapSt: method not available in this version");
  return 1;
}

int kgraphMapBd(Kgraph*, const void*) {
  errorPrint("kgraphMapBd: method not available in this version");
  return 1;
}

int kgraphMapCp(Kgraph*, const void*) {
  errorPrint("kgraphMapCp: method not available in this version");
  return 1;
}

int kgraphMapDf(Kgraph*, const void*) {
  errorPrint("kgraphMapDf: method not available in this version");
  return 1;
}

int kgraphMapEx(Kgraph*, const void*) {
  errorPrint("kgraphMapEx: method not available in this version");
  return 1;
}

int kgraphMapFm(Kgraph*, const void*) {
  errorPrint("kgraphMapFm: method not available in this version");
  return 1;
}

int kgraphMapMl(Kgraph*, const void*) {
  errorPrint("kgraphMapMl: method not available in this version");
  return 1;
}

int kgraphMapRb(Kgraph*, const void*) {
  errorPrint("kgraphMapRb: method not available in this version");
  return 1;
}
