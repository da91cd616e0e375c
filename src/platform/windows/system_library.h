// Libraries loaded at run time, always from the system folder: never from the
// program's folder, the current directory or the search path, so a DLL placed
// next to the program or on a driver medium cannot stand in for a system one.
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

class SystemLibrary {
 public:
  // Loads the library of that file name (no folder part) from the system
  // folder. A name holding a folder separator or a drive is refused.
  explicit SystemLibrary(const std::wstring& file_name);
  ~SystemLibrary();

  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;
  SystemLibrary(SystemLibrary&& other) noexcept;
  SystemLibrary& operator=(SystemLibrary&& other) noexcept;

  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }

  // Address of an exported procedure; nullptr when the library is not loaded
  // or does not export it.
  FARPROC Find(const char* procedure) const;

  // The same, as a typed function pointer.
  template <typename Fn>
  Fn FindAs(const char* procedure) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(Find(procedure)));
  }

  // Releases the library now (also done by the destructor).
  void Release();

 private:
  HMODULE module_ = nullptr;
};

// Full path of a file in the system folder ("" when the folder is unknown).
std::wstring SystemFolderPath(const std::wstring& file_name);

}  // namespace orvane
