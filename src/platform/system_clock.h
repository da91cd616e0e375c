// The clock of the machine the program runs on.
#pragma once

#include "platform/clock.h"

namespace orvane {

class SystemClock : public Clock {
 public:
  LocalDate Today() override;
  void Pause(uint32_t milliseconds) override;
};

}  // namespace orvane
