#include "platform/windows/windows_decompressor.h"

#include <windows.h>

#include "platform/windows/system_library.h"

namespace orvane {

bool WindowsDecompressor::DecompressOrCopy(const std::wstring& from, const std::wstring& to) {
  using DecompressOrCopyFn = DWORD(WINAPI*)(PCWSTR, PCWSTR, PUINT);
  SystemLibrary setupapi(L"setupapi.dll");
  auto decompress = setupapi.FindAs<DecompressOrCopyFn>("SetupDecompressOrCopyFileW");
  if (decompress == nullptr) return false;
  return decompress(from.c_str(), to.c_str(), nullptr) == ERROR_SUCCESS;
}

}  // namespace orvane
