#include "install/run_folder.h"

#include "text/text_helpers.h"

namespace orvane {

namespace {

constexpr int kMaxAttempts = 1000;

}  // namespace

std::wstring CreateRunFolder(FileSystem& files, const std::wstring& base) {
  if (base.empty()) return L"";
  for (int n = 0; n < kMaxAttempts; ++n) {
    const std::wstring folder = n == 0 ? base : base + L"." + DecimalText(n);
    if (files.FileSize(folder) != kFileSizeMissing) continue;  // a file or folder of the user's
    if (!files.CreateDirectories(folder)) return L"";
    return folder;
  }
  return L"";
}

ScopedRunFolder::ScopedRunFolder(FileSystem& files, CancellationToken& token, const std::wstring& base)
    : files_(files), token_(token) {
  path_ = CreateRunFolder(files, base);
  token_.AddOwnedFolder(path_);
}

ScopedRunFolder::~ScopedRunFolder() {
  if (path_.empty() || token_.IsCancelled()) return;
  files_.DeleteTree(path_);
  token_.RemoveOwnedFolder(path_);
}

}  // namespace orvane
