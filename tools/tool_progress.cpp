// Progress of long runs on the standard error stream (--verbose).
//
// A timer thread wakes every two seconds from the start of the run and
// prints the current phase and the time spent in it; once it has spoken,
// each new phase is announced as it starts, so that the lines tell where the
// time went. A run shorter than two seconds prints nothing.
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "tool.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kPeriod{2};

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

struct ToolProgress::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::thread timer;
  const Clock::time_point runStart = Clock::now();
  Clock::time_point phaseStart = runStart;
  const char* phase = "starting";
  bool speaking = false;  // the timer has printed a line
  bool stop = false;

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    Clock::time_point tick = runStart + kPeriod;
    while (!stop) {
      if (wake.wait_until(lock, tick) == std::cv_status::timeout && !stop) {
        fprintf(stderr, "%s: %.1f s\n", phase, secondsSince(phaseStart));
        fflush(stderr);
        speaking = true;
        tick += kPeriod;
      }
    }
  }
};

ToolProgress::ToolProgress(bool enabled) {
  if (!enabled) return;
  state_ = new State();
  // Signals go to the main thread, whose handlers remove temporary files.
  sigset_t all, saved;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &saved);
  try {
    state_->timer = std::thread([state = state_] { state->run(); });
  } catch (const std::system_error&) {  // no thread, no progress: the run itself goes on
    delete state_;
    state_ = nullptr;
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

ToolProgress::~ToolProgress() {
  if (state_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stop = true;
    if (state_->speaking) {
      fprintf(stderr, "done: %.1f s\n", secondsSince(state_->runStart));
      fflush(stderr);
    }
  }
  state_->wake.notify_all();
  state_->timer.join();
  delete state_;
}

void ToolProgress::phase(const char* name) {
  if (state_ == nullptr) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->phase = name;
  state_->phaseStart = Clock::now();
  if (state_->speaking) {
    fprintf(stderr, "%s: started after %.1f s\n", name, secondsSince(state_->runStart));
    fflush(stderr);
  }
}
