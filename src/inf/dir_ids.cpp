#include "inf/dir_ids.h"

#include <cwctype>
#include <unordered_map>

#include "text/text_helpers.h"

namespace orvane {

namespace {

bool IsPathSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

// A subfolder field without blanks around it, double quotes, trailing and
// then leading "\". A destination is trimmed before its quotes go, a source
// field after.
std::wstring CleanSubfolder(const std::wstring& text, bool trimFirst) {
  std::wstring sub = trimFirst ? RemoveQuotes(TrimBlanks(text, kTrimBoth))
                               : TrimBlanks(RemoveQuotes(text), kTrimBoth);
  while (!sub.empty() && sub.back() == L'\\') sub.pop_back();
  size_t lead = 0;
  while (lead < sub.size() && sub[lead] == L'\\') ++lead;
  return sub.substr(lead);
}

// Replaces every occurrence of token (letter case ignored) by value, left to
// right, never looking into the inserted text again.
std::wstring ReplaceNoCase(const std::wstring& text, const std::wstring& lowerText,
                           const std::wstring& token, const std::wstring& value) {
  size_t pos = lowerText.find(token);
  if (pos == std::wstring::npos) return text;
  std::wstring out;
  size_t from = 0;
  while (pos != std::wstring::npos) {
    out.append(text, from, pos - from);
    out += value;
    from = pos + token.size();
    pos = lowerText.find(token, from);
  }
  out.append(text, from, std::wstring::npos);
  return out;
}

}  // namespace

std::wstring CopySectionTable::DestinationOf(const std::wstring& name) const {
  const std::wstring lower = LowerText(name);
  for (const DestinationEntry& entry : destinations) {
    if (LowerText(entry.name) == lower) return entry.destination;
  }
  return L"";
}

std::wstring DestinationListText(const CopySectionTable& table) {
  std::wstring text;
  for (const DestinationEntry& entry : table.destinations) {
    text += entry.name;
    text += L'=';
    text += entry.destination;
    text += L'|';
  }
  return text;
}

std::wstring SectionLinesText(const CopySectionTable& table, size_t k) {
  std::wstring text;
  if (k == 0 || k > table.sections.size()) return text;
  for (const std::wstring& line : table.sections[k - 1]) {
    text += line;
    text += L'|';
  }
  return text;
}

void ReadCopySections(const InfDocument& inf, const std::wstring& sectionList,
                      CopySectionTable* table) {
  *table = CopySectionTable();
  const std::wstring lowerList = LowerText(sectionList);
  std::vector<std::wstring> names = SplitText(lowerList, L",");
  table->sections.resize(names.size());

  // Headers: "[" + name + "]" for each listed name, the first listed that
  // begins a header line opens its section. A header line is looked up at
  // each of its "]", so many listed sections cost no more than a few.
  std::unordered_map<std::wstring, size_t> heads;
  for (size_t k = 0; k < names.size(); ++k) heads.emplace(L"[" + names[k] + L"]", k);

  const size_t lineCount = inf.LineCount();
  size_t open = static_cast<size_t>(-1);
  for (size_t i = 0; i < lineCount; ++i) {
    const std::wstring line = TrimBlanks(std::wstring(inf.Line(i)), kTrimBoth);
    const bool header = !line.empty() && line[0] == L'[';
    if (header) open = static_cast<size_t>(-1);
    if (open != static_cast<size_t>(-1)) {
      const size_t cut = line.find(L';');
      std::wstring kept = cut == std::wstring::npos ? line : line.substr(0, cut);
      if (!kept.empty()) table->sections[open].push_back(std::move(kept));
    }
    if (header) {
      const std::wstring lower = LowerText(line);
      for (size_t close = lower.find(L']'); close != std::wstring::npos;
           close = lower.find(L']', close + 1)) {
        auto found = heads.find(lower.substr(0, close + 1));
        if (found != heads.end() && found->second < open) open = found->second;
      }
    }
  }

  // The [DestinationDirs] lines (slot of name 1) split at their first "=".
  struct DirLine {
    std::wstring key;        // trimmed, as written
    std::wstring lowerKey;   // trimmed, lower-cased
    std::wstring value;      // after the "=", untrimmed
  };
  std::vector<DirLine> dirLines;
  std::wstring fallback = L"11";
  for (const std::wstring& line : table->sections[0]) {
    const size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) continue;
    DirLine d;
    d.key = TrimBlanks(line.substr(0, eq), kTrimBoth);
    d.lowerKey = LowerText(d.key);
    d.value = line.substr(eq + 1);
    if (d.lowerKey == L"defaultdestdir") fallback = d.value;
    dirLines.push_back(std::move(d));
  }

