// Helpers of the Windows-only tests: reading windows and icons, handling
// their events while waiting, and making directory links (also under Wine, where a link
// has to be made on the host).
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "text/text_helpers.h"
#include "ui/skin_frame.h"

namespace orvane {
namespace win32_test {

inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

inline bool HasStyle(HWND window, LONG_PTR bits) { return (GetWindowLongPtrW(window, GWL_STYLE) & bits) == bits; }

// Width of an icon's image; 0 for no icon.
inline int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// Handles window events until done() holds or the time is up.
template <typename Done>
bool PumpUntil(Done done, int milliseconds = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    DrainWindowEvents();
    Sleep(2);
  }
  return true;
}

inline void PumpFor(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

inline bool RunningOnWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

inline bool IsLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The host's name of a path when running under Wine; "" elsewhere.
inline std::string HostName(const std::wstring& path) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unix_name ? unix_name(path.c_str()) : nullptr;
  const std::string result = name ? name : "";
  if (name) HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs a host program (under Wine) and waits up to five seconds for its effect.
template <typename Done>
bool RunHostTool(const wchar_t* tool, const std::string& arguments, Done done) {
  std::wstring command = Utf8ToWide("tool " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(tool, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  return done();
}

// A junction: an empty folder turned into a mount point for target.
inline bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE handle = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  bool made = false;
  if (handle != INVALID_HANDLE_VALUE) {
    const std::wstring substitute = L"\\??\\" + target;
    const size_t names = (substitute.size() + 1 + target.size() + 1) * sizeof(wchar_t);
    std::vector<BYTE> buffer(16 + names, 0);
    auto put16 = [&](size_t at, size_t value) { memcpy(&buffer[at], &value, 2); };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    memcpy(&buffer[0], &tag, 4);
    put16(4, 8 + names);                                   // data length
    put16(10, substitute.size() * sizeof(wchar_t));        // substitute name at 0, its length
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));  // print name offset
    put16(14, target.size() * sizeof(wchar_t));            // and length
    memcpy(&buffer[16], substitute.c_str(), substitute.size() * sizeof(wchar_t));
    memcpy(&buffer[16 + (substitute.size() + 1) * sizeof(wchar_t)], target.c_str(), target.size() * sizeof(wchar_t));
    DWORD returned = 0;
    made = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                           0, &returned, nullptr) != FALSE;
    CloseHandle(handle);
  }
  if (!made || !IsLink(link)) RemoveDirectoryW(link.c_str());
  return made && IsLink(link);
}

// A link to the folder target: a junction, a symbolic link, or (under Wine,
// which makes neither) a symbolic link made on the host, which shows as a
// reparse point. False when none can be made.
inline bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  if (MakeJunction(link, target)) return true;
  // Some systems answer success without making the link: check for it.
  if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) && IsLink(link))
    return true;
  const std::string target_name = HostName(target), link_name = HostName(link);
  if (target_name.empty() || link_name.empty()) return false;
  return RunHostTool(L"Z:\\bin\\ln", "-s \"" + target_name + "\" \"" + link_name + "\"",
                     [&] { return IsLink(link); });
}

// Wine cannot remove a host link to a folder that has content; the host can.
// True when the link is gone.
inline bool RemoveHostLink(const std::wstring& link) {
  const std::string link_name = HostName(link);
  return !link_name.empty() && RunHostTool(L"Z:\\bin\\rm", "-f \"" + link_name + "\"", [&] {
    return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES;
  });
}

}  // namespace win32_test
}  // namespace orvane
