// Separation methods not yet available in this version.
// Each reports that it is not available and fails, so that strategies naming
// these methods parse and write back but refuse to run.
#include "vgraph/vgraph_separate_methods.h"

int vgraphSeparateEs(Vgraph*, const void*) {
  errorPrint("vgraphSeparateEs: method not available in this version");
  return 1;
}
