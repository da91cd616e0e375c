#include "install/staging.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "inf/dir_ids.h"
#include "inf/driver_match.h"
#include "inf/inf_reader.h"
#include "registry/registry_access.h"
#include "text/text_helpers.h"

namespace orvane {

namespace {

bool IsPathSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

// Position just after the last separator of path (0 when it has none).
size_t NameStart(const std::wstring& path) {
  size_t cut = path.size();
  while (cut > 0 && !IsPathSeparator(path[cut - 1])) --cut;
  return cut;
}

// The tails of the listed paths, lower-cased: for every "\" of a path the
// text after it, and for sources the whole path too. A name is listed when
// it is one of them: a whole file name, never the end of a longer one.
class NameIndex {
 public:
  void Add(const std::wstring& path, bool whole) {
    const std::wstring lower = LowerText(path);
    if (whole) tails_.insert(lower);
    for (size_t pos = lower.find(L'\\'); pos != std::wstring::npos; pos = lower.find(L'\\', pos + 1)) {
      tails_.insert(lower.substr(pos + 1));
    }
  }
  bool Has(const std::wstring& name) const { return tails_.count(LowerText(name)) != 0; }

 private:
  std::unordered_set<std::wstring> tails_;
};

// The segments of a path after "." and ".." are resolved ("\" and "/" both
// separate; a ".." above the first segment is dropped), lower-cased.
std::vector<std::wstring> ResolvedSegments(const std::wstring& path) {
  std::vector<std::wstring> segments;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsPathSeparator(path[i])) continue;
    std::wstring segment = path.substr(start, i - start);
    start = i + 1;
    if (segment == L".") continue;
    if (segment == L"..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(LowerText(segment));
  }
  return segments;
}

// One staging walk over one INF, towards a Windows or out of one.
class StagingWalk {
 public:
  StagingWalk(const InfDocument& inf, const SystemProfile& profile, StagingList* list)
      : inf_(inf), profile_(profile), list_(list) {
    for (const StagingEntry& entry : *list) Index(entry);
  }

  // Out of a Windows into exportFolder; otherwise into a Windows from infFolder.
  void SetExport(const std::wstring& exportFolder, const std::wstring& storeFolder) {
    exporting_ = true;
    base_ = exportFolder;
    store_ = storeFolder;
    exportSegments_ = ResolvedSegments(exportFolder);
  }
  void SetInstall(const std::wstring& infFolder) {
    exporting_ = false;
    base_ = infFolder;
    store_ = L"%13%";
  }

  void Append(const std::wstring& source, const std::wstring& destination) {
    if (exporting_ && !InsideExport(destination)) return;
    list_->push_back(StagingEntry{source, destination});
    Index(list_->back());
  }

  void Walk(const std::wstring& sectionList);

 private:
  std::wstring Expand(const std::wstring& text) const {
    return inf_.ExpandStrings(profile_.language, text);
  }
  std::wstring Resolve(const std::wstring& text) const {
    return ResolveDirIds(profile_.windows_dir, profile_.program_files, store_, text);
  }
  // The folder of a file on the source disks, laid out below base_.
  std::wstring DiskFolder(const std::wstring& name) const {
    return SourceFileDir(inf_, base_, name, profile_.architecture);
  }
  std::wstring InfFolderOfWindows() const { return profile_.windows_dir + L"\\inf\\"; }

  void Index(const StagingEntry& entry) {
    sources_.Add(entry.source, true);
    destinations_.Add(entry.destination, false);
  }
  bool InsideExport(const std::wstring& path) const {
    const std::vector<std::wstring> segments = ResolvedSegments(path);
    if (segments.size() <= exportSegments_.size()) return false;
    for (size_t i = 0; i < exportSegments_.size(); ++i) {
      if (segments[i] != exportSegments_[i]) return false;
    }
    return true;
  }

  void CopyInf(const std::wstring& value);
  void AddService(const std::wstring& value);
  void CopyLine(const std::wstring& resolvedDestination, const std::wstring& line);

