#include "sources/driver_walk.h"

#include <deque>
#include <vector>

#include "text/text_helpers.h"

namespace orvane {

WalkEnd WalkDriverFolder(FileSystem& files, const std::wstring& base, const std::function<bool()>& stop,
                         const std::function<void(const WalkedFile&)>& on_file) {
  // Relative folders still to visit, the next one in front.
  std::deque<std::wstring> queue{std::wstring()};
  std::vector<DirEntry> entries;
  bool first = true;
  while (!queue.empty()) {
    const std::wstring relative = std::move(queue.front());
    queue.pop_front();
    const std::wstring folder = relative.empty() ? base : base + L"\\" + relative.substr(0, relative.size() - 1);
    if (!files.ListDirectory(ListablePath(folder), &entries)) {
      if (first) return WalkEnd::kNoRoot;
      continue;
    }
    first = false;
    std::vector<std::wstring> subfolders;
    for (const DirEntry& entry : entries) {
      if (stop && stop()) return WalkEnd::kStopped;
      if (entry.is_directory) {
        if (!entry.is_link) subfolders.push_back(relative + entry.name + L"\\");
        continue;
      }
      on_file(WalkedFile{folder + L"\\" + entry.name, relative, entry.name});
    }
    queue.insert(queue.begin(), subfolders.begin(), subfolders.end());
  }
  return WalkEnd::kCompleted;
}

DriverFileKind KindOfDriverFile(const std::wstring& path) {
  const size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos) return DriverFileKind::kOther;
  const std::wstring extension = LowerText(path.substr(dot + 1));
  if (extension == L"inf") return DriverFileKind::kInf;
  if (extension == L"zip" || extension == L"7z") return DriverFileKind::kPackage;
  return DriverFileKind::kOther;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::wstring ListablePath(const std::wstring& path) {
  return path.size() == 2 && path[1] == L':' ? path + L"\\" : path;
}

}  // namespace orvane
