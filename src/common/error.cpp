// Error and warning printers: the single exit for errors of the system.
//
// A program keeps the historical behaviour: one "ERROR: " line on the
// standard error stream, then the end of the process with status 1. A
// library caller may switch to the return mode, in which errorPrint records
// the message for the calling thread and returns, the failing operation
// returning 1 through its own error path; the caller then reads the
// message instead of losing its process.
#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/common.h"
#include "plyxen.h"

namespace {

char programName[32];                    // empty until errorProgramName
std::vector<std::string>* redirectSink;  // set by tests only

std::atomic<int> errorMode{PLYXEN_ERROR_EXIT};

// The handler and its data change together, so that a message never
// reaches a handler with another handler's data.
std::mutex handlerLock;
PLYXEN_MessageHandler messageHandler;
void* messageHandlerData;

// Messages recorded on this thread in return mode since the last clear.
// Bounded, so that a caller that never clears keeps the latest failures
// without growing: the oldest message is dropped first.
constexpr size_t kRecordedMessagesMax = 32;
thread_local std::vector<std::string> recordedMessages;
thread_local std::string recordedText;  // what PLYXEN_errorLast hands out

// Formats the whole message, whatever its length.
std::string formatMessage(const char* format, va_list arguments) {
  va_list measure;
  va_copy(measure, arguments);
  const int length = vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) return format;  // an encoding error: the format is all we can trust
  std::string message(static_cast<size_t>(length), '\0');
  vsnprintf(message.data(), message.size() + 1, format, arguments);
  return message;
}

void recordMessage(const std::string& message) {
  if (recordedMessages.size() >= kRecordedMessagesMax) recordedMessages.erase(recordedMessages.begin());
  recordedMessages.push_back(message);
}

// Hands the message to the handler, if one is set; true when it was.
bool handMessage(int kind, const std::string& message) {
  PLYXEN_MessageHandler handler;
  void* data;
  {
    std::lock_guard<std::mutex> guard(handlerLock);
    handler = messageHandler;
    data = messageHandlerData;
  }
  if (handler == nullptr) return false;
  handler(kind, message.c_str(), data);
  return true;
}

// Writes "[name: ]KIND message" as one line: the message escaped, so that
// a strategy text or a file name that holds a line break still gives one
// line, written with one call.
void printLine(const char* kind, const std::string& message) {
  std::string line;
  if (programName[0] != '\0') {
    line += errorEscape(programName);
    line += ": ";
  }
  line += kind;
  line += message;
  if (redirectSink != nullptr) {
    static std::mutex sinkLock;  // worker threads of one operation may report at once
    std::lock_guard<std::mutex> guard(sinkLock);
    redirectSink->push_back(line);
    return;
  }
  line += '\n';
  fwrite(line.data(), 1, line.size(), stderr);
  fflush(stderr);
}

}  // namespace

std::string errorEscape(const std::string& text) {
  static const char hexDigits[] = "0123456789abcdef";
  std::string result;
  result.reserve(text.size());
  for (char character : text) {
    const unsigned char byte = static_cast<unsigned char>(character);
    if (byte >= 0x20 && byte != 0x7f) {
      result += character;  // bytes above 0x7f pass: they spell UTF-8 names
    } else if (character == '\n') {
      result += "\\n";
    } else if (character == '\t') {
      result += "\\t";
    } else if (character == '\r') {
      result += "\\r";
    } else {
      result += "\\x";
      result += hexDigits[byte >> 4];
      result += hexDigits[byte & 0xf];
    }
  }
  return result;
}

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

namespace {
thread_local uint64_t errorReturns = 0;
}  // namespace

uint64_t errorReturnCount() { return errorReturns; }

void errorPrint(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string message = errorEscape(formatMessage(format, arguments));
  va_end(arguments);
  if (redirectSink != nullptr) {
    printLine("ERROR: ", message);
    errorReturns++;
    return;
  }
  const bool returning = errorMode.load(std::memory_order_relaxed) == PLYXEN_ERROR_RETURN;
  if (returning) recordMessage(message);
  if (!handMessage(PLYXEN_MESSAGE_ERROR, message) && !returning) printLine("ERROR: ", message);
  if (!returning) exit(1);
  errorReturns++;
}

ErrorThreadState errorThreadTake() {
  ErrorThreadState state;
  state.messages.swap(recordedMessages);
  state.returns = errorReturns;
  errorReturns = 0;
  return state;
}

void errorThreadAdopt(const ErrorThreadState& state) {
  for (const std::string& message : state.messages) recordMessage(message);
  errorReturns += state.returns;
}

void warningPrint(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string message = errorEscape(formatMessage(format, arguments));
  va_end(arguments);
  if (redirectSink == nullptr && handMessage(PLYXEN_MESSAGE_WARNING, message)) return;
  printLine("WARNING: ", message);
}

// ---------------------------------------------------------------------------
// Public operations

extern "C" int PLYXEN_errorModeSet(int mode) {
  if (mode != PLYXEN_ERROR_EXIT && mode != PLYXEN_ERROR_RETURN) return -1;
  return errorMode.exchange(mode);
}

extern "C" void PLYXEN_errorHandlerSet(PLYXEN_MessageHandler handler, void* data) {
  std::lock_guard<std::mutex> guard(handlerLock);
  messageHandler = handler;
  messageHandlerData = data;
}

extern "C" const char* PLYXEN_errorLast(void) {
  recordedText.clear();
  for (const std::string& message : recordedMessages) {
    if (!recordedText.empty()) recordedText += '\n';
    recordedText += message;
  }
  return recordedText.c_str();
}

extern "C" void PLYXEN_errorClear(void) {
  recordedMessages.clear();
  recordedText.clear();
}
