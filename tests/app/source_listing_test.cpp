#include "app/source_listing.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"

namespace orvane {
namespace {

// The entries as "name:kind" (0 up, 1 drive, 2 folder, 3 file), a file with its size.
std::wstring Listing(const std::vector<SourceEntry>& entries) {
  std::wstring listing;
  for (const SourceEntry& entry : entries)
    listing +=
        entry.name + L":" + std::to_wstring(static_cast<int>(entry.kind)) + L" " + std::to_wstring(entry.size) + L"|";
  return listing;
}

TEST(SourceListing, FilterPatternsAndMatching) {
  EXPECT_EQ(L"*.inf;*.zip;*.7z", SourceFilterPatterns(L"Folder (*.inf;*.zip;*.7z)"));
  // Only the first "(" opens the list; only a final ")" is dropped.
  EXPECT_EQ(L"*.a(1);*.b", SourceFilterPatterns(L"x (*.a(1);*.b)"));
  EXPECT_EQ(L"*.inf", SourceFilterPatterns(L"*.inf"));

  // Case and other extensions: the listing of the last test. No pattern: everything.
  const struct {
    const wchar_t* name;
    const wchar_t* patterns;
    bool matches;
  } cases[] = {
      // clang-format off
      {L".zip", L"*.inf;*.zip;*.7z", true}, {L"a.7z.txt", L"*.inf;*.zip;*.7z", false},
      {L"net.inf_", L"*.inf;*.zip;*.7z", false}, {L"ab.inf", L"a?.inf", true}, {L"abc.inf", L"a?.inf", false},
      {L"x.sys", L" ; ", true},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesSourceFilter(c.name, c.patterns), c.matches) << c.name << c.patterns;
}

// Folder forms: what a typed or chosen folder is kept as, its parent, and the
// folder part of a chosen path ("*" stands for the computer folder).
TEST(SourceListing, FolderFormsEndAtTheComputer) {
  const std::pair<const wchar_t*, const wchar_t*> kept[] = {
      {L"c:", L"C:\\"}, {L"  C:\\Drivers  ", L"C:\\Drivers\\"}, {L"C:\\\\Drivers//Net\\", L"C:\\Drivers\\Net\\"},
      {L"C:\\Drivers\\..\\.\\Net", L"C:\\Net\\"}, {L"C:\\..", L"*"}, {L"", L"*"}, {L"*", L"*"},
      {L"relative\\folder", L"*"},
      // A network share keeps its leading "\\" and cannot be climbed above.
      {L"\\\\srv\\\\share\\drv", L"\\\\srv\\share\\drv\\"}, {L"\\\\srv\\share\\..", L"*"}, {L"\\\\srv", L"*"}};
  const std::pair<const wchar_t*, const wchar_t*> parents[] = {
      {L"C:\\Drivers\\Net\\", L"C:\\Drivers\\"}, {L"C:\\Drivers\\", L"C:\\"}, {L"C:\\", L"*"}, {L"*", L"*"}};
  const std::pair<const wchar_t*, const wchar_t*> parts[] = {
      {L"C:\\Drivers\\net.inf", L"C:\\Drivers"}, {L"C:\\Drivers", L"C:"}, {L"C:\\", L"C:"}, {L"pack.zip", L"*"}};
  auto computer = [](const wchar_t* text) { return std::wstring(text) == L"*" ? kComputerFolder : std::wstring(text); };
  for (const auto& c : kept) EXPECT_EQ(computer(c.second), NormaliseSourceFolder(computer(c.first))) << c.first;
  for (const auto& c : parents) EXPECT_EQ(computer(c.second), ParentSourceFolder(computer(c.first))) << c.first;
  for (const auto& c : parts) EXPECT_EQ(computer(c.second), SourceFolderPart(c.first)) << c.first;
}

TEST(SourceListing, ChoicesBecomePaths) {
  const SourceEntry up{SourceEntryKind::kUp, L"..", 0};
  const SourceEntry drive{SourceEntryKind::kDrive, L"D:", 0};
  const SourceEntry folder{SourceEntryKind::kFolder, L"Net", 0};
  const SourceEntry file{SourceEntryKind::kFile, L"pack.zip", 0};
  const struct {
    std::wstring folder;
    const SourceEntry* selected;
    const wchar_t* path;
  } cases[] = {
      // No selection, or "..": the folder itself, without final "\" except at a root.
      {L"C:\\Drivers\\", nullptr, L"C:\\Drivers"}, {L"C:\\Drivers\\", &up, L"C:\\Drivers"}, {L"C:\\", nullptr, L"C:\\"},
      // A selected entry is joined with exactly one "\".
      {L"C:\\", &file, L"C:\\pack.zip"}, {L"C:\\Drivers\\", &folder, L"C:\\Drivers\\Net"}, {kComputerFolder, &drive, L"D:\\"},
      // The computer folder itself is no source.
      {kComputerFolder, nullptr, L""}, {kComputerFolder, &up, L""}};
  for (const auto& c : cases) EXPECT_EQ(c.path, SourceChoicePath(c.folder, c.selected)) << c.folder;
  EXPECT_EQ(L"C:\\Drivers\\Net\\|C:\\|D:\\", SourceEntryPath(L"C:\\Drivers\\", folder) + L"|" +
                                                  SourceEntryPath(L"C:\\Drivers\\", up) + L"|" +
                                                  SourceEntryPath(kComputerFolder, drive));
}

// The chooser starts in a folder that exists, else at the computer, which
// lists the drives; a folder lists "..", then folders, then matching files.
TEST(SourceListing, StartFolderAndListings) {
  MemoryFileSystem tree(L'\\', /*reverse_listing=*/true);
  std::vector<SourceEntry> entries;
  ASSERT_TRUE(ListSourceFolder(tree, {L"c:\\", L"X:\\", L"", L"?"}, kComputerFolder, L"*.inf", &entries));
  EXPECT_EQ(L"C::1 0|X::1 0|", Listing(entries));

  for (const wchar_t* file : {L"readme.txt", L"Alpha.zip", L"beta.7z"}) tree.AddFile(L"D:\\Drv\\" + std::wstring(file), "1");
  tree.AddFile(L"D:\\Drv\\zeta.INF", std::string(42, 'x'));
  for (const wchar_t* folder : {L"usb", L"Audio", L"net.inf"}) tree.AddDirectory(L"D:\\Drv\\" + std::wstring(folder));
  ASSERT_TRUE(ListSourceFolder(tree, {}, L"D:\\Drv\\", L"*.inf;*.zip;*.7z", &entries));
  // A folder is listed whatever its name.
  EXPECT_EQ(L"..:0 0|Audio:2 0|net.inf:2 0|usb:2 0|Alpha.zip:3 1|beta.7z:3 1|zeta.INF:3 42|", Listing(entries));

  // A folder that cannot be listed gives nothing.
  EXPECT_FALSE(ListSourceFolder(tree, {}, L"Q:\\Missing\\", L"*.inf", &entries) || !entries.empty());

  EXPECT_EQ(L"D:\\Drv\\", SourceStartFolder(tree, L"D:\\Drv"));
  EXPECT_EQ(L"D:\\", SourceStartFolder(tree, L"D:"));  // the folder part of "D:\x.inf"
  EXPECT_EQ(kComputerFolder, SourceStartFolder(tree, L"D:\\Gone"));
  EXPECT_EQ(kComputerFolder, SourceStartFolder(tree, kComputerFolder));
}

}  // namespace
}  // namespace orvane
