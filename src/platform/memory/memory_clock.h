// A clock for tests: a fixed date, and pauses that return at once and are
// only added up.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace orvane {

class MemoryClock : public Clock {
 public:
  LocalDate today{6, 12, 2026};

  LocalDate Today() override { return today; }
  void Pause(uint32_t milliseconds) override {
    paused_ms_ += milliseconds;
    ++pauses_;
  }
  uint64_t PausedMilliseconds() const { return paused_ms_; }
  int Pauses() const { return pauses_; }

 private:
  std::atomic<uint64_t> paused_ms_{0};
  std::atomic<int> pauses_{0};
};

}  // namespace orvane
