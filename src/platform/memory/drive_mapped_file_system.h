// Drive letters on top of another file system: "C:\Windows\inf" is the
// folder of drive c, then Windows, then inf, inside the other file system.
// This is how the program's logic, which only knows Windows paths, runs
// against host folders off Windows.
//
// - Names are found without regard to letter case, as on Windows: each part
//   of a path is taken as written when it exists, else as the entry of its
//   folder that differs from it only in case (a part that matches nothing
//   is kept as written, so that it can be created).
// - "\" and "/" both separate; "." and ".." are resolved as Windows resolves
//   them, never above the drive's root.
// - A folder lists its entries in name order, letter case ignored, as the
//   Windows file system does.
// - A path on a drive that is not mapped, or without a drive, names nothing:
//   reads fail, nothing is written.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

class DriveMappedFileSystem : public FileSystem {
 public:
  explicit DriveMappedFileSystem(FileSystem& inner) : inner_(inner) {}

  // Drive letter ("c", "C:") to a folder of the inner file system.
  void MapDrive(const std::wstring& letter, const std::wstring& folder);
  // The inner path that a path stands for; "" when it is not on a mapped drive.
  std::wstring InnerPath(const std::wstring& path);

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

 private:
  FileSystem& inner_;
  std::mutex mutex_;
  std::map<wchar_t, std::wstring> drives_;  // lower-case letter to folder
};

}  // namespace orvane
