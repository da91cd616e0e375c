// Program-wide worker state: the one worker thread that may run at a time,
// the polite stop request polled by the walks, and the argument block of the
// unattended run.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace orvane {

// Set to 1 by the window's thread (stop button of the manual page, cancel
// button of the command window); cleared by the folder scan when it starts;
// polled by the walks between directory entries.
inline std::atomic<uint8_t> StopRequested{0};

// The single worker thread. Every action that would start a worker first asks
// IsRunning() (a zero-timeout test) and does nothing while a worker runs.
class WorkerSlot {
 public:
  WorkerSlot() = default;
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;

  // Starts work on a new thread when no worker runs. False when a worker is
  // still running or the thread could not be created.
  bool Start(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_ && current_->Running()) return false;
    auto state = std::make_shared<State>();
    try {
      std::thread([state, work = std::move(work)]() mutable {
        if (work) work();
        state->Finish();
      }).detach();
    } catch (const std::system_error&) {
      return false;
    }
    current_ = std::move(state);
    return true;
  }

  // Zero-timeout test: does the current worker still run?
  bool IsRunning() const {
    std::shared_ptr<State> state = Current();
    return state && state->Running();
  }

  // Waits up to timeout for the current worker to end. True when no worker
  // runs (any more). Must not be used on a thread that the worker waits for.
  bool WaitForEnd(std::chrono::milliseconds timeout) const {
    std::shared_ptr<State> state = Current();
    return !state || state->WaitFor(timeout);
  }

  // Forgets the current worker: from now on it counts as ended. Used after a
  // forced end when the worker does not come back from a blocking call; the
  // thread itself goes with the process.
  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_) abandoned_.push_back(std::move(current_));
    current_.reset();
  }

  // Does any worker thread still run, the current one or one that was
  // abandoned? The process must not tear down what such a thread may use.
  bool AnyThreadAlive() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_ && current_->Running()) return true;
    for (const std::shared_ptr<State>& state : abandoned_) {
      if (state->Running()) return true;
    }
    return false;
  }

 private:
  class State {
   public:
    bool Running() {
      std::lock_guard<std::mutex> lock(mutex_);
      return running_;
    }
    void Finish() {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
      }
      ended_.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds timeout) {
      std::unique_lock<std::mutex> lock(mutex_);
      return ended_.wait_for(lock, timeout, [this] { return !running_; });
    }

   private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool running_ = true;
  };

  std::shared_ptr<State> Current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
  }

  mutable std::mutex mutex_;
  std::shared_ptr<State> current_;
  std::vector<std::shared_ptr<State>> abandoned_;
};

// The program's one worker thread.
inline WorkerSlot WorkerThread;

// Argument block of the unattended run, owned by the run once it has started.
// Note the order: the driver-store flag comes before the filter list.
struct UnattendedRequest {
  std::wstring version;        // the program's version
  std::wstring driver_source;  // "-i:" path, placeholders not yet expanded
  std::wstring driver_store;   // "1" when "-d" was given, else ""
  std::wstring filter_list;    // "-c:" class list
};

}  // namespace orvane
