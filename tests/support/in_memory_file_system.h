// Files and folders held in memory, for driving file-reading logic without
// touching a disk (tests and fuzz targets). "/" and "\" both separate; names
// compare case-sensitively. Folders above a file come into being with it.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

class InMemoryFileSystem : public FileSystem {
 public:
  // separator: the one Separator() reports. reverse_listing: ListDirectory
  // gives its entries in descending name order, to show that a caller does
  // not depend on the listing order.
  explicit InMemoryFileSystem(wchar_t separator = L'/', bool reverse_listing = false)
      : separator_(separator), reverse_listing_(reverse_listing) {}

  // Adds (or replaces) a file and the folders above it.
  void AddFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring key = Key(path);
    files_[key] = bytes;
    AddParents(key);
  }
  void AddDirectory(const std::wstring& path) {
    const std::wstring key = Key(path);
    dirs_.insert(key);
    AddParents(key);
  }
  // Marks an existing folder or file as a link (as a listing reports it).
  void MarkLink(const std::wstring& path) { links_.insert(Key(path)); }

  size_t read_count() const { return read_count_; }

  bool ReadFile(const std::wstring& path, std::string* bytes) override {
    ++read_count_;
    auto it = files_.find(Key(path));
    if (it == files_.end()) return false;
    *bytes = it->second;
    return true;
  }
  bool WriteFile(const std::wstring& path, const std::string& bytes) override {
    std::string* file = Writable(path);
    return file && (*file = bytes, true);
  }
  bool AppendFile(const std::wstring& path, const std::string& bytes) override {
    std::string* file = Writable(path);
    return file && (*file += bytes, true);
  }
  bool TouchFile(const std::wstring& path) override { return Writable(path) != nullptr; }
  bool DeleteFile(const std::wstring& path) override {
    links_.erase(Key(path));
    return files_.erase(Key(path)) != 0;
  }
  bool CopyFile(const std::wstring& from, const std::wstring& to) override {
    auto it = files_.find(Key(from));
    return it != files_.end() && WriteFile(to, std::string(it->second));
  }
  bool FileExists(const std::wstring& path) override { return files_.count(Key(path)) != 0; }
  bool DirectoryExists(const std::wstring& path) override {
    return dirs_.count(Key(path)) != 0;
  }
  bool CreateDirectories(const std::wstring& path) override {
    const std::wstring key = Key(path);
    if (files_.count(key) != 0) return false;
    dirs_.insert(key);
    AddParents(key);
    return true;
  }
  bool ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) override {
    entries->clear();
    const std::wstring key = Key(path);
    if (dirs_.count(key) == 0) return false;
    const std::wstring prefix = key == L"/" ? key : key + L"/";
    auto add = [&](const std::wstring& full, bool is_directory, uint64_t size) {
      if (!IsChild(prefix, full)) return;
      DirEntry entry;
      entry.name = full.substr(prefix.size());
      entry.is_directory = is_directory;
      entry.is_link = links_.count(full) != 0;
      entry.size = size;
      entries->push_back(entry);
    };
    for (const std::wstring& dir : dirs_) add(dir, true, 0);
    for (const auto& file : files_) add(file.first, false, file.second.size());
    std::sort(entries->begin(), entries->end(), [this](const DirEntry& a, const DirEntry& b) {
      return reverse_listing_ ? b.name < a.name : a.name < b.name;
    });
    return true;
  }
  bool DeleteTree(const std::wstring& path) override {
    const std::wstring key = Key(path);
    if (dirs_.count(key) == 0) return DeleteFile(path);
    const std::wstring prefix = key + L"/";
    auto under = [&](const std::wstring& p) { return p == key || p.compare(0, prefix.size(), prefix) == 0; };
    for (auto it = files_.begin(); it != files_.end();) it = under(it->first) ? files_.erase(it) : std::next(it);
    for (auto it = dirs_.begin(); it != dirs_.end();) it = under(*it) ? dirs_.erase(it) : std::next(it);
    for (auto it = links_.begin(); it != links_.end();) it = under(*it) ? links_.erase(it) : std::next(it);
    return true;
  }
  int64_t FileSize(const std::wstring& path) override {
    const std::wstring key = Key(path);
    if (dirs_.count(key) != 0) return kFileSizeFolder;
    auto it = files_.find(key);
    return it == files_.end() ? kFileSizeMissing : static_cast<int64_t>(it->second.size());
  }
  bool GetAttributes(const std::wstring& path, uint32_t* attributes) override {
    const std::wstring key = Key(path);
    const bool is_dir = dirs_.count(key) != 0;
    if (!is_dir && files_.count(key) == 0) return false;
    auto it = attributes_.find(key);
    *attributes = (it == attributes_.end() ? 0 : it->second) | (is_dir ? kAttributeDirectory : 0);
    return true;
  }
  bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
    const std::wstring key = Key(path);
    if (dirs_.count(key) == 0 && files_.count(key) == 0) return false;
    attributes_[key] = attributes & ~kAttributeDirectory;
    return true;
  }
  wchar_t Separator() const override { return separator_; }

 private:
  // "\" becomes "/", runs of separators become one, a trailing one goes.
  static std::wstring Key(const std::wstring& path) {
    std::wstring key;
    key.reserve(path.size());
    for (wchar_t ch : path) {
      if (ch == L'\\') ch = L'/';
      if (ch == L'/' && !key.empty() && key.back() == L'/') continue;
      key += ch;
    }
    if (key.size() > 1 && key.back() == L'/') key.pop_back();
    return key;
  }
  static bool IsChild(const std::wstring& prefix, const std::wstring& path) {
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
           path.find(L'/', prefix.size()) == std::wstring::npos;
  }
  // The file to write, created empty when missing; null when a folder is in
  // the way or the folder above is missing.
  std::string* Writable(const std::wstring& path) {
    const std::wstring key = Key(path);
    if (dirs_.count(key) != 0 || !ParentExists(key)) return nullptr;
    return &files_[key];
  }
  bool ParentExists(const std::wstring& key) const {
    const size_t slash = key.rfind(L'/');
    if (slash == std::wstring::npos) return true;
    return dirs_.count(slash == 0 ? L"/" : key.substr(0, slash)) != 0;
  }
  void AddParents(const std::wstring& key) {
    size_t slash = key.rfind(L'/');
    while (slash != std::wstring::npos && slash > 0) {
      dirs_.insert(key.substr(0, slash));
      slash = key.rfind(L'/', slash - 1);
    }
    if (!key.empty() && key[0] == L'/') dirs_.insert(L"/");
  }

  wchar_t separator_;
  bool reverse_listing_;
  std::map<std::wstring, std::string> files_;
  std::set<std::wstring> dirs_;
  std::set<std::wstring> links_;
  std::map<std::wstring, uint32_t> attributes_;
  size_t read_count_ = 0;
};

}  // namespace orvane
