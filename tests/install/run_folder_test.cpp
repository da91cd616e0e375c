#include "install/run_folder.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"

namespace orvane {
namespace {

TEST(CreateRunFolder, NeverTakesOverAnExistingName) {
  MemoryFileSystem files(L'\\');
  files.AddDirectory(L"C:\\");
  EXPECT_EQ(L"C:\\DRVTemp", CreateRunFolder(files, L"C:\\DRVTemp"));

  // The user's folder (with a file in it) and a file of the name are left alone.
  files.AddFile(L"C:\\DRVTemp\\keep.txt", "mine");
  files.AddFile(L"C:\\DRVTemp.1", "a file");
  EXPECT_EQ(L"C:\\DRVTemp.2", CreateRunFolder(files, L"C:\\DRVTemp"));
  EXPECT_EQ(L"C:\\DRVTemp.3", CreateRunFolder(files, L"C:\\DRVTemp"));
  std::string bytes;
  EXPECT_TRUE(files.ReadFile(L"C:\\DRVTemp\\keep.txt", &bytes));
  std::vector<DirEntry> entries;
  EXPECT_TRUE(files.ListDirectory(L"C:\\DRVTemp.2", &entries));
  EXPECT_TRUE(entries.empty());

  EXPECT_EQ(L"", CreateRunFolder(files, L""));
}

// A run removes its folder when it ends; a run ended from outside leaves it
// to whoever ended it, who removes that folder and no other.
TEST(ScopedRunFolder, IsRemovedByTheRunOrByWhoeverEndedIt) {
  MemoryFileSystem files(L'\\');
  files.AddFile(L"C:\\DRVTemp\\keep.txt", "the user's");
  CancellationToken token;
  {
    ScopedRunFolder folder(files, token, L"C:\\DRVTemp");
    EXPECT_EQ(L"C:\\DRVTemp.1", folder.path());
    files.AddFile(folder.path() + L"\\a.inf", "");
  }
  EXPECT_FALSE(files.DirectoryExists(L"C:\\DRVTemp.1"));
  {
    ScopedRunFolder folder(files, token, L"C:\\DRVTemp");
    token.Cancel();
  }
  EXPECT_TRUE(files.DirectoryExists(L"C:\\DRVTemp.1"));
  token.RemoveOwnedFolders(files);
  EXPECT_FALSE(files.DirectoryExists(L"C:\\DRVTemp.1"));
  EXPECT_TRUE(files.FileExists(L"C:\\DRVTemp\\keep.txt"));
  EXPECT_TRUE(token.OwnedFolders().empty());
}

}  // namespace
}  // namespace orvane
