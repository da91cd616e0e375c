// A new, empty folder below the host's temporary directory, removed with
// everything in it when the object goes. Its path ends without a separator.
#pragma once

#include <memory>
#include <random>
#include <string>

#include "platform/file_system.h"
#include "support/host_platform.h"

namespace orvane {

class ScratchFolder {
 public:
  explicit ScratchFolder(FileSystem& files) : files_(files) {
    std::random_device random;
    path_ = MakeHostSystemInfo()->TempDirectory() + L"orvane-test-" +
            std::to_wstring(random()) + std::to_wstring(random());
    ready_ = files_.CreateDirectories(path_);
  }
  ~ScratchFolder() {
    // Read-only entries are forced by DeleteTree.
    files_.DeleteTree(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool ready() const { return ready_; }
  const std::wstring& path() const { return path_; }

 private:
  FileSystem& files_;
  std::wstring path_;
  bool ready_ = false;
};

}  // namespace orvane
