#include "platform/memory/drive_mapped_file_system.h"

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace orvane {
namespace {

class DriveMappedFileSystemTest : public ::testing::Test {
 protected:
  DriveMappedFileSystemTest() : files_(scratch_.files()) {
    scratch_.files().CreateDirectories(scratch_ / L"c");
    files_.MapDrive(L"C:", scratch_ / L"c");
  }
  ScratchFolder scratch_;
  DriveMappedFileSystem files_;
};

TEST_F(DriveMappedFileSystemTest, FindsNamesWithoutRegardToCaseAndStaysOnItsDrive) {
  ASSERT_TRUE(files_.CreateDirectories(L"C:\\Windows\\System32\\config"));
  ASSERT_TRUE(files_.WriteFile(L"c:/windows/system32/config/SYSTEM", "hive"));
  std::string bytes;
  // Every spelling reaches the one file the first writer created.
  for (const wchar_t* path : {L"C:\\WINDOWS\\system32\\Config\\system", L"c:\\Windows\\.\\System32\\x\\..\\config\\System"}) {
    EXPECT_TRUE(files_.ReadFile(path, &bytes)) << path;
    EXPECT_EQ("hive", bytes);
  }
  EXPECT_EQ(4, files_.FileSize(L"C:\\windows\\SYSTEM32\\CONFIG\\SYSTEM"));
  EXPECT_EQ(kFileSizeFolder, files_.FileSize(L"C:\\WINDOWS"));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files_.ListDirectory(L"C:\\", &entries));
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ(L"Windows", entries[0].name);

  // ".." never climbs above the root; other drives and relative paths name nothing.
  EXPECT_EQ(files_.InnerPath(L"C:\\Windows"), files_.InnerPath(L"C:\\..\\..\\Windows"));
  EXPECT_FALSE(files_.WriteFile(L"D:\\x.txt", "x"));
  EXPECT_FALSE(files_.WriteFile(L"Windows\\x.txt", "x"));
  EXPECT_EQ(kFileSizeMissing, files_.FileSize(L"D:\\"));
  // The drive's root itself cannot be deleted; a folder on it can.
  EXPECT_FALSE(files_.DeleteTree(L"C:\\"));
  EXPECT_TRUE(files_.DeleteTree(L"c:\\WINDOWS"));
  EXPECT_FALSE(files_.DirectoryExists(L"C:\\Windows"));
  EXPECT_TRUE(files_.DirectoryExists(L"C:\\"));
}

}  // namespace
}  // namespace orvane
