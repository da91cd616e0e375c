#include "app/cancellation.h"

namespace orvane {

void CancellationToken::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (cancelled_.exchange(true)) return;
  if (child_) child_->Terminate();
}

bool CancellationToken::RegisterChild(ChildProcess* child) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (cancelled_.load()) {
    if (child) child->Terminate();
    child_ = nullptr;
    return false;
  }
  child_ = child;
  return true;
}

void CancellationToken::UnregisterChild(ChildProcess* child) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (child_ == child) child_ = nullptr;
}

void CancellationToken::AddOwnedFolder(const std::wstring& folder) {
  if (folder.empty()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  owned_folders_.push_back(folder);
}

void CancellationToken::RemoveOwnedFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = owned_folders_.begin(); it != owned_folders_.end(); ++it) {
    if (*it == folder) {
      owned_folders_.erase(it);
      return;
    }
  }
}

std::vector<std::wstring> CancellationToken::OwnedFolders() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return owned_folders_;
}

void CancellationToken::RemoveOwnedFolders(FileSystem& files) {
  for (const std::wstring& folder : OwnedFolders()) {
    files.DeleteTree(folder);
    RemoveOwnedFolder(folder);
  }
}

bool CancellableFileSystem::ReadFile(const std::wstring& path, std::string* bytes) {
  if (token_.IsCancelled()) {
    bytes->clear();
    return false;
  }
  return inner_.ReadFile(path, bytes);
}

bool CancellableFileSystem::WriteFile(const std::wstring& path, const std::string& bytes) {
  return !token_.IsCancelled() && inner_.WriteFile(path, bytes);
}

bool CancellableFileSystem::AppendFile(const std::wstring& path, const std::string& bytes) {
  return !token_.IsCancelled() && inner_.AppendFile(path, bytes);
}

bool CancellableFileSystem::TouchFile(const std::wstring& path) {
  return !token_.IsCancelled() && inner_.TouchFile(path);
}

bool CancellableFileSystem::DeleteFile(const std::wstring& path) {
  return !token_.IsCancelled() && inner_.DeleteFile(path);
}

bool CancellableFileSystem::CopyFile(const std::wstring& from, const std::wstring& to) {
  return !token_.IsCancelled() && inner_.CopyFile(from, to);
}

bool CancellableFileSystem::FileExists(const std::wstring& path) {
  return !token_.IsCancelled() && inner_.FileExists(path);
}

bool CancellableFileSystem::DirectoryExists(const std::wstring& path) {
  return !token_.IsCancelled() && inner_.DirectoryExists(path);
}

bool CancellableFileSystem::CreateDirectories(const std::wstring& path) {
  return !token_.IsCancelled() && inner_.CreateDirectories(path);
}

bool CancellableFileSystem::ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) {
  if (token_.IsCancelled()) {
    entries->clear();
    return false;
  }
  return inner_.ListDirectory(path, entries);
}

bool CancellableFileSystem::DeleteTree(const std::wstring& path) {
  return !token_.IsCancelled() && inner_.DeleteTree(path);
}

int64_t CancellableFileSystem::FileSize(const std::wstring& path) {
  return token_.IsCancelled() ? kFileSizeMissing : inner_.FileSize(path);
}

bool CancellableFileSystem::GetAttributes(const std::wstring& path, uint32_t* attributes) {
  return !token_.IsCancelled() && inner_.GetAttributes(path, attributes);
}

bool CancellableFileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
  return !token_.IsCancelled() && inner_.SetAttributes(path, attributes);
}

std::wstring PackageUnpackFolder(const std::wstring& temp_directory) {
  if (temp_directory.size() < 2) return L"";
  return temp_directory.substr(0, 2) + L"\\orvane_dps";
}

}  // namespace orvane