  const InfDocument& inf_;
  const SystemProfile& profile_;
  StagingList* list_;
  bool exporting_ = false;
  std::wstring base_;
  std::wstring store_;
  std::vector<std::wstring> exportSegments_;
  NameIndex sources_;
  NameIndex destinations_;
};

void StagingWalk::CopyInf(const std::wstring& value) {
  for (const std::wstring& field : SplitText(value, L",")) {
    std::wstring name = TrimBlanks(RemoveQuotes(field), kTrimBoth);
    if (name.empty()) continue;
    name = Expand(name);
    if (destinations_.Has(name)) continue;
    if (exporting_) {
      Append(InfFolderOfWindows() + name, DiskFolder(name) + L"\\" + name);
    } else {
      Append(DiskFolder(name) + L"\\" + name, InfFolderOfWindows() + name);
    }
  }
}

void StagingWalk::AddService(const std::wstring& value) {
  if (FieldCount(value, L",") < 3) return;
  const std::wstring serviceSection =
      Expand(TrimBlanks(RemoveQuotes(Field(value, L",", 3)), kTrimBoth));
  std::wstring binary = inf_.ReadValue(serviceSection, L"ServiceBinary", L"");
  if (binary.empty()) return;
  binary = Expand(TrimBlanks(binary.substr(0, binary.find(L';')), kTrimBoth));
  const std::wstring fileName = binary.substr(binary.rfind(L'\\') == std::wstring::npos
                                                  ? 0
                                                  : binary.rfind(L'\\') + 1);
  const std::wstring folder = DiskFolder(fileName);
  if (folder.empty()) return;
  if (sources_.Has(fileName)) return;
  const std::wstring installed = Expand(Resolve(binary));
  if (exporting_) {
    Append(installed, folder + L"\\" + fileName);
  } else {
    Append(folder + L"\\" + fileName, installed);
  }
}

void StagingWalk::CopyLine(const std::wstring& resolvedDestination, const std::wstring& line) {
  const std::wstring text = Expand(RemoveQuotes(line));
  const std::wstring destinationName = TrimBlanks(Field(text, L",", 1), kTrimBoth);
  std::wstring sourceName = TrimBlanks(Field(text, L",", 2), kTrimBoth);
  if (sourceName.empty()) sourceName = destinationName;
  if (sources_.Has(sourceName)) return;
  const std::wstring installed = resolvedDestination + L"\\" + destinationName;
  const std::wstring onDisk = DiskFolder(sourceName) + L"\\" + sourceName;
  if (exporting_) {
    Append(installed, onDisk);
  } else {
    Append(onDisk, installed);
  }
}

void StagingWalk::Walk(const std::wstring& sectionList) {
  // The install sections, each with its co-installer and service sections.
  std::vector<std::wstring> queue;
  std::vector<std::wstring> listed = SplitText(sectionList, L",");
  listed.pop_back();  // the piece after the last ","
  for (const std::wstring& section : listed) {
    queue.push_back(section);
    queue.push_back(section + L".CoInstallers");
    queue.push_back(section + L".services");
  }
  const std::wstring classInstall =
      L"ClassInstall32" + InstallSectionDecoration(inf_, L"ClassInstall32", profile_.architecture);
  queue.push_back(classInstall);
  queue.push_back(classInstall + L".services");

  std::wstring copyList;
  for (const std::wstring& section : queue) {
    inf_.VisitSectionEntries(section, [&](std::wstring_view rawKey, std::wstring_view rawValue) {
      const std::wstring key = LowerText(TrimBlanks(std::wstring(rawKey), kTrimBoth));
      std::wstring value(rawValue.substr(0, rawValue.find(L';')));
      if (key == L"copyfiles") {
        copyList += value;
        copyList += L',';
      } else if (key == L"copyinf") {
        CopyInf(value);
      } else if (key == L"addservice") {
        AddService(value);
      }
    });
  }

  // "@" names a single file for DefaultDestDir; the rest are copy sections.
  std::vector<std::wstring> directFiles;
  std::unordered_set<std::wstring> directSeen, sectionSeen;
  std::wstring copySections = L"DestinationDirs,";
  for (const std::wstring& field : SplitText(copyList, L",")) {
    if (field.find(L'@') != std::wstring::npos) {
      std::wstring name;
      for (wchar_t ch : field) {
        if (ch != L'@') name += ch;
      }
      name = TrimBlanks(name, kTrimBoth);
      if (directSeen.insert(LowerText(name)).second) directFiles.push_back(name);
    } else {
      const std::wstring name = TrimBlanks(field, kTrimBoth);
      if (sectionSeen.insert(LowerText(name)).second) copySections += name + L",";
    }
  }

  CopySectionTable table;
  ReadCopySections(inf_, copySections, &table);
  table.sections[0] = std::move(directFiles);
  // Each copy section takes the first destination entry of its name.
  std::unordered_map<std::wstring, const std::wstring*> destinationOf;
  for (const DestinationEntry& entry : table.destinations) {
    destinationOf.emplace(LowerText(entry.name), &entry.destination);
  }
  for (size_t k = 0; k < table.sections.size(); ++k) {
    if (table.sections[k].empty()) continue;
    auto found = destinationOf.find(LowerText(table.names[k]));
    const std::wstring destination = found == destinationOf.end() ? L"" : *found->second;
    const std::wstring resolved = Expand(Resolve(DestDirToken(destination)));
    for (const std::wstring& line : table.sections[k]) CopyLine(resolved, line);
  }
}

}  // namespace

