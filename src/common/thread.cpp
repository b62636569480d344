// Thread launcher: runs one start function per thread and merges the
// results pairwise up a binary tree, thread 0 receiving the final merge.
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

#include "common/common.h"

static_assert(sizeof(pthread_barrier_t) <= sizeof(ThreadContext::barrier), "barrier storage too small");
static_assert(sizeof(pthread_t) <= sizeof(unsigned long), "thread handle storage too small");

namespace {

ThreadRecord* recordAt(ThreadContext* context, ThreadRecord* first, int number) {
  return reinterpret_cast<ThreadRecord*>(reinterpret_cast<unsigned char*>(first) +
                                         static_cast<size_t>(number) * context->stride);
}

int readNumber(ThreadRecord* record) { return std::atomic_ref<int>(record->number).load(); }

void writeNumber(ThreadRecord* record, int number) { std::atomic_ref<int>(record->number).store(number); }

// Body of thread a: its own work, then the pairwise merges of the
// partners that it outlives.
int threadBody(ThreadRecord* record) {
  ThreadContext* context = record->context;
  int number = readNumber(record);
  int result = context->start(record);
  ThreadRecord* first = recordAt(context, record, -number);
  for (int distance = 1; distance < context->count; distance <<= 1) {
    int partner = number ^ distance;
    if (partner >= context->count) continue;
    ThreadRecord* partnerRecord = recordAt(context, first, partner);
    int partnerNumber;
    while ((partnerNumber = readNumber(partnerRecord)) == -1) {
    }
    if (partner < number) {  // this thread's work is merged by its partner
      if (partnerNumber < 0) {
        pthread_detach(pthread_self());
        result = 1;
      }
      pthread_exit(reinterpret_cast<void*>(static_cast<intptr_t>(result)));
    }
    if (partnerNumber < 0) {
      result = 1;
      continue;
    }
    void* partnerResult = nullptr;
    pthread_join(static_cast<pthread_t>(partnerRecord->handle), &partnerResult);
    result |= static_cast<int>(reinterpret_cast<intptr_t>(partnerResult));
    if (context->join != nullptr && result == 0) result = context->join(record, partnerRecord);
  }
  return result;
}

void* threadEntry(void* record) {
  // The launcher publishes the thread's number once its handle is stored,
  // so that a partner that sees the number can join the thread.
  while (readNumber(static_cast<ThreadRecord*>(record)) == -1) {
  }
  int result = threadBody(static_cast<ThreadRecord*>(record));
  return reinterpret_cast<void*>(static_cast<intptr_t>(result));
}

}  // namespace

int threadBarrier(ThreadContext* context) {
  pthread_barrier_wait(reinterpret_cast<pthread_barrier_t*>(context->barrier));
  return 0;
}

int threadLaunch(ThreadContext* context, void* records, size_t stride, ThreadStartFunction start,
                 ThreadJoinFunction join, int count, int flags) {
  context->flags = flags;
  context->stride = stride;
  context->count = count;
  context->start = start;
  context->join = join;
  pthread_barrier_t* barrier = reinterpret_cast<pthread_barrier_t*>(context->barrier);
  if ((flags & THREAD_LAUNCH_BARRIER) != 0 && pthread_barrier_init(barrier, nullptr, static_cast<unsigned>(count)) != 0) {
    errorPrint("threadLaunch: cannot initialize barrier (1)");
    return 1;
  }
  ThreadRecord* first = static_cast<ThreadRecord*>(records);
  for (int j = 0; j < count; j++) writeNumber(recordAt(context, first, j), -1);

  int result = 0;
  for (int j = 1; j < count; j++) {
    ThreadRecord* record = recordAt(context, first, j);
    record->context = context;
    if (pthread_create(reinterpret_cast<pthread_t*>(&record->handle), nullptr, threadEntry, record) != 0) {
      errorPrint("threadLaunch: cannot launch thread (%d)", j);
      writeNumber(record, -2);  // partners see a failed thread
      result = 1;
      continue;
    }
    writeNumber(record, j);
  }
  first->context = context;
  first->handle = static_cast<unsigned long>(pthread_self());
  writeNumber(first, 0);
  result |= threadBody(first);
  if ((flags & THREAD_LAUNCH_BARRIER) != 0) pthread_barrier_destroy(barrier);
  return result;
}

namespace {

// Worker threads running tasks, over every threadRunTasks call of the process.
std::atomic<int> workersRunning{0};

// The cores this process may run on: those of its affinity mask, which
// taskset and container CPU sets narrow, else those the system counts.
int coresAvailable() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(CPU_COUNT(&set), 1);
  return std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
}

// Takes a worker if fewer than threads - 1 run, and fewer than the process
// has cores besides the calling thread.
bool workerTake(GraphNum threads) {
  static const int cores = coresAvailable();
  const int limit = static_cast<int>(std::min<GraphNum>(threads, cores)) - 1;
  int running = workersRunning.load();
  while (running < limit)
    if (workersRunning.compare_exchange_weak(running, running + 1)) return true;
  return false;
}

}  // namespace

void threadRunTasks(int count, GraphNum threads, const std::function<void(int)>& task) {
  std::atomic<int> next{0};
  auto runTasks = [&]() {
    for (int index = next.fetch_add(1); index < count; index = next.fetch_add(1)) task(index);
  };
  std::vector<std::thread> workers;
  std::vector<ErrorThreadState> workerErrors(static_cast<size_t>(std::max(count - 1, 0)));
  for (size_t worker = 0; (worker + 1 < static_cast<size_t>(count)) && workerTake(threads); worker++) {
    try {
      workers.emplace_back([&, worker]() {
        runTasks();
        workerErrors[worker] = errorThreadTake();
        workersRunning--;
      });
    } catch (const std::exception&) {  // no thread to be had: the others do its share
      workersRunning--;
      break;
    }
  }
  runTasks();
  for (size_t worker = 0; worker < workers.size(); worker++) {
    workers[worker].join();
    errorThreadAdopt(workerErrors[worker]);
  }
}
