#include "platform/system_clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace orvane {

LocalDate SystemClock::Today() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  LocalDate date;
  date.day = parts.tm_mday;
  date.month = parts.tm_mon + 1;
  date.year = parts.tm_year + 1900;
  return date;
}

void SystemClock::Pause(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace orvane