void StageDriverFiles(FileSystem& files, const SystemProfile& target, const std::wstring& infFolder,
                      const std::wstring& infName, const std::wstring& sectionList,
                      StagingList* list) {
  const std::wstring infPath = infFolder + L"\\" + infName;
  const InfDocument inf = InfDocument::Load(files, infPath);
  StagingWalk walk(inf, target, list);
  walk.SetInstall(infFolder);
  walk.Append(infPath, target.windows_dir + L"\\inf\\" + infName);
  walk.Walk(sectionList);
}

void StageExportFiles(FileSystem& files, const SystemProfile& source, const std::wstring& infName,
                      const std::wstring& sectionList, const std::wstring& driverStoreDir,
                      const std::wstring& exportFolder, StagingList* list) {
  const std::wstring installedInf = source.windows_dir + L"\\inf\\" + infName;
  const InfDocument inf = InfDocument::Load(files, installedInf);
  StagingWalk walk(inf, source, list);
  walk.SetExport(exportFolder, driverStoreDir);
  walk.Append(installedInf, exportFolder + L"\\" + infName);
  walk.Walk(sectionList);

  // The catalog, under the name the INF expects.
  std::wstring catalog = inf.ReadValue(L"Version", L"CatalogFile.NT" + source.architecture, L"");
  if (catalog.empty()) catalog = inf.ReadValue(L"Version", L"CatalogFile.NT", L"");
  if (catalog.empty()) catalog = inf.ReadValue(L"Version", L"CatalogFile", L"");
  catalog = catalog.substr(0, catalog.find(L';'));
  catalog = inf.ExpandStrings(source.language, TrimBlanks(RemoveQuotes(catalog), kTrimBoth));
  const std::wstring installedCatalog =
      source.windows_dir + L"\\System32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\" +
      infName.substr(0, infName.size() < 3 ? 0 : infName.size() - 3) + L"cat";
  if (files.FileExists(installedCatalog)) {
    walk.Append(installedCatalog, exportFolder + L"\\" + catalog);
  }
}

void CopyStagedFiles(FileSystem& files, Decompressor& decompressor, const StagingList& list) {
  for (const StagingEntry& entry : list) {
    const size_t sourceCut = NameStart(entry.source);
    const std::wstring sourceFolder = entry.source.substr(0, sourceCut);
    const std::wstring sourceName = entry.source.substr(sourceCut);
    const size_t destinationCut = NameStart(entry.destination);
    const std::wstring destinationFolder = entry.destination.substr(0, destinationCut);

    // The plain name, the name without its last character, the compressed
    // form: each one present replaces the one before.
    std::wstring chosen;
    std::vector<std::wstring> candidates{sourceName};
    if (!sourceName.empty()) {
      candidates.push_back(sourceName.substr(0, sourceName.size() - 1));
      candidates.push_back(sourceName.substr(0, sourceName.size() - 1) + L"_");
    }
    for (const std::wstring& name : candidates) {
      if (files.FileSize(sourceFolder + name) != kFileSizeMissing) chosen = sourceFolder + name;
    }
    if (chosen.empty()) continue;

    if (!destinationFolder.empty() && !files.DirectoryExists(destinationFolder)) {
      CreatePath(files, destinationFolder);
    }
    std::string bytes;
    files.ReadFile(chosen, &bytes);
    const std::string magic = bytes.substr(0, 4);
    if (magic == "MSCF" || magic == "SZDD") {
      decompressor.DecompressOrCopy(chosen, entry.destination);
    } else {
      files.CopyFile(chosen, entry.destination);
    }

    uint32_t attributes = 0;
    if (!files.GetAttributes(entry.destination, &attributes)) continue;
    uint32_t cleared = attributes & ~kAttributeReadOnly;
    const std::wstring destinationName = entry.destination.substr(destinationCut);
    if (destinationName.size() >= 4 &&
        LowerText(destinationName.substr(destinationName.size() - 4)) == L".cat") {
      cleared &= ~kAttributeSystem;
    }
    if (cleared != attributes) files.SetAttributes(entry.destination, cleared);
  }
}

void EnsureNetworkClass(Registry& registry, ComponentRegistration& components,
                        const std::wstring& className) {
  if (LowerText(className) != L"net") return;
  RegStatus status = 0;
  ReadRegValue(registry, &status, L"hkcr",
               L"CLSID\\{5B035261-40F9-11D1-AAEC-00805FC1270E}\\InProcServer32", L"");
  if (status != 0) components.RegisterServer(L"netcfgx.dll");
}

void CreatePath(FileSystem& files, const std::wstring& path) {
  if (path.empty() || files.DirectoryExists(path)) return;
  std::wstring walk = path;
  if (!IsPathSeparator(walk.back())) walk += L'\\';
  for (size_t i = 0; i < walk.size(); ++i) {
    if (!IsPathSeparator(walk[i])) continue;
    const std::wstring prefix = walk.substr(0, i + 1);
    if (!files.DirectoryExists(prefix)) files.CreateDirectories(prefix);
  }
}

}  // namespace orvane
