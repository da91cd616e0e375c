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

}  // namespace
}  // namespace orvane
