// Error and warning printers: the single exit for errors of the system.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "common/common.h"

namespace {

char programName[32];                    // empty until errorProgramName
std::vector<std::string>* redirectSink;  // set by tests only

void printMessage(const char* kind, const char* format, va_list arguments) {
  char message[4096];
  vsnprintf(message, sizeof(message), format, arguments);
  std::string line;
  if (programName[0] != '\0') {
    line += programName;
    line += ": ";
  }
  line += kind;
  line += message;
  if (redirectSink != nullptr) {
    redirectSink->push_back(line);
    return;
  }
  fputs(line.c_str(), stderr);
  fputc('\n', stderr);
  fflush(stderr);
}

}  // namespace

void errorProgramName(const char* name) {
  size_t length = strlen(name);
  if (length < sizeof(programName)) {
    memcpy(programName, name, length + 1);
    return;
  }
  // Keep the end of a long name, which tells the program apart best.
  memcpy(programName, "...", 3);
  memcpy(programName + 3, name + length - 28, 29);
}

void errorRedirect(std::vector<std::string>* sink) { redirectSink = sink; }

void errorPrint(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  printMessage("ERROR: ", format, arguments);
  va_end(arguments);
  if (redirectSink == nullptr) exit(1);
}

void warningPrint(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  printMessage("WARNING: ", format, arguments);
  va_end(arguments);
}
