#include "platform/windows/win32_child_process.h"

namespace orvane {

void Win32ChildProcess::Terminate() {
  if (process_ && process_ != INVALID_HANDLE_VALUE) TerminateProcess(process_, 1);
}

}  // namespace orvane
