// Files and folders of the host (Linux and other POSIX systems). Paths are
// handed to the system as UTF-8; "\" is taken as a folder separator like "/".
#pragma once

#include <string>

#include "platform/file_system.h"

namespace orvane {

class PosixFileSystem : public FileSystem {
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
  // Only read-only (no write permission for the owner) and the directory bit
  // exist on the host.
  bool GetAttributes(const std::wstring& path, uint32_t* attributes) override;
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
  wchar_t Separator() const override { return L'/'; }
};

// The host form of a path: UTF-8 with "\" turned into "/".
std::string HostPath(const std::wstring& path);

}  // namespace orvane
