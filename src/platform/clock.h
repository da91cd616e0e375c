// The calendar and the waits of the runs: the log's date line and the pauses
// that give the system time to settle.
#pragma once

#include <cstdint>

namespace orvane {

struct LocalDate {
  int day = 0;    // 1..31
  int month = 0;  // 1..12
  int year = 0;   // four digits
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Today's date in local time.
  virtual LocalDate Today() = 0;
  // Waits that long on the calling thread.
  virtual void Pause(uint32_t milliseconds) = 0;
};

}  // namespace orvane