  // Name 1 stands for DefaultDestDir; the list after its first "," follows.
  const size_t comma = lowerList.find(L',');
  const std::wstring rest = comma == std::wstring::npos ? L"" : lowerList.substr(comma + 1);
  std::vector<std::wstring> destNames = SplitText(L"DefaultDestDir," + rest, L",");
  destNames.pop_back();  // the piece after the last ","
  std::unordered_map<std::wstring, std::vector<size_t>> linesByKey;
  for (size_t i = 0; i < dirLines.size(); ++i) linesByKey[dirLines[i].lowerKey].push_back(i);
  for (const std::wstring& name : destNames) {
    auto found = linesByKey.find(LowerText(name));
    if (found == linesByKey.end()) {
      table->destinations.push_back(DestinationEntry{name, fallback});
      continue;
    }
    for (size_t i : found->second) {
      table->destinations.push_back(DestinationEntry{dirLines[i].key, dirLines[i].value});
    }
  }

  table->names = std::move(names);
  if (!table->names.empty()) table->names[0] = L"DefaultDestDir";
}

void ReadCopySections(FileSystem& files, const std::wstring& infPath,
                      const std::wstring& sectionList, CopySectionTable* table) {
  ReadCopySections(InfDocument::Load(files, infPath), sectionList, table);
}

std::wstring DestDirToken(const std::wstring& entry) {
  std::wstring dirid = entry;
  std::wstring sub;
  const size_t comma = entry.find(L',');
  if (comma != std::wstring::npos) {
    sub = L"\\" + CleanSubfolder(entry.substr(comma + 1), true);
    dirid = entry.substr(0, comma);
  }
  return L"%" + TrimBlanks(dirid, kTrimBoth) + L"%" + sub;
}

std::wstring ResolveDirIds(const std::wstring& windowsDir, const std::wstring& programFilesDir,
                           const std::wstring& storeFolder, const std::wstring& text) {
  const std::wstring& w = windowsDir;
  const std::wstring drive = Field(windowsDir, L"\\", 1);
  const std::wstring system32 = w + L"\\System32";
  const std::pair<const wchar_t*, std::wstring> table[] = {
      {L"%%", L"%"},
      {L"%10%", w},
      {L"%11%", system32},
      {L"%12%", w + L"\\System32\\Drivers"},
      {L"%13%", w + L"\\System32\\DriverStore\\FileRepository\\" + storeFolder},
      {L"%17%", w + L"\\Inf"},
      {L"%18%", w + L"\\Help"},
      {L"%20%", w + L"\\Fonts"},
      {L"%24%", drive},
      {L"%30%", drive},
      {L"%50%", w + L"\\System"},
      {L"%16422%", programFilesDir},
      {L"%66002%", system32},
      {L"%66003%", w + L"\\System32\\Spool\\drivers\\color"},
      {L"%programfiles%", programFilesDir},
      {L"%systemdirectory%", system32},
      {L"%windir%", w},
      {L"%systemroot%", w},
      {L"%systemdrive%", drive},
  };
  std::wstring result = text;
  for (const auto& row : table) {
    if (result.find(L'%') == std::wstring::npos) break;
    result = ReplaceNoCase(result, LowerText(result), row.first, row.second);
  }
  // A path on another drive moves to the receiving system's drive.
  if (result.size() >= 2 && result[1] == L':' && std::iswalpha(static_cast<wint_t>(result[0])) &&
      result[0] < 0x80) {
    result = drive + result.substr(2);
  }
  return result;
}

std::wstring SourceFileDir(const InfDocument& inf, const std::wstring& baseDir,
                           const std::wstring& fileName, const std::wstring& architecture) {
  std::wstring base = baseDir;
  std::wstring entry = inf.ReadValue(L"SourceDisksFiles." + architecture, fileName, L"");
  if (entry.empty()) entry = inf.ReadValue(L"SourceDisksFiles", fileName, L"");

  std::wstring sub;
  if (FieldCount(entry, L",") >= 2) {
    sub = CleanSubfolder(Field(entry, L",", 2), false);
    if (sub == L"..") {
      size_t cut = base.size();
      while (cut > 0 && !IsPathSeparator(base[cut - 1])) --cut;
      base = cut == 0 ? L"" : base.substr(0, cut - 1);
      sub.clear();
    } else if (!sub.empty()) {
      sub = L"\\" + sub;
    }
  }

  const std::wstring diskId = TrimBlanks(Field(entry, L",", 1), kTrimBoth);
  std::wstring path;
  if (!diskId.empty()) {
    std::wstring disk = inf.ReadValue(L"SourceDisksNames." + architecture, diskId, L"");
    if (disk.empty()) disk = inf.ReadValue(L"SourceDisksNames", diskId, L"");
    if (FieldCount(disk, L",") >= 4) {
      path = CleanSubfolder(Field(disk, L",", 4), false);
      if (!path.empty()) path = L"\\" + path;
    }
  }
  return base + path + sub;
}

std::wstring SourceFileDir(FileSystem& files, const std::wstring& infPath,
                           const std::wstring& baseDir, const std::wstring& fileName,
                           const std::wstring& architecture) {
  return SourceFileDir(InfDocument::Load(files, infPath), baseDir, fileName, architecture);
}

}  // namespace orvane
