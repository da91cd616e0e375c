#include "platform/windows/windows_archiver.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/windows/win32_child_process.h"

namespace orvane {

uint32_t WindowsArchiver::RunAndWait(const std::wstring& file, const std::wstring& parameters,
                                     const std::wstring& directory, int show_mode, CancellationToken& token) {
  if (token.IsCancelled()) return 0;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = show_mode;
  if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return 0;

  DWORD code = 0;
  {
    Win32ChildProcess child(info.hProcess);
    ChildRegistration registration(token, &child);
    // A cancel ends the process, which ends this wait.
    WaitForSingleObject(info.hProcess, INFINITE);
    if (!GetExitCodeProcess(info.hProcess, &code)) code = 0;
  }
  CloseHandle(info.hProcess);
  return code;
}

}  // namespace orvane
