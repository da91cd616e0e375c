#include "app/source_listing.h"

#include <gtest/gtest.h>

#include <map>

#include "text/text_helpers.h"

namespace orvane {
namespace {

// Folders and files by their full Windows path, letter case ignored, as the
// chooser's listing sees them. Folders are keyed with a final "\".
class FolderTree : public FileSystem {
 public:
  void AddFolder(const std::wstring& path) { folders_[LowerText(path)] = true; }
  void AddFile(const std::wstring& folder, const std::wstring& name, uint64_t size = 1) {
    files_[LowerText(folder)].push_back({name, false, false, size});
  }
  void AddSubfolder(const std::wstring& folder, const std::wstring& name) {
    files_[LowerText(folder)].push_back({name, true, false, 0});
    AddFolder(folder + name + L"\\");
  }

  bool ReadFile(const std::wstring&, std::string*) override { return false; }
  bool WriteFile(const std::wstring&, const std::string&) override { return false; }
  bool AppendFile(const std::wstring&, const std::string&) override { return false; }
  bool TouchFile(const std::wstring&) override { return false; }
  bool DeleteFile(const std::wstring&) override { return false; }
  bool CopyFile(const std::wstring&, const std::wstring&) override { return false; }
  bool FileExists(const std::wstring&) override { return false; }
  bool DirectoryExists(const std::wstring& path) override {
    return folders_.count(LowerText(path)) != 0;
  }
  bool CreateDirectories(const std::wstring&) override { return false; }
  bool ListDirectory(const std::wstring& path, std::vector<DirEntry>* entries) override {
    if (!DirectoryExists(path)) return false;
    *entries = files_[LowerText(path)];
    return true;
  }
  bool DeleteTree(const std::wstring&) override { return false; }
  int64_t FileSize(const std::wstring&) override { return kFileSizeMissing; }
  bool GetAttributes(const std::wstring&, uint32_t*) override { return false; }
  bool SetAttributes(const std::wstring&, uint32_t) override { return false; }
  wchar_t Separator() const override { return L'\\'; }

