// Helpers of the Windows-only tests: reading windows and icons, handling
// their events while waiting, and making directory links (also under Wine, where a link
// has to be made on the host).
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "text/text_helpers.h"
#include "ui/skin_frame.h"

namespace orvane {
namespace win32_test {

inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

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

// Runs a program (under Wine also one of the host) and waits up to five
// seconds for its effect.
template <typename Done>
bool RunTool(const std::wstring& tool, const std::string& arguments, Done done) {
  std::wstring command = Utf8ToWide("tool " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(tool.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  return done();
}

// A link to the folder target: a junction made by the system's command
// shell, or under Wine (which makes neither junctions nor symbolic links) a
// symbolic link made on the host, which shows as a reparse point. False when
// none can be made.
inline bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  if (!RunningOnWine()) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return RunTool(std::wstring(system) + L"\\cmd.exe",
                   "/c mklink /J \"" + WideToUtf8(link) + "\" \"" + WideToUtf8(target) + "\"",
                   [&] { return IsLink(link); });
  }
  const std::string target_name = HostName(target), link_name = HostName(link);
  if (target_name.empty() || link_name.empty()) return false;
  return RunTool(L"Z:\\bin\\ln", "-s \"" + target_name + "\" \"" + link_name + "\"", [&] { return IsLink(link); });
}

// Wine cannot remove a host link to a folder that has content; the host can.
// True when the link is gone.
inline bool RemoveHostLink(const std::wstring& link) {
  const std::string link_name = HostName(link);
  return !link_name.empty() && RunTool(L"Z:\\bin\\rm", "-f \"" + link_name + "\"",
                                       [&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace win32_test
}  // namespace orvane
