// Files and folders through the Windows API. Paths are turned into the
// extended form ("\\?\X:\..." or "\\?\UNC\...") before every call, so folder
// trees deeper than the classic path limit work as well.
#pragma once

#include "platform/file_system.h"

namespace orvane {

class WindowsFileSystem : public FileSystem {
 public:
  bool ReadFile(const std::wstring& path, std::string* bytes) override;
  bool WriteFile(const std::wstring& path, const std::string& bytes) override;
  bool AppendFile(const std::wstring& path, const std::string& bytes) override;
  bool TouchFile(const std::wstring& path) override;
  bool DeleteFile(const std::wstring& path) override;
  bool CopyFile(const std::wstring& from, const std::wstring& to) override;
  bool FileExists(const std::wstring& path) override;
  bool DirectoryExists(const std::wstring& path) override;
  bool CreateDirectories(const std::wstring& path) override;
  bool ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) override;
  bool DeleteTree(const std::wstring& path) override;
  int64_t FileSize(const std::wstring& path) override;
  bool GetAttributes(const std::wstring& path, uint32_t* attributes) override;
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
  wchar_t Separator() const override { return L'\\'; }
};

// The extended-length form of a path: made absolute, "/" turned into "\",
// "." and ".." resolved, then prefixed. Device paths ("\\.\") and paths
// already in extended form are returned unchanged.
std::wstring ExtendedPath(const std::wstring& path);

}  // namespace orvane
