// Shared pieces of the fuzz targets: splitting an input into its parts, the
// one-file in-memory file system, and checks that stop the run with a
// message when an expectation fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/memory/memory_file_system.h"
#include "text/text_helpers.h"

namespace orvane {
namespace fuzz {

// The path under which the INF bytes are offered.
inline const std::wstring& InfPath() {
  static const std::wstring path = L"/fuzz/input.inf";
  return path;
}

// Takes the text up to the next LF (not included) off the front of *rest;
// the whole rest when it holds no LF.
inline std::string TakeLine(std::string* rest) {
  const size_t lf = rest->find('\n');
  std::string line = rest->substr(0, lf);
  rest->erase(0, lf == std::string::npos ? rest->size() : lf + 1);
  return line;
}

[[noreturn]] inline void Fail(const char* what, const std::wstring& detail) {
  std::fprintf(stderr, "fuzz check failed: %s\n  %s\n", what, WideToUtf8(detail).c_str());
  std::abort();
}

#define FUZZ_CHECK(condition, detail)                    \
  do {                                                   \
    if (!(condition)) ::orvane::fuzz::Fail(#condition, (detail)); \
  } while (0)

}  // namespace fuzz
}  // namespace orvane
