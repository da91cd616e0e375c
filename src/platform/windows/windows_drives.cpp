#include "platform/windows/windows_drives.h"

#include <windows.h>

#include <vector>

namespace orvane {

std::vector<std::wstring> WindowsDrives::LogicalDriveRoots() {
  std::vector<std::wstring> roots;
  DWORD needed = GetLogicalDriveStringsW(0, nullptr);
  if (needed == 0) return roots;
  std::vector<wchar_t> buffer(needed + 1, L'\0');
  DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return roots;
  // The roots stand one after the other, each ended by a NUL.
  const wchar_t* at = buffer.data();
  const wchar_t* end = buffer.data() + length;
  while (at < end && *at != L'\0') {
    std::wstring root(at);
    at += root.size() + 1;
    roots.push_back(root);
  }
  return roots;
}

uint32_t WindowsDrives::DriveType(const std::wstring& root) { return GetDriveTypeW(root.c_str()); }

bool WindowsDrives::VolumeInformation(const std::wstring& root, std::wstring* label) {
  wchar_t name[MAX_PATH + 1] = {};
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  BOOL ok = GetVolumeInformationW(root.c_str(), label ? name : nullptr, label ? MAX_PATH + 1 : 0,
                                  nullptr, nullptr, nullptr, nullptr, 0);
  SetErrorMode(previous);
  if (!ok) return false;
  if (label) *label = name;
  return true;
}

}  // namespace orvane
