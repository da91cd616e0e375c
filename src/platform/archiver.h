// Running the external archiver (7z.exe beside the program) and waiting for
// it to end.
#pragma once

#include <cstdint>
#include <string>

#include "app/cancellation.h"

namespace orvane {

// Show modes, numbered as the platform numbers them.
constexpr int kShowHidden = 0;

class Archiver {
 public:
  virtual ~Archiver() = default;
  // Starts file with the verb "open", the parameters (one command line, with
  // the platform's quoting) and the working directory ("" for none), and
  // waits until the process has ended. The process is registered with the
  // token while it runs, so that a cancel ends it at once. Returns its exit
  // code; 0 when it could not be started (nothing is waited for then) or the
  // token was already set.
  virtual uint32_t RunAndWait(const std::wstring& file, const std::wstring& parameters,
                              const std::wstring& directory, int show_mode, CancellationToken& token) = 0;
};

}  // namespace orvane
