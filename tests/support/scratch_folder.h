// A fresh folder of the host's temporary directory for one test, removed
// with everything in it when the test ends.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/system_info.h"
#include "support/host_platform.h"

namespace orvane {

class ScratchFolder {
 public:
  ScratchFolder() : files_(MakeHostFileSystem()) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = MakeHostSystemInfo()->TempDirectory() + L"orvane-test-" + std::to_wstring(now % 1000000007) +
            L"-" + std::to_wstring(counter++);
    files_->CreateDirectories(path_);
  }
  ~ScratchFolder() { files_->DeleteTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder, without a trailing separator.
  const std::wstring& path() const { return path_; }
  // A path inside it.
  std::wstring operator/(const std::wstring& name) const { return path_ + files_->Separator() + name; }
  FileSystem& files() { return *files_; }

 private:
  std::unique_ptr<FileSystem> files_;
  std::wstring path_;
};

}  // namespace orvane
