// What the source chooser lists and how it moves between folders. The window
// itself lives in the user interface; everything that decides which entries
// are shown, in which order, and which path a choice stands for is here.
//
// Folders are Windows paths. A folder of the file system is kept with a final
// "\" ("C:\", "C:\Drivers\"); the computer folder, which lists the drives, is
// the shell's namespace name `kComputerFolder`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

// The shell's "computer" folder: the chooser's first start folder.
extern const wchar_t kComputerFolder[];

enum class SourceEntryKind {
  kUp,      // ".." of a folder: back to the folder above (or to the computer)
  kDrive,   // a drive of the computer folder, named like "C:"
  kFolder,  // a subfolder
  kFile,    // a file that matches the filter
};

struct SourceEntry {
  SourceEntryKind kind = SourceEntryKind::kFile;
  std::wstring name;
  uint64_t size = 0;  // files only
};

// Does the folder text name a shell namespace folder ("::{...")?
bool IsShellFolder(const std::wstring& folder);

// The patterns of a filter text: the part after its first "(", without a
// final ")". "Folder (*.inf;*.zip;*.7z)" gives "*.inf;*.zip;*.7z". A text
// without "(" is taken as it is.
std::wstring SourceFilterPatterns(const std::wstring& filter_text);

// Does a file name match one of the ";"-separated wildcard patterns ("*" any
// run, "?" one character), letter case ignored? Blank patterns are skipped;
// no pattern at all matches every name.
bool MatchesSourceFilter(const std::wstring& name, const std::wstring& patterns);

// A folder as the chooser keeps it: blanks around it removed, "/" read as
// "\", doubled "\" reduced to one (a leading "\\" of a network path stays),
// "." and ".." steps resolved, and a final "\" added. A shell namespace
// folder, an empty text and a climb above a drive root give kComputerFolder.
std::wstring NormaliseSourceFolder(const std::wstring& folder);

// Where the chooser opens: the start folder as kept (see above), or the
// computer folder when the start folder no longer exists.
std::wstring SourceStartFolder(FileSystem& files, const std::wstring& start_folder);

// The folder above a kept folder; a drive root or network share root gives
// kComputerFolder, and so does the computer folder itself.
std::wstring ParentSourceFolder(const std::wstring& folder);

// Folder (kept form) + entry name: the path the entry stands for. A drive
// gives its root ("C:\"), ".." the folder above, a subfolder its kept form
// with final "\", a file its full path.
std::wstring SourceEntryPath(const std::wstring& folder, const SourceEntry& entry);

// The path a confirmation returns: the folder without its final "\" (a drive
// root keeps it: "C:\"), or the joined path of the selected entry. Empty when
// nothing on the file system is meant (the computer folder with nothing or
// ".." selected).
std::wstring SourceChoicePath(const std::wstring& folder, const SourceEntry* selected);

// The folder part of a chosen path without trailing "\": the text before its
// last "\" ("C:\Drivers\net.inf" gives "C:\Drivers", "C:\Drivers" gives
// "C:"). A text without "\" gives kComputerFolder.
std::wstring SourceFolderPart(const std::wstring& path);

// The entries of a kept folder, in the order the chooser shows them: for the
// computer folder the drives as given (each "C:" style, letters upper-cased);
// for any other folder "..", then its subfolders, then the files that match
// the patterns, each group sorted by name with letter case ignored. False
// (and no entries) when the folder cannot be listed.
bool ListSourceFolder(FileSystem& files, const std::vector<std::wstring>& drives,
                      const std::wstring& folder, const std::wstring& patterns,
                      std::vector<SourceEntry>* entries);

}  // namespace orvane
