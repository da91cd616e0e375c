#include "platform/windows/system_library.h"

#include <utility>
#include <vector>

namespace orvane {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// The LOAD_LIBRARY_SEARCH_* flags exist where kernel32 exports
// AddDllDirectory (Windows 8, and Windows 7 / Vista with the loader update);
// older loaders reject them.
bool LoaderKnowsSearchFlags() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

bool IsPlainFileName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos;
}

}  // namespace

std::wstring SystemFolderPath(const std::wstring& file_name) {
  UINT needed = GetSystemDirectoryW(nullptr, 0);
  if (needed == 0) return L"";
  std::vector<wchar_t> buffer(needed + 1);
  UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return L"";
  std::wstring path(buffer.data(), length);
  if (path.back() != L'\\') path += L'\\';
  return path + file_name;
}

SystemLibrary::SystemLibrary(const std::wstring& file_name) {
  if (!IsPlainFileName(file_name)) return;
  if (LoaderKnowsSearchFlags()) {
    module_ = LoadLibraryExW(file_name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module_ != nullptr) return;
  }
  // Older loaders: the full path, and the library's own dependencies are
  // looked for in the system folder first as well.
  std::wstring path = SystemFolderPath(file_name);
  if (!path.empty()) module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() { Release(); }

SystemLibrary::SystemLibrary(SystemLibrary&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)) {}

SystemLibrary& SystemLibrary::operator=(SystemLibrary&& other) noexcept {
  if (this != &other) {
    Release();
    module_ = std::exchange(other.module_, nullptr);
  }
  return *this;
}

FARPROC SystemLibrary::Find(const char* procedure) const {
  if (module_ == nullptr || procedure == nullptr) return nullptr;
  return GetProcAddress(module_, procedure);
}

void SystemLibrary::Release() {
  if (module_ != nullptr) {
    FreeLibrary(module_);
    module_ = nullptr;
  }
}

}  // namespace orvane
