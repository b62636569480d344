// Helpers shared by the fuzz targets: the library in return mode with its
// messages kept quiet, streams over the input bytes, text written by the
// library into memory, a decoder of structured inputs and the checks that
// end a run as a finding.
//
// Every target defines LLVMFuzzerTestOneInput. Built with clang and
// -fsanitize=fuzzer it is a libFuzzer target; linked with replay_main.cpp
// it replays the files of its corpus in the ordinary test suite.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plyxen.h"

// A violated expectation: printed, then the run ends with a signal, which
// both libFuzzer and the test suite report as a failure.
#define FUZZ_CHECK(condition, ...)                                               \
  do {                                                                           \
    if (!(condition)) {                                                          \
      fprintf(stderr, "fuzz check failed at %s:%d: %s\n", __FILE__, __LINE__,    \
              #condition);                                                       \
      fprintf(stderr, "  " __VA_ARGS__);                                         \
      fprintf(stderr, "\n  messages: %s\n", PLYXEN_errorLast());                 \
      abort();                                                                   \
    }                                                                            \
  } while (0)

namespace fuzz {

// Messages go nowhere unless PLYXEN_FUZZ_VERBOSE is set, so that a long
// run does not spend its time printing refusals.
inline void messageHandler(int kind, const char* message, void*) {
  static const bool verbose = getenv("PLYXEN_FUZZ_VERBOSE") != nullptr;
  if (verbose) fprintf(stderr, "%s%s\n", (kind == PLYXEN_MESSAGE_ERROR) ? "ERROR: " : "WARNING: ", message);
}

// To be called at the start of every input: failures return instead of
// ending the process, and no message of an earlier input is left.
inline void begin() {
  static const bool ready = [] {
    PLYXEN_errorModeSet(PLYXEN_ERROR_RETURN);
    PLYXEN_errorHandlerSet(messageHandler, nullptr);
    return true;
  }();
  (void)ready;
  PLYXEN_errorClear();
}

// The status of a reader or of any operation that returns 0 or 1: 1 comes
// with at least one recorded message, 0 with none (a failure reported as
// a success, or a success that would have ended a program in the exit
// mode, are both faults). Clears the messages.
inline void expectStatus(int status, const char* operation) {
  const char* messages = PLYXEN_errorLast();
  FUZZ_CHECK((status == 0) || (status == 1), "%s returned %d", operation, status);
  if (status == 0) {
    FUZZ_CHECK(messages[0] == '\0', "%s succeeded after reporting an error", operation);
  } else {
    FUZZ_CHECK(messages[0] != '\0', "%s failed without a message", operation);
  }
  PLYXEN_errorClear();
}

// A read-only stream over bytes (NUL bytes included), closed on destruction.
class InputStream {
 public:
  InputStream(const uint8_t* data, size_t size) : bytes_(data, data + size) {
    stream_ = fmemopen(bytes_.empty() ? nullptr : bytes_.data(), bytes_.size(), "r");
    if (stream_ == nullptr) stream_ = fmemopen(empty_, 0, "r");
    FUZZ_CHECK(stream_ != nullptr, "fmemopen failed");
  }
  explicit InputStream(const std::string& text)
      : InputStream(reinterpret_cast<const uint8_t*>(text.data()), text.size()) {}
  ~InputStream() { fclose(stream_); }
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;
  FILE* get() const { return stream_; }

 private:
  std::vector<uint8_t> bytes_;
  char empty_[1] = {0};
  FILE* stream_;
};

// A stream that collects what the library writes; text() closes it.
class OutputStream {
 public:
  OutputStream() {
    stream_ = open_memstream(&buffer_, &size_);
    FUZZ_CHECK(stream_ != nullptr, "open_memstream failed");
  }
  ~OutputStream() {
    if (stream_ != nullptr) fclose(stream_);
    free(buffer_);
  }
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;
  FILE* get() const { return stream_; }
  std::string text() {
    if (stream_ != nullptr) {
      fclose(stream_);
      stream_ = nullptr;
    }
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  FILE* stream_;
};

// Takes values from the front of the input; once it is used up every value
// is 0, so that any input decodes to something.
class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return offset_ >= size_; }
  size_t remaining() const { return empty() ? 0 : size_ - offset_; }
  uint8_t byte() { return empty() ? 0 : data_[offset_++]; }
  // A value in [low, high], from one byte (ranges of up to 256 values) or
  // four.
  int32_t range(int32_t low, int32_t high) {
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(high) - low) + 1;
    const uint32_t raw = (span <= 256) ? byte() : word();
    return static_cast<int32_t>(low + static_cast<int64_t>(raw % span));
  }
  uint32_t word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; i++) value |= static_cast<uint32_t>(byte()) << (8 * i);
    return value;
  }
  // The rest of the input, as bytes.
  const uint8_t* rest() const { return data_ + (empty() ? size_ : offset_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

}  // namespace fuzz
