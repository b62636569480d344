// Common services shared by every subsystem: error and warning printers,
// integer text input and output, allocation conventions and grouped
// allocation, the pseudo-random generator, integer array helpers, sorting,
// in-place string substitution and the thread launcher.
// Nothing here knows about graphs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Signed 32-bit integer used for every vertex number, arc index, count,
// load and sum of the system.
typedef int32_t GraphNum;

// ---------------------------------------------------------------------------
// Messages

// Writes "[name: ]ERROR: <message>\n" on the standard error stream, flushes
// it and ends the process with status 1. Every caller is nevertheless
// written to return 1 afterwards, so that with a returning printer (the
// library's return mode, PLYXEN_errorModeSet, or errorRedirect) the
// messages of one failure form a chain, innermost first. The message is
// formatted whole, whatever its length, and its control characters are
// escaped (errorEscape), so that every message is one line.
// In return mode the message is recorded for the calling thread
// (PLYXEN_errorLast) and errorPrint returns; a handler set with
// PLYXEN_errorHandlerSet receives the message instead of the stream.
void errorPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
// How many times errorPrint has returned on this thread instead of ending
// the process (return mode or a redirect). An operation that runs a
// strategy compares it before and after: a failure that a selection or a
// fallback got over would have ended a program in the exit mode, so the
// operation fails in the return mode too, and both modes agree.
uint64_t errorReturnCount();
// What errorPrint left on the calling thread in return mode: the recorded
// messages and the count of returns. A worker thread that runs part of an
// operation takes its own at its end (errorThreadTake), and the thread that
// started it adds them to its own after the join (errorThreadAdopt), so
// that the operation fails, and reports, as if all had run on one thread.
struct ErrorThreadState {
  std::vector<std::string> messages;
  uint64_t returns = 0;
};
ErrorThreadState errorThreadTake();
void errorThreadAdopt(const ErrorThreadState& state);
// Same with "WARNING: "; returns to its caller. Never recorded.
void warningPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text with line breaks, tabs and other control characters written as
// "\n", "\t", "\r" or "\xHH"; other bytes, UTF-8 included, unchanged.
std::string errorEscape(const std::string& text);
// Sets the program name printed before the messages (32 characters at most;
// a longer name keeps "..." and its last 28 characters).
void errorProgramName(const char* name);

// Diverts both printers into a list of complete lines ("ERROR: ..." or
// "WARNING: ..."), for tests: while a sink is set, errorPrint records its
// line and returns instead of ending the process. A null sink restores the
// normal behaviour.
void errorRedirect(std::vector<std::string>* sink);

// ---------------------------------------------------------------------------
// Integer text input and output

// Reads an optional sign directly followed by digits, after white space.
// Returns 1 on success, 0 on failure: no number there (the offending
// character is consumed), or a number outside the GraphNum range (its
// digits are consumed). A number is never wrapped.
int intLoad(FILE* stream, GraphNum* value);
// The same for a 32-bit word written with "%u": accepts 0 to 4294967295,
// and negative numbers down to -2147483648 as their 32-bit pattern.
int intLoadWord(FILE* stream, uint32_t* value);
// Skips white space; returns 1 when the stream then ends, 0 when something
// else follows (left unread) or the stream failed. Readers use it to refuse
// a file with more in it than its format describes.
int intLoadEnd(FILE* stream);
// Writes the value with "%d"; returns 1 on success, 0 on failure.
int intSave(FILE* stream, GraphNum value);

// ---------------------------------------------------------------------------
// Memory: every request asks for (size | 8) bytes, so none is for zero bytes.

void* memAlloc(size_t size);
void* memRealloc(void* block, size_t size);
void memFree(void* block);

// One array of a group allocation: where to store its address, and its size
// in bytes. Build entries with memEntry so that the pointer type is kept.
struct MemGroupEntry {
  void* pointerAddress;
  size_t size;
  void (*assign)(void* pointerAddress, void* value);
};

template <class T>
MemGroupEntry memEntry(T*& pointer, size_t size) {
  return MemGroupEntry{&pointer, size, [](void* address, void* value) {
                         *static_cast<T**>(address) = static_cast<T*>(value);
                       }};
}

// Lays the arrays out one after the other in one block, each at the next
// multiple of 8 bytes from the block's start (an array of size 0 takes no
// room), and sets every array pointer. Returns the block (the address of the
// first array), or null after setting the first array pointer to null.
void* memGroupAlloc(std::initializer_list<MemGroupEntry> entries);
// Resizes the block to the new layout and re-points every array; on failure
// returns null and the old block stays valid and untouched.
void* memGroupRealloc(void* block, std::initializer_list<MemGroupEntry> entries);
// Sets the array pointers inside an existing block with the same layout rule;
// returns the address one past the last array.
void* memGroupLayout(void* block, std::initializer_list<MemGroupEntry> entries);

// Owner of a block from memAlloc or memGroupAlloc, for a method's own
// scratch: every return path frees it.
struct MemFreeDeleter {
  void operator()(void* block) const { memFree(block); }
};
using ScratchBlock = std::unique_ptr<void, MemFreeDeleter>;

