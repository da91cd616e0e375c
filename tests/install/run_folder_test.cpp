#include "install/run_folder.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"

namespace orvane {
namespace {

// A run's folder never takes over an existing name (the user's folder with a
// file in it, a file of the name). The run removes it when it ends; a run
// ended from outside leaves it to whoever ended it, who removes that folder
// and no other.
TEST(RunFolder, NeverTakesOverAnExistingNameAndIsRemovedByTheRunOrByWhoeverEndedIt) {
  MemoryFileSystem files(L'\\');
  files.AddDirectory(L"C:\\");
  EXPECT_EQ(L"C:\\DRVTemp", CreateRunFolder(files, L"C:\\DRVTemp"));
  files.AddFile(L"C:\\DRVTemp\\keep.txt", "the user's");
  files.AddFile(L"C:\\DRVTemp.1", "a file");
  CancellationToken token;
  {
    ScopedRunFolder folder(files, token, L"C:\\DRVTemp");
    EXPECT_EQ(L"C:\\DRVTemp.2", folder.path());
    files.AddFile(folder.path() + L"\\a.inf", "");
  }
  EXPECT_FALSE(files.DirectoryExists(L"C:\\DRVTemp.2"));
  {
    ScopedRunFolder folder(files, token, L"C:\\DRVTemp");
    token.Cancel();
  }
  EXPECT_TRUE(files.DirectoryExists(L"C:\\DRVTemp.2"));
  EXPECT_EQ(L"C:\\DRVTemp.3", CreateRunFolder(files, L"C:\\DRVTemp"));
  token.RemoveOwnedFolders(files);
  EXPECT_FALSE(files.DirectoryExists(L"C:\\DRVTemp.2"));
  EXPECT_TRUE(files.FileExists(L"C:\\DRVTemp\\keep.txt") && files.FileExists(L"C:\\DRVTemp.1"));
  EXPECT_TRUE(files.DirectoryExists(L"C:\\DRVTemp.3"));
  EXPECT_TRUE(token.OwnedFolders().empty());
  EXPECT_EQ(L"", CreateRunFolder(files, L""));
}

}  // namespace
}  // namespace orvane
