// Files and folders held in memory, for running file-reading logic without a
// disk (tests, fuzz targets, tools that simulate a machine).
//
// Behaviour worth knowing:
// - "/" and "\" both separate, runs of separators count as one and a
//   trailing one is dropped; names compare case-sensitively. Separator()
//   reports the separator given at construction.
// - Folders above a file or folder come into being with it; writing a file
//   needs its folder, and no folder of the same name may be in the way.
// - A folder lists its entries in name order, or in descending order when
//   asked at construction (to show that a caller sorts for itself).
// - Reads are counted. Attribute bits are kept as set; the directory bit
//   comes from what the path is. Links are only marks for the listing.
// - Every operation takes one lock, so worker threads may share an instance.
//   Operations made of others (CopyFile, DeleteTree of a file) call the
//   virtual ones, so a derived fake sees them too.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

class MemoryFileSystem : public FileSystem {
 public:
  explicit MemoryFileSystem(wchar_t separator = L'/', bool reverse_listing = false)
      : separator_(separator), reverse_listing_(reverse_listing) {}

  // Adds (or replaces) a file, and the folders above it.
  void AddFile(const std::wstring& path, const std::string& bytes);
  // Adds a folder and the folders above it.
  void AddDirectory(const std::wstring& path);
  // Marks an existing file or folder as a link (as a listing reports it).
  void MarkLink(const std::wstring& path);
  // ReadFile calls so far.
  size_t read_count() const;

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
  wchar_t Separator() const override { return separator_; }

 private:
  static std::wstring Key(const std::wstring& path);
  // The file to write, created empty when missing; null when a folder is in
  // the way or the folder above is missing. Called with the lock held.
  std::string* Writable(const std::wstring& key);
  void AddParents(const std::wstring& key);

  const wchar_t separator_;
  const bool reverse_listing_;
  mutable std::mutex mutex_;
  std::map<std::wstring, std::string> files_;  // by key
  std::set<std::wstring> dirs_;
  std::set<std::wstring> links_;
  std::map<std::wstring, uint32_t> attributes_;
  size_t read_count_ = 0;
};

}  // namespace orvane
