// Solver-ordering interface (placeholder until the ordering entry lands).
#include "common/common.h"
#include "plyxen.h"

extern "C" void ELIMORDF(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*,
                         PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num* status) {
  errorPrint("ELIMORDF: ordering not available yet");
  *status = -1;
}

extern "C" void ELIMORDFW(const PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*, const PLYXEN_Num*, PLYXEN_Num*,
                          PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num*, PLYXEN_Num* status) {
  errorPrint("ELIMORDFW: ordering not available yet");
  *status = -1;
}
