#include "app/source_listing.h"

#include <algorithm>

#include "text/text_helpers.h"

namespace orvane {

const wchar_t kComputerFolder[] = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

namespace {

bool IsDriveLetter(wchar_t ch) {
  return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

// "C:" or "c:" alone.
bool IsDriveName(const std::wstring& text) {
  return text.size() == 2 && IsDriveLetter(text[0]) && text[1] == L':';
}

wchar_t UpperAscii(wchar_t ch) { return (ch >= L'a' && ch <= L'z') ? wchar_t(ch - 32) : ch; }

// Wildcard match of name against one pattern, both already lower-cased.
bool WildcardMatch(const std::wstring& name, const std::wstring& pattern) {
  size_t n = 0, p = 0;
  size_t star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// The non-blank patterns of a ";"-separated list, lower-cased.
std::vector<std::wstring> LowerPatterns(const std::wstring& patterns) {
  std::vector<std::wstring> lowered;
  for (const std::wstring& piece : SplitText(patterns, L";")) {
    std::wstring pattern = LowerText(TrimBlanks(piece, kTrimBoth));
    if (!pattern.empty()) lowered.push_back(std::move(pattern));
  }
  return lowered;
}

bool MatchesAny(const std::wstring& name, const std::vector<std::wstring>& lower_patterns) {
  if (lower_patterns.empty()) return true;
  const std::wstring lower_name = LowerText(name);
  for (const std::wstring& pattern : lower_patterns) {
    if (WildcardMatch(lower_name, pattern)) return true;
  }
  return false;
}

bool NameLess(const SourceEntry& a, const SourceEntry& b) {
  const std::wstring la = LowerText(a.name), lb = LowerText(b.name);
  if (la != lb) return la < lb;
  return a.name < b.name;
}

}  // namespace

bool IsShellFolder(const std::wstring& folder) { return StartsWith(folder, L"::{"); }

std::wstring SourceFilterPatterns(const std::wstring& filter_text) {
  std::wstring patterns = filter_text;
  const size_t open = patterns.find(L'(');
  if (open != std::wstring::npos) patterns = patterns.substr(open + 1);
  if (!patterns.empty() && patterns.back() == L')') patterns.pop_back();
  return patterns;
}

bool MatchesSourceFilter(const std::wstring& name, const std::wstring& patterns) {
  return MatchesAny(name, LowerPatterns(patterns));
}

std::wstring NormaliseSourceFolder(const std::wstring& folder) {
  std::wstring text = TrimBlanks(folder, kTrimBoth);
  if (text.empty() || IsShellFolder(text)) return kComputerFolder;
  std::replace(text.begin(), text.end(), L'/', L'\\');

  // The fixed head that ".." cannot climb over: "C:\" or "\\server\share\".
  std::wstring head;
  std::wstring rest;
  if (text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == L':') {
    head = std::wstring(1, UpperAscii(text[0])) + L":\\";
    rest = text.substr(2);
  } else if (StartsWith(text, L"\\\\")) {
    const std::vector<std::wstring> parts = SplitText(text.substr(2), L"\\");
    std::vector<std::wstring> named;
    for (const std::wstring& part : parts) {
      if (!part.empty()) named.push_back(part);
    }
    if (named.size() < 2) return kComputerFolder;  // a server alone is no folder
    head = L"\\\\" + named[0] + L"\\" + named[1] + L"\\";
    for (size_t i = 2; i < named.size(); ++i) rest += L"\\" + named[i];
  } else {
    // A path without drive has no place in the chooser's file system view.
    return kComputerFolder;
  }

  std::vector<std::wstring> steps;
  for (const std::wstring& part : SplitText(rest, L"\\")) {
    const std::wstring step = TrimBlanks(part, kTrimEnd);
    if (step.empty() || step == L".") continue;
    if (step == L"..") {
      if (steps.empty()) return kComputerFolder;
      steps.pop_back();
      continue;
    }
    steps.push_back(part);
  }
  std::wstring result = head;
  for (const std::wstring& step : steps) result += step + L"\\";
  return result;
}

std::wstring SourceStartFolder(FileSystem& files, const std::wstring& start_folder) {
  const std::wstring folder = NormaliseSourceFolder(start_folder);
  if (IsShellFolder(folder)) return folder;
  if (!files.DirectoryExists(folder)) return kComputerFolder;
  return folder;
}

std::wstring ParentSourceFolder(const std::wstring& folder) {
  if (IsShellFolder(folder)) return kComputerFolder;
  return NormaliseSourceFolder(folder + L"..");
}

std::wstring SourceEntryPath(const std::wstring& folder, const SourceEntry& entry) {
  switch (entry.kind) {
    case SourceEntryKind::kUp:
      return ParentSourceFolder(folder);
    case SourceEntryKind::kDrive:
      return NormaliseSourceFolder(entry.name);
    case SourceEntryKind::kFolder:
      return NormaliseSourceFolder(folder + entry.name);
    case SourceEntryKind::kFile:
      break;
  }
  return folder + entry.name;
}

std::wstring SourceChoicePath(const std::wstring& folder, const SourceEntry* selected) {
  std::wstring path = folder;
  if (selected != nullptr && selected->kind != SourceEntryKind::kUp) {
    path = SourceEntryPath(folder, *selected);
  }
  if (IsShellFolder(path)) return L"";
  // A drive root keeps its "\" ("C:" alone would mean the drive's current folder).
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring SourceFolderPart(const std::wstring& path) {
  const size_t last = FindLast(path, L'\\');
  if (last == 0) return kComputerFolder;
  return path.substr(0, last - 1);
}

bool ListSourceFolder(FileSystem& files, const std::vector<std::wstring>& drives,
                      const std::wstring& folder, const std::wstring& patterns,
                      std::vector<SourceEntry>* entries) {
  entries->clear();
  if (IsShellFolder(folder)) {
    for (const std::wstring& drive : drives) {
      std::wstring name = TrimBlanks(drive, kTrimBoth);
      if (name.size() >= 2) name = name.substr(0, 2);
      if (!IsDriveName(name)) continue;
      name[0] = UpperAscii(name[0]);
      SourceEntry entry;
      entry.kind = SourceEntryKind::kDrive;
      entry.name = name;
      entries->push_back(entry);
    }
    return true;
  }

  std::vector<DirEntry> listed;
  if (!files.ListDirectory(folder, &listed)) return false;
  const std::vector<std::wstring> lower_patterns = LowerPatterns(patterns);
  std::vector<SourceEntry> folders, matching;
  for (const DirEntry& item : listed) {
    if (item.name.empty() || item.name == L"." || item.name == L"..") continue;
    SourceEntry entry;
    entry.name = item.name;
    if (item.is_directory) {
      entry.kind = SourceEntryKind::kFolder;
      folders.push_back(entry);
    } else if (MatchesAny(item.name, lower_patterns)) {
      entry.kind = SourceEntryKind::kFile;
      entry.size = item.size;
      matching.push_back(entry);
    }
  }
  std::sort(folders.begin(), folders.end(), NameLess);
  std::sort(matching.begin(), matching.end(), NameLess);

  SourceEntry up;
  up.kind = SourceEntryKind::kUp;
  up.name = L"..";
  entries->push_back(up);
  entries->insert(entries->end(), folders.begin(), folders.end());
  entries->insert(entries->end(), matching.begin(), matching.end());
  return true;
}

}  // namespace orvane
