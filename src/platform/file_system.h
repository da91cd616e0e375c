// Files and folders as the platform offers them. Paths are Windows-style
// texts on Windows and host paths elsewhere; "\" and "/" both separate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// <windows.h> maps these names onto its own functions; the members below keep
// their plain names wherever this header is seen after it.
#ifdef DeleteFile
#undef DeleteFile
#endif
#ifdef CopyFile
#undef CopyFile
#endif

namespace orvane {

// Attribute bits of files and folders, numbered as the platform numbers them.
constexpr uint32_t kAttributeReadOnly = 0x1;
constexpr uint32_t kAttributeHidden = 0x2;
constexpr uint32_t kAttributeSystem = 0x4;
constexpr uint32_t kAttributeDirectory = 0x10;

// FileSize of a path that does not exist, and of a folder.
constexpr int64_t kFileSizeMissing = -1;
constexpr int64_t kFileSizeFolder = -2;

struct DirEntry {
  std::wstring name;      // name only, no folder
  bool is_directory = false;
  bool is_link = false;   // symbolic link, junction or other reparse point
  uint64_t size = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Whole file into bytes. One open, one close. False when it cannot be read.
  virtual bool ReadFile(const std::wstring& path, std::string* bytes) = 0;
  // Creates or truncates the file and writes bytes.
  virtual bool WriteFile(const std::wstring& path, const std::string& bytes) = 0;
  // Appends bytes, creating the file when missing.
  virtual bool AppendFile(const std::wstring& path, const std::string& bytes) = 0;
  // Creates the file or opens an existing one for reading and writing, then closes it.
  virtual bool TouchFile(const std::wstring& path) = 0;
  virtual bool DeleteFile(const std::wstring& path) = 0;
  virtual bool CopyFile(const std::wstring& from, const std::wstring& to) = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
  virtual bool DirectoryExists(const std::wstring& path) = 0;
  // Creates the folder and every missing folder above it.
  virtual bool CreateDirectories(const std::wstring& path) = 0;
  // Entries of a folder (no "." or ".."), in the platform's order. False when
  // the folder cannot be listed.
  virtual bool ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) = 0;
  // Deletes a folder tree (or a single file); read-only entries are forced.
  // Links are removed themselves, never followed. True when everything was
  // removed; false when the path does not exist or something stayed.
  virtual bool DeleteTree(const std::wstring& path) = 0;
  // Size of a file in bytes; kFileSizeMissing when nothing of that name
  // exists, kFileSizeFolder when it is a folder.
  virtual int64_t FileSize(const std::wstring& path) = 0;
  // Attribute bits (kAttribute...) of a file or folder; false when it does
  // not exist. Bits a platform does not know read as 0.
  virtual bool GetAttributes(const std::wstring& path, uint32_t* attributes) = 0;
  // Replaces the attribute bits of a file or folder (the directory bit is
  // ignored). False when it fails.
  virtual bool SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
  // The folder separator of this platform.
  virtual wchar_t Separator() const = 0;
};

}  // namespace orvane
