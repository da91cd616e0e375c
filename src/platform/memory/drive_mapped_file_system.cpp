#include "platform/memory/drive_mapped_file_system.h"

#include <algorithm>

#include "text/text_helpers.h"

namespace orvane {

void DriveMappedFileSystem::MapDrive(const std::wstring& letter, const std::wstring& folder) {
  if (letter.empty()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  drives_[LowerChar(letter[0])] = folder;
}

std::wstring DriveMappedFileSystem::InnerPath(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return L"";
  std::wstring current;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto drive = drives_.find(LowerChar(path[0]));
    if (drive == drives_.end()) return L"";
    current = drive->second;
  }
  // The parts below the root, "." and ".." resolved.
  std::vector<std::wstring> parts;
  std::wstring part;
  auto take = [&]() {
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (size_t i = 2; i < path.size(); ++i) {
    if (path[i] == L'\\' || path[i] == L'/') {
      take();
    } else {
      part += path[i];
    }
  }
  take();

  const wchar_t separator = inner_.Separator();
  std::vector<DirEntry> entries;
  for (const std::wstring& name : parts) {
    std::wstring exact = current + separator + name;
    if (inner_.FileSize(exact) != kFileSizeMissing) {
      current = exact;
      continue;
    }
    std::wstring found = name;
    if (inner_.ListDirectory(current, &entries)) {
      for (const DirEntry& entry : entries) {
        if (EqualsNoCase(entry.name, name)) {
          found = entry.name;
          break;
        }
      }
    }
    current += separator + found;
  }
  return current;
}

bool DriveMappedFileSystem::ReadFile(const std::wstring& path, std::string* bytes) {
  const std::wstring inner = InnerPath(path);
  if (inner.empty()) {
    bytes->clear();
    return false;
  }
  return inner_.ReadFile(inner, bytes);
}

bool DriveMappedFileSystem::WriteFile(const std::wstring& path, const std::string& bytes) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.WriteFile(inner, bytes);
}

bool DriveMappedFileSystem::AppendFile(const std::wstring& path, const std::string& bytes) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.AppendFile(inner, bytes);
}

bool DriveMappedFileSystem::TouchFile(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.TouchFile(inner);
}

bool DriveMappedFileSystem::DeleteFile(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.DeleteFile(inner);
}

bool DriveMappedFileSystem::CopyFile(const std::wstring& from, const std::wstring& to) {
  const std::wstring inner_from = InnerPath(from);
  const std::wstring inner_to = InnerPath(to);
  return !inner_from.empty() && !inner_to.empty() && inner_.CopyFile(inner_from, inner_to);
}

bool DriveMappedFileSystem::FileExists(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.FileExists(inner);
}

bool DriveMappedFileSystem::DirectoryExists(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.DirectoryExists(inner);
}

bool DriveMappedFileSystem::CreateDirectories(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.CreateDirectories(inner);
}

bool DriveMappedFileSystem::ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) {
  entries->clear();
  const std::wstring inner = InnerPath(path);
  if (inner.empty() || !inner_.ListDirectory(inner, entries)) return false;
  // In name order, letter case ignored, as the Windows file system lists a
  // folder (whatever order the host's folders have).
  std::sort(entries->begin(), entries->end(), [](const DirEntry& a, const DirEntry& b) {
    return LowerText(a.name) < LowerText(b.name);
  });
  return true;
}

bool DriveMappedFileSystem::DeleteTree(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  // A drive's root itself is never deleted.
  if (inner.empty()) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& drive : drives_) {
      if (drive.second == inner) return false;
    }
  }
  return inner_.DeleteTree(inner);
}

int64_t DriveMappedFileSystem::FileSize(const std::wstring& path) {
  const std::wstring inner = InnerPath(path);
  return inner.empty() ? kFileSizeMissing : inner_.FileSize(inner);
}

bool DriveMappedFileSystem::GetAttributes(const std::wstring& path, uint32_t* attributes) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.GetAttributes(inner, attributes);
}

bool DriveMappedFileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
  const std::wstring inner = InnerPath(path);
  return !inner.empty() && inner_.SetAttributes(inner, attributes);
}

}  // namespace orvane