 private:
  std::map<std::wstring, bool> folders_;
  std::map<std::wstring, std::vector<DirEntry>> files_;
};

std::vector<std::wstring> Names(const std::vector<SourceEntry>& entries) {
  std::vector<std::wstring> names;
  for (const SourceEntry& entry : entries) names.push_back(entry.name);
  return names;
}

TEST(SourceListing, FilterPatternsComeFromTheParentheses) {
  EXPECT_EQ(L"*.inf;*.zip;*.7z", SourceFilterPatterns(L"Folder (*.inf;*.zip;*.7z)"));
  EXPECT_EQ(L"*.inf;*.zip;*.7z", SourceFilterPatterns(L"Verzeichnis (*.inf;*.zip;*.7z)"));
  // Only the first "(" opens the list; only a final ")" is dropped.
  EXPECT_EQ(L"*.a(1);*.b", SourceFilterPatterns(L"x (*.a(1);*.b)"));
  EXPECT_EQ(L"*.inf", SourceFilterPatterns(L"*.inf"));
}

TEST(SourceListing, FilterMatchesWildcardsIgnoringCase) {
  const std::wstring patterns = L"*.inf;*.zip;*.7z";
  EXPECT_TRUE(MatchesSourceFilter(L"net.inf", patterns));
  EXPECT_TRUE(MatchesSourceFilter(L"NET.INF", patterns));
  EXPECT_TRUE(MatchesSourceFilter(L"pack.7Z", patterns));
  EXPECT_TRUE(MatchesSourceFilter(L".zip", patterns));
  EXPECT_FALSE(MatchesSourceFilter(L"a.7z.txt", patterns));
  EXPECT_FALSE(MatchesSourceFilter(L"readme", patterns));
  EXPECT_FALSE(MatchesSourceFilter(L"net.inf_", patterns));
  EXPECT_TRUE(MatchesSourceFilter(L"ab.inf", L"a?.inf"));
  EXPECT_FALSE(MatchesSourceFilter(L"abc.inf", L"a?.inf"));
  EXPECT_TRUE(MatchesSourceFilter(L"x.sys", L" ; "));  // no pattern: everything
}

TEST(SourceListing, FoldersAreKeptInOneForm) {
  EXPECT_EQ(L"C:\\", NormaliseSourceFolder(L"c:"));
  EXPECT_EQ(L"C:\\Drivers\\", NormaliseSourceFolder(L"  C:\\Drivers  "));
  EXPECT_EQ(L"C:\\Drivers\\Net\\", NormaliseSourceFolder(L"C:\\\\Drivers//Net\\"));
  EXPECT_EQ(L"C:\\Net\\", NormaliseSourceFolder(L"C:\\Drivers\\..\\.\\Net"));
  EXPECT_EQ(kComputerFolder, NormaliseSourceFolder(L"C:\\.."));
  EXPECT_EQ(kComputerFolder, NormaliseSourceFolder(L""));
  EXPECT_EQ(kComputerFolder, NormaliseSourceFolder(kComputerFolder));
  EXPECT_EQ(kComputerFolder, NormaliseSourceFolder(L"relative\\folder"));
  // A network share keeps its leading "\\" and cannot be climbed above.
  EXPECT_EQ(L"\\\\srv\\share\\drv\\", NormaliseSourceFolder(L"\\\\srv\\\\share\\drv"));
  EXPECT_EQ(kComputerFolder, NormaliseSourceFolder(L"\\\\srv\\share\\.."));
  EXPECT_EQ(kComputerFolder, NormaliseSourceFolder(L"\\\\srv"));
}

TEST(SourceListing, GoingUpEndsAtTheComputer) {
  EXPECT_EQ(L"C:\\Drivers\\", ParentSourceFolder(L"C:\\Drivers\\Net\\"));
  EXPECT_EQ(L"C:\\", ParentSourceFolder(L"C:\\Drivers\\"));
  EXPECT_EQ(kComputerFolder, ParentSourceFolder(L"C:\\"));
  EXPECT_EQ(kComputerFolder, ParentSourceFolder(kComputerFolder));
}

TEST(SourceListing, ChoicesBecomePaths) {
  const SourceEntry up{SourceEntryKind::kUp, L"..", 0};
  const SourceEntry drive{SourceEntryKind::kDrive, L"D:", 0};
  const SourceEntry folder{SourceEntryKind::kFolder, L"Net", 0};
  const SourceEntry file{SourceEntryKind::kFile, L"pack.zip", 0};

  // No selection, or "..": the folder itself, without final "\" except at a root.
  EXPECT_EQ(L"C:\\Drivers", SourceChoicePath(L"C:\\Drivers\\", nullptr));
  EXPECT_EQ(L"C:\\Drivers", SourceChoicePath(L"C:\\Drivers\\", &up));
  EXPECT_EQ(L"C:\\", SourceChoicePath(L"C:\\", nullptr));
  // A selected entry is joined with exactly one "\".
  EXPECT_EQ(L"C:\\pack.zip", SourceChoicePath(L"C:\\", &file));
  EXPECT_EQ(L"C:\\Drivers\\Net", SourceChoicePath(L"C:\\Drivers\\", &folder));
  EXPECT_EQ(L"D:\\", SourceChoicePath(kComputerFolder, &drive));
  // The computer folder itself is no source.
  EXPECT_EQ(L"", SourceChoicePath(kComputerFolder, nullptr));
  EXPECT_EQ(L"", SourceChoicePath(kComputerFolder, &up));

  EXPECT_EQ(L"C:\\Drivers\\Net\\", SourceEntryPath(L"C:\\Drivers\\", folder));
  EXPECT_EQ(L"C:\\", SourceEntryPath(L"C:\\Drivers\\", up));
  EXPECT_EQ(L"D:\\", SourceEntryPath(kComputerFolder, drive));
}

TEST(SourceListing, FolderPartOfAChoice) {
  EXPECT_EQ(L"C:\\Drivers", SourceFolderPart(L"C:\\Drivers\\net.inf"));
  EXPECT_EQ(L"C:", SourceFolderPart(L"C:\\Drivers"));
  EXPECT_EQ(L"C:", SourceFolderPart(L"C:\\"));
  EXPECT_EQ(kComputerFolder, SourceFolderPart(L"pack.zip"));
}

TEST(SourceListing, StartFolderFallsBackToTheComputer) {
  FolderTree tree;
  tree.AddFolder(L"C:\\");
  tree.AddSubfolder(L"C:\\", L"Drivers");
  EXPECT_EQ(L"C:\\Drivers\\", SourceStartFolder(tree, L"C:\\Drivers"));
  EXPECT_EQ(L"C:\\", SourceStartFolder(tree, L"C:"));  // the folder part of "C:\x.inf"
  EXPECT_EQ(kComputerFolder, SourceStartFolder(tree, L"C:\\Gone"));
  EXPECT_EQ(kComputerFolder, SourceStartFolder(tree, kComputerFolder));
}

TEST(SourceListing, ComputerListsTheDrives) {
  FolderTree tree;
  std::vector<SourceEntry> entries;
  ASSERT_TRUE(ListSourceFolder(tree, {L"c:\\", L"X:\\", L"", L"?"}, kComputerFolder, L"*.inf",
                               &entries));
  EXPECT_EQ((std::vector<std::wstring>{L"C:", L"X:"}), Names(entries));
  for (const SourceEntry& entry : entries) EXPECT_EQ(SourceEntryKind::kDrive, entry.kind);
}

TEST(SourceListing, FolderListsUpThenFoldersThenMatchingFiles) {
  FolderTree tree;
  tree.AddFolder(L"D:\\Drv\\");
  tree.AddFile(L"D:\\Drv\\", L"readme.txt");
  tree.AddFile(L"D:\\Drv\\", L"zeta.INF", 42);
  tree.AddSubfolder(L"D:\\Drv\\", L"usb");
  tree.AddFile(L"D:\\Drv\\", L"Alpha.zip");
  tree.AddSubfolder(L"D:\\Drv\\", L"Audio");
  tree.AddFile(L"D:\\Drv\\", L"beta.7z");
  tree.AddSubfolder(L"D:\\Drv\\", L"net.inf");  // a folder is listed whatever its name

  std::vector<SourceEntry> entries;
  ASSERT_TRUE(ListSourceFolder(tree, {}, L"D:\\Drv\\", L"*.inf;*.zip;*.7z", &entries));
  EXPECT_EQ((std::vector<std::wstring>{L"..", L"Audio", L"net.inf", L"usb", L"Alpha.zip",
                                       L"beta.7z", L"zeta.INF"}),
            Names(entries));
  EXPECT_EQ(SourceEntryKind::kUp, entries[0].kind);
  EXPECT_EQ(SourceEntryKind::kFolder, entries[2].kind);
  EXPECT_EQ(SourceEntryKind::kFile, entries[4].kind);
  EXPECT_EQ(42u, entries[6].size);
}

TEST(SourceListing, UnlistableFolderGivesNothing) {
  FolderTree tree;
  std::vector<SourceEntry> entries{{SourceEntryKind::kFile, L"stale", 0}};
  EXPECT_FALSE(ListSourceFolder(tree, {}, L"Q:\\Missing\\", L"*.inf", &entries));
  EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace orvane
