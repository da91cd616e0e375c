#include "platform/windows/windows_file_facts.h"

#include <windows.h>

#include <vector>

#include "platform/windows/system_library.h"

namespace orvane {

namespace {

using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

FARPROC Kernel32Function(const char* name) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel ? GetProcAddress(kernel, name) : nullptr;
}

}  // namespace

bool WindowsFileFacts::BinaryType(const std::wstring& path, uint32_t* type) {
  DWORD found = 0;
  if (!GetBinaryTypeW(path.c_str(), &found)) return false;
  *type = found;
  return true;
}

bool WindowsFileFacts::FixedFileVersion(const std::wstring& path, FileVersion* version) {
  SystemLibrary library(L"version.dll");
  auto get_size = library.FindAs<GetSizeFn>("GetFileVersionInfoSizeW");
  auto get_info = library.FindAs<GetInfoFn>("GetFileVersionInfoW");
  auto query = library.FindAs<QueryValueFn>("VerQueryValueW");
  if (!get_size || !get_info || !query) return false;
  DWORD handle = 0;
  DWORD size = get_size(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!get_info(path.c_str(), 0, size, block.data())) return false;
  void* root = nullptr;
  UINT length = 0;
  if (!query(block.data(), L"\\", &root, &length) || root == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
  version->major = HIWORD(info->dwFileVersionMS);
  version->minor = LOWORD(info->dwFileVersionMS);
  version->build = HIWORD(info->dwFileVersionLS);
  version->revision = LOWORD(info->dwFileVersionLS);
  return true;
}

RedirectionState WindowsFileFacts::DisableRedirection() {
  RedirectionState state;
  auto disable = reinterpret_cast<RedirectionFn>(
      reinterpret_cast<void*>(Kernel32Function("Wow64DisableWow64FsRedirection")));
  if (disable) {
    PVOID previous = nullptr;
    if (disable(&previous)) {
      state.disabled = true;
      state.previous = previous;
    }
  }
  return state;
}

void WindowsFileFacts::RevertRedirection(const RedirectionState& state) {
  if (!state.disabled) return;
  auto revert = reinterpret_cast<RevertFn>(
      reinterpret_cast<void*>(Kernel32Function("Wow64RevertWow64FsRedirection")));
  if (revert) revert(state.previous);
}

}  // namespace orvane