// Frees a graph-style array whose stored address is shifted by base elements
// (the allocation address is the stored address plus base).
template <class T>
void memFreeBased(T* array, GraphNum base) {
  if (array != nullptr) memFree(array + base);
}

// ---------------------------------------------------------------------------
// Random numbers: a 624-word generator of the twister family with its own
// seeding and tempering; with seed 1 and process number 0 every run draws
// the same sequence.
//
// There is one process-wide state, and each ordering call draws from a
// state of its own (IntRandCall) that starts as a copy of the process-wide
// one. So an ordering depends only on its input and strategy, and calls made
// one after the other or from several threads at once give the same
// results. The operations below that set, save or load the state work on
// the process-wide state, that is on the start of every later call; draws
// made outside any call come from the process-wide state itself.

struct IntRandState {
  uint32_t processNumber;
  bool seeded;
  uint32_t words[624];
  int index;  // next word to draw; the words are regenerated when it is 0
  GraphNum seed;
};

// The next tempered 32-bit value modulo bound, or the raw value when bound is 0.
uint32_t intRandNext(uint32_t bound);
// Seeds the process-wide state once, if it is not yet seeded.
void intRandInit();
// Stores the seed, marks the generator seeded, and seeds it.
void intRandSeed(GraphNum seed);
// Seeds the generator again from the stored seed.
void intRandReset();
// Sets the process number mixed into the seed.
void intRandProcess(uint32_t number);
// Writes and reads the generator state; 0 on success, 1 on failure. A
// loaded state counts as seeded: the next draws and orderings start from it.
int intRandSave2(FILE* stream);
int intRandLoad2(FILE* stream);

// The generator of one call: from its creation to its end, the draws of the
// creating thread come from its own state, a copy of the process-wide state
// (seeded first if it was not yet). Calls may nest; the inner one restores
// the outer one's generator when it ends.
class IntRandCall {
 public:
  IntRandCall();
  // A call state of its own sequence, seeded from seed alone: two states
  // made from the same seed draw the same values on any thread, whatever
  // the process-wide state.
  explicit IntRandCall(uint32_t seed);
  ~IntRandCall();
  IntRandCall(const IntRandCall&) = delete;
  IntRandCall& operator=(const IntRandCall&) = delete;

 private:
  IntRandState state_;
  IntRandState* previous_;
};

// ---------------------------------------------------------------------------
// Integer arrays

void intFillAscending(GraphNum* array, GraphNum count, GraphNum first);
void intShuffle(GraphNum* array, GraphNum count);
GraphNum intGcd(GraphNum a, GraphNum b);

// In-place ascending sorts (one quicksort plus an insertion pass):
// single values; pairs by first member; pairs by first then second member;
// triples by first member; triples by first then second member.
void intSort1asc1(GraphNum* array, GraphNum count);
void intSort2asc1(GraphNum* array, GraphNum count);
void intSort2asc2(GraphNum* array, GraphNum count);
void intSort3asc1(GraphNum* array, GraphNum count);
void intSort3asc2(GraphNum* array, GraphNum count);

// ---------------------------------------------------------------------------
// Strings

// Replaces, left to right and in place, every non-overlapping occurrence of
// pattern in the zero-terminated buffer by replacement. The buffer must have
// room for the result.
void stringReplaceAll(char* buffer, const char* pattern, const char* replacement);

// ---------------------------------------------------------------------------
// Threads

struct ThreadContext;
struct ThreadRecord;
typedef int (*ThreadStartFunction)(void* record);
typedef int (*ThreadJoinFunction)(void* record, void* partnerRecord);

enum { THREAD_LAUNCH_BARRIER = 1 };

// Every per-thread record given to the launcher begins with this header.
struct ThreadRecord {
  ThreadContext* context;
  unsigned long handle;  // pthread_t
  int number;  // -1 until the thread is ready; read and written atomically
};

struct ThreadContext {
  int flags;
  size_t stride;
  int count;
  ThreadStartFunction start;
  ThreadJoinFunction join;
  alignas(8) unsigned char barrier[128];  // pthread_barrier_t when flag 1 is set
};

// Runs start on count threads (the caller being thread 0), merging results
// and partial work pairwise up a binary tree with join. Returns the combined
// result, 0 on success.
int threadLaunch(ThreadContext* context, void* records, size_t stride, ThreadStartFunction start,
                 ThreadJoinFunction join, int count, int flags);
// Waits on the context's barrier (only when launched with THREAD_LAUNCH_BARRIER).
int threadBarrier(ThreadContext* context);

// Runs task(0) to task(count - 1), each once, handed out in order to the
// calling thread and to as many worker threads as can be had: at most
// threads - 1, and fewer than the machine has cores, counted over every
// such call of the process (a task may run tasks of its own). Each task
// must leave its result where it alone writes. The messages and failures
// that errorPrint left on the workers are added to the calling thread's
// (errorThreadAdopt). With one thread, or no worker free, the calling
// thread runs them all, in order.
void threadRunTasks(int count, GraphNum threads, const std::function<void(int)>& task);
