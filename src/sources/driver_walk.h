// The folder walk shared by the interactive scan, the search inside an
// unpacked package and the unattended run: depth first, the files of a
// folder before its subfolders, a folder's subfolders before the folders
// queued earlier. Folder links and junctions are never entered, so a link
// back up the tree cannot make the walk go round; the walk keeps its queue
// itself, so a tree thousands of folders deep needs no deep call stack.
#pragma once

#include <functional>
#include <string>

#include "platform/file_system.h"

namespace orvane {

// One file met by the walk.
struct WalkedFile {
  std::wstring path;      // base + "\" + relative folder + name
  std::wstring relative;  // the file's folder below base: "" or ending in "\"
  std::wstring name;
};

// How a walk ended.
enum class WalkEnd {
  kCompleted,  // every folder that could be listed was visited
  kStopped,    // the stop test answered true before an entry
  kNoRoot,     // base itself could not be listed
};

// Walks base ("X:\Drivers", no trailing "\"). Before every entry of every
// folder the stop test is asked; true ends the walk at once. Files go to
// on_file; folders are queued (links are not); a folder that cannot be
// listed is skipped.
WalkEnd WalkDriverFolder(FileSystem& files, const std::wstring& base, const std::function<bool()>& stop,
                         const std::function<void(const WalkedFile&)>& on_file);

// How a file handler sees a file: by the text after the last "." of its
// path, lower-cased.
enum class DriverFileKind { kOther, kInf, kPackage };
DriverFileKind KindOfDriverFile(const std::wstring& path);

// The name of a path: the text after its last "\" (or "/").
std::wstring FileNameOf(const std::wstring& path);

// The path without trailing "\" (a drive root "C:\" becomes "C:").
std::wstring WithoutTrailingSeparator(std::wstring path);
// A drive without its root ("C:") as the root folder ("C:\"); any other
// path as it is.
std::wstring ListablePath(const std::wstring& path);

}  // namespace orvane
