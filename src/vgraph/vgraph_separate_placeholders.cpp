// Separation methods not yet available in this version.
// Each reports that it is not available and fails, so that strategies naming
// these methods parse and write back but refuse to run.
#include "vgraph/vgraph_separate_methods.h"

int vgraphSeparateEs(Vgraph*, const void*) {
  errorPrint("vgraphSeparateEs: method not available in this version");
  return 1;
}

int vgraphSeparateFm(Vgraph*, const void*) {
  errorPrint("vgraphSeparateFm: method not available in this version");
  return 1;
}

int vgraphSeparateGg(Vgraph*, const void*) {
  errorPrint("vgraphSeparateGg: method not available in this version");
  return 1;
}

int vgraphSeparateMl(Vgraph*, const void*) {
  errorPrint("vgraphSeparateMl: method not available in this version");
  return 1;
}
