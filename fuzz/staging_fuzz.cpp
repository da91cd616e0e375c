// Install plans and staging over a generated set of INF files. Input: line 1
// the install section, the rest up to four INF files (a.inf, b.inf, c.inf,
// d.inf) separated by lines "---". Everything happens in a file system in
// memory. The walk must end, visit every (file, section) pair once, read
// each INF once per call and give the same lists every time; an export must
// stay inside its folder; the copy step may write only the listed
// destinations; the directive rewrite must be settled after one run.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "inf/install_directives.h"
#include "install/staging.h"

using namespace orvane;

namespace {

const wchar_t* const kNames[] = {L"a.inf", L"b.inf", L"c.inf", L"d.inf"};

// Writes a marker instead of expanding: only where it writes matters here.
class MarkingDecompressor : public Decompressor {
 public:
  explicit MarkingDecompressor(FileSystem& files) : files_(files) {}
  bool DecompressOrCopy(const std::wstring&, const std::wstring& to) override {
    return files_.WriteFile(to, "expanded");
  }

 private:
  FileSystem& files_;
};

// Records every path written or folder created.
class RecordingFiles : public MemoryFileSystem {
 public:
  bool WriteFile(const std::wstring& path, const std::string& bytes) override {
    written.push_back(path);
    return MemoryFileSystem::WriteFile(path, bytes);
  }
  bool CopyFile(const std::wstring& from, const std::wstring& to) override {
    written.push_back(to);
    return MemoryFileSystem::CopyFile(from, to);
  }
  bool CreateDirectories(const std::wstring& path) override {
    created.push_back(path);
    return MemoryFileSystem::CreateDirectories(path);
  }
  std::vector<std::wstring> written, created;
};

SystemProfile Profile(const wchar_t* arch, const wchar_t* language) {
  SystemProfile p;
  p.windows_dir = L"X:\\Windows";
  p.program_files = L"X:\\Program Files";
  p.architecture = arch;
  p.language = language;
  return p;
}

std::vector<std::wstring> Segments(const std::wstring& path) {
  std::vector<std::wstring> out;
  std::wstring segment;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != L'\\' && path[i] != L'/') {
      segment += path[i];
      continue;
    }
    if (segment == L"..") {
      if (!out.empty()) out.pop_back();
    } else if (segment != L".") {
      out.push_back(LowerText(segment));
    }
    segment.clear();
  }
  return out;
}

std::wstring ListText(const StagingList& list) {
  std::wstring text;
  for (const StagingEntry& e : list) text += e.source + L"\n" + e.destination + L"\n";
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string rest(reinterpret_cast<const char*>(data), size);
  // An install section comes from a model line, split at ",": it holds none.
  const std::wstring section = ReplaceAll(Utf8ToWide(fuzz::TakeLine(&rest)), L",", L"");
  std::vector<std::string> infs(1);
  while (!rest.empty() && infs.size() <= 4) {
    std::string line = fuzz::TakeLine(&rest);
    if (line == "---") {
      infs.emplace_back();
    } else {
      infs.back() += line + "\n";
    }
  }
  if (infs.size() > 4) infs.resize(4);

  MemoryFileSystem files;
  for (size_t i = 0; i < infs.size(); ++i) {
    files.AddFile(std::wstring(L"X:/pack/") + kNames[i], infs[i]);
    files.AddFile(std::wstring(L"X:/Windows/inf/") + kNames[i], infs[i]);
  }

  // The install plan.
  size_t before = files.read_count();
  const InstallPlan plan = ExpandNeedsInclude(files, L"X:\\pack\\a.inf", section);
  FUZZ_CHECK(files.read_count() - before <= plan.infs.size(), InfListText(plan));
  FUZZ_CHECK(plan.infs.size() == plan.section_lists.size() && !plan.infs.empty(), InfListText(plan));
  FUZZ_CHECK(plan.infs[0] == L"a.inf", InfListText(plan));
  std::set<std::pair<std::wstring, std::wstring>> pairs;
  for (size_t i = 0; i < plan.infs.size(); ++i) {
    std::vector<std::wstring> sections = SplitText(plan.section_lists[i], L",");
    FUZZ_CHECK(sections.back().empty(), plan.section_lists[i]);
    sections.pop_back();
    for (const std::wstring& s : sections) {
      FUZZ_CHECK(pairs.emplace(LowerText(plan.infs[i]), LowerText(s)).second,
                 plan.infs[i] + L" " + s + L" recorded twice");
    }
  }
  FUZZ_CHECK(SectionGroupsText(ExpandNeedsInclude(files, L"X:\\pack\\a.inf", section)) ==
                 SectionGroupsText(plan),
             SectionGroupsText(plan));

  // Staging of every INF of the plan, for two systems, into one list each.
  for (const SystemProfile& profile : {Profile(L"AMD64", L"0409"), Profile(L"x86", L"0407")}) {
    StagingList list, again;
    for (size_t i = 0; i < plan.infs.size(); ++i) {
      const size_t count = list.size();
      before = files.read_count();
      StageDriverFiles(files, profile, L"X:\\pack", plan.infs[i], plan.section_lists[i], &list);
      StageDriverFiles(files, profile, L"X:\\pack", plan.infs[i], plan.section_lists[i], &again);
      FUZZ_CHECK(files.read_count() - before == 2, plan.infs[i]);
      FUZZ_CHECK(list.size() > count && list[count].source == L"X:\\pack\\" + plan.infs[i],
                 ListText(list));
    }
    FUZZ_CHECK(ListText(list) == ListText(again), ListText(list));

    StagingList exported;
    StageExportFiles(files, profile, L"a.inf", plan.section_lists[0], L"pkg", L"X:\\DRVTemp",
                     &exported);
    const std::vector<std::wstring> folder = Segments(L"X:\\DRVTemp");
    for (const StagingEntry& e : exported) {
      const std::vector<std::wstring> segments = Segments(e.destination);
      FUZZ_CHECK(segments.size() > folder.size() &&
                     std::equal(folder.begin(), folder.end(), segments.begin()),
                 e.destination);
    }

    // The copy step writes the listed destinations and nothing else.
    RecordingFiles target;
    for (size_t i = 0; i < infs.size(); ++i) {
      target.AddFile(std::wstring(L"X:/pack/") + kNames[i], i % 2 ? "MSCF" + infs[i] : infs[i]);
    }
    MarkingDecompressor decompressor(target);
    CopyStagedFiles(target, decompressor, list);
    std::set<std::wstring> allowed;
    for (const StagingEntry& e : list) allowed.insert(e.destination);
    for (const std::wstring& path : target.written) {
      FUZZ_CHECK(allowed.count(path) != 0, path + L" was not listed");
    }
    for (const std::wstring& dir : target.created) {
      bool above = false;
      for (const StagingEntry& e : list) above = above || e.destination.compare(0, dir.size(), dir) == 0;
      FUZZ_CHECK(above, dir + L" is above no destination");
    }
  }

  // The directive rewrite settles after one run.
  DisableFileDirectives(files, L"X:\\pack\\a.inf");
  std::string once, twice;
  files.ReadFile(L"X:\\pack\\a.inf", &once);
  DisableFileDirectives(files, L"X:\\pack\\a.inf");
  files.ReadFile(L"X:\\pack\\a.inf", &twice);
  FUZZ_CHECK(once == twice, Utf8ToWide(once));
  return 0;
}
