// A child process on Windows as a cancellation token sees it.
#pragma once

#include <windows.h>

#include "app/cancellation.h"

namespace orvane {

// Does not own the process handle; the caller keeps it open while the child
// is registered.
class Win32ChildProcess : public ChildProcess {
 public:
  explicit Win32ChildProcess(HANDLE process) : process_(process) {}
  // Ends the process with exit code 1.
  void Terminate() override;

 private:
  HANDLE process_;
};

}  // namespace orvane
