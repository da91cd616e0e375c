// Forced end of a run. The window's thread cancels the token; the run checks
// it before every file operation and every external call and gives up at the
// first check that finds it set. A child process the run is waiting for is
// ended at once.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

// A running child process (the archiver) that a run waits for.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Ends the process at once. May be called from another thread while the
  // run waits for it.
  virtual void Terminate() = 0;
};

class CancellationToken {
 public:
  CancellationToken() = default;
  CancellationToken(const CancellationToken&) = delete;
  CancellationToken& operator=(const CancellationToken&) = delete;

  // Sets the token and ends the registered child process, if any. Calling it
  // again does nothing more.
  void Cancel();
  bool IsCancelled() const { return cancelled_.load(); }

  // Registers the child the run is about to wait for. When the token is
  // already set the child is ended at once and the answer is false. Only one
  // child is registered at a time; a new one replaces the old.
  bool RegisterChild(ChildProcess* child);
  // Forgets the child; waits for a Cancel() that is ending it right now, so
  // that the child may be destroyed afterwards.
  void UnregisterChild(ChildProcess* child);

  // Folders the run has created for itself (an unpack folder) and still
  // owns. Whoever ends the run at once removes exactly these afterwards,
  // never a folder of the same usual name that the run did not make.
  void AddOwnedFolder(const std::wstring& folder);
  void RemoveOwnedFolder(const std::wstring& folder);
  std::vector<std::wstring> OwnedFolders() const;
  // Deletes those folders and forgets them: the clean-up of whoever ended
  // the run at once.
  void RemoveOwnedFolders(FileSystem& files);

 private:
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  ChildProcess* child_ = nullptr;
  std::vector<std::wstring> owned_folders_;
};

// Registers a child for the lifetime of the object.
class ChildRegistration {
 public:
  ChildRegistration(CancellationToken& token, ChildProcess* child)
      : token_(token), child_(child), accepted_(token.RegisterChild(child)) {}
  ~ChildRegistration() { token_.UnregisterChild(child_); }
  ChildRegistration(const ChildRegistration&) = delete;
  ChildRegistration& operator=(const ChildRegistration&) = delete;
  // False when the token was already set (the child has been ended).
  bool accepted() const { return accepted_; }

 private:
  CancellationToken& token_;
  ChildProcess* child_;
  bool accepted_;
};

// A file system that checks the token before every operation: once the token
// is set, every operation fails without touching the files (reads and lists
// give nothing, writes are not made).
class CancellableFileSystem : public FileSystem {
 public:
  CancellableFileSystem(FileSystem& inner, const CancellationToken& token) : inner_(inner), token_(token) {}

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
  wchar_t Separator() const override { return inner_.Separator(); }

 private:
  FileSystem& inner_;
  const CancellationToken& token_;
};

// The usual name of the folder into which packages are unpacked: the first
// two characters of the temporary directory (its drive, such as "X:")
// followed by "\orvane_dps". "" when the temporary directory is shorter than
// two characters. A run creates its folder with CreateRunFolder on this
// name, so it may get "\orvane_dps.1" and so on.
std::wstring PackageUnpackFolder(const std::wstring& temp_directory);

}  // namespace orvane
