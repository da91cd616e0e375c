#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <iterator>

namespace orvane {

namespace {

// True when path is an entry directly inside the folder prefix ("/a/").
bool IsChild(const std::wstring& prefix, const std::wstring& path) {
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
         path.find(L'/', prefix.size()) == std::wstring::npos;
}

}  // namespace

// "\" becomes "/", runs of separators become one, a trailing one goes.
std::wstring MemoryFileSystem::Key(const std::wstring& path) {
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

std::string* MemoryFileSystem::Writable(const std::wstring& key) {
  if (dirs_.count(key) != 0) return nullptr;
  const size_t slash = key.rfind(L'/');
  if (slash != std::wstring::npos && dirs_.count(slash == 0 ? L"/" : key.substr(0, slash)) == 0) return nullptr;
  return &files_[key];
}

void MemoryFileSystem::AddParents(const std::wstring& key) {
  size_t slash = key.rfind(L'/');
  while (slash != std::wstring::npos && slash > 0) {
    dirs_.insert(key.substr(0, slash));
    slash = key.rfind(L'/', slash - 1);
  }
  if (!key.empty() && key[0] == L'/') dirs_.insert(L"/");
}

void MemoryFileSystem::AddFile(const std::wstring& path, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = Key(path);
  files_[key] = bytes;
  AddParents(key);
}

void MemoryFileSystem::AddDirectory(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = Key(path);
  dirs_.insert(key);
  AddParents(key);
}

void MemoryFileSystem::MarkLink(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  links_.insert(Key(path));
}

size_t MemoryFileSystem::read_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return read_count_;
}

bool MemoryFileSystem::ReadFile(const std::wstring& path, std::string* bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++read_count_;
  auto it = files_.find(Key(path));
  if (it == files_.end()) return false;
  *bytes = it->second;
  return true;
}

bool MemoryFileSystem::WriteFile(const std::wstring& path, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string* file = Writable(Key(path));
  return file && (*file = bytes, true);
}

bool MemoryFileSystem::AppendFile(const std::wstring& path, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string* file = Writable(Key(path));
  return file && (*file += bytes, true);
}

bool MemoryFileSystem::TouchFile(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Writable(Key(path)) != nullptr;
}

bool MemoryFileSystem::DeleteFile(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  links_.erase(Key(path));
  return files_.erase(Key(path)) != 0;
}

bool MemoryFileSystem::CopyFile(const std::wstring& from, const std::wstring& to) {
  std::string bytes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(Key(from));
    if (it == files_.end()) return false;
    bytes = it->second;
  }
  return WriteFile(to, bytes);
}

bool MemoryFileSystem::FileExists(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return files_.count(Key(path)) != 0;
}

bool MemoryFileSystem::DirectoryExists(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return dirs_.count(Key(path)) != 0;
}

bool MemoryFileSystem::CreateDirectories(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = Key(path);
  if (files_.count(key) != 0) return false;
  dirs_.insert(key);
  AddParents(key);
  return true;
}

bool MemoryFileSystem::ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) {
  std::lock_guard<std::mutex> lock(mutex_);
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

bool MemoryFileSystem::DeleteTree(const std::wstring& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring key = Key(path);
    if (dirs_.count(key) != 0) {
      const std::wstring prefix = key + L"/";
      auto under = [&](const std::wstring& p) { return p == key || p.compare(0, prefix.size(), prefix) == 0; };
      for (auto it = files_.begin(); it != files_.end();) it = under(it->first) ? files_.erase(it) : std::next(it);
      for (auto it = dirs_.begin(); it != dirs_.end();) it = under(*it) ? dirs_.erase(it) : std::next(it);
      for (auto it = links_.begin(); it != links_.end();) it = under(*it) ? links_.erase(it) : std::next(it);
      return true;
    }
  }
  return DeleteFile(path);
}

int64_t MemoryFileSystem::FileSize(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = Key(path);
  if (dirs_.count(key) != 0) return kFileSizeFolder;
  auto it = files_.find(key);
  return it == files_.end() ? kFileSizeMissing : static_cast<int64_t>(it->second.size());
}

bool MemoryFileSystem::GetAttributes(const std::wstring& path, uint32_t* attributes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = Key(path);
  const bool is_dir = dirs_.count(key) != 0;
  if (!is_dir && files_.count(key) == 0) return false;
  auto it = attributes_.find(key);
  *attributes = (it == attributes_.end() ? 0 : it->second) | (is_dir ? kAttributeDirectory : 0);
  return true;
}

bool MemoryFileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::wstring key = Key(path);
  if (dirs_.count(key) == 0 && files_.count(key) == 0) return false;
  attributes_[key] = attributes & ~kAttributeDirectory;
  return true;
}

}  // namespace orvane
