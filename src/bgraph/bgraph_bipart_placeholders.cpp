// Bipartition methods not yet available in this version.
// Each reports that it is not available and fails, so that strategies naming
// these methods parse and write back but refuse to run.
#include "bgraph/bgraph.h"

int bgraphBipartBd(Bgraph*, const void*) {
  errorPrint("bgraphBipartBd: method not available in this version");
  return 1;
}

int bgraphBipartDf(Bgraph*, const void*) {
  errorPrint("bgraphBipartDf: method not available in this version");
  return 1;
}

int bgraphBipartEx(Bgraph*, const void*) {
  errorPrint("bgraphBipartEx: method not available in this version");
  return 1;
}

int bgraphBipartGp(Bgraph*, const void*) {
  errorPrint("bgraphBipartGp: method not available in this version");
  return 1;
}

int bgraphBipartMl(Bgraph*, const void*) {
  errorPrint("bgraphBipartMl: method not available in this version");
  return 1;
}

