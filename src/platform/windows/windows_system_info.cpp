#include <windows.h>

#include "platform/windows/windows_system_info.h"

namespace orvane {

std::wstring WindowsSystemInfo::GetEnvironment(const std::wstring& name) {
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    DWORD got = GetEnvironmentVariableW(name.c_str(), &value[0], static_cast<DWORD>(value.size()));
    if (got == 0) return std::wstring();  // unset, or set to an empty text
    if (got < value.size()) {
      value.resize(got);
      return value;
    }
    value.assign(got, L'\0');  // got is the size needed, with its terminator
  }
}

uint64_t WindowsSystemInfo::TotalPhysicalMemory() {
  MEMORYSTATUSEX status;
  ZeroMemory(&status, sizeof status);
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullTotalPhys;
}

std::wstring WindowsSystemInfo::ProductType() {
  OSVERSIONINFOEXW info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::wstring();
  return std::to_wstring(static_cast<unsigned>(info.wProductType));
}

uint16_t WindowsSystemInfo::UserDefaultLanguage() { return GetUserDefaultLangID(); }

std::wstring WindowsSystemInfo::TempDirectory() {
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD got = GetTempPathW(static_cast<DWORD>(path.size()), &path[0]);
    if (got == 0) return std::wstring();
    if (got < path.size()) {
      path.resize(got);
      if (!path.empty() && path.back() != L'\\') path += L'\\';
      return path;
    }
    path.assign(got + 1, L'\0');
  }
}

std::wstring WindowsSystemInfo::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD got = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (got == 0) return std::wstring();
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    if (path.size() >= 32768) return std::wstring();
    path.assign(path.size() * 2, L'\0');  // truncated: try a larger buffer
  }
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace orvane
