// The file system of the machine the tests run on, through the same
// interface the program uses: POSIX natively, Windows under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "support/host_platform.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#endif

namespace orvane {
namespace {

class HostFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937_64 random(static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    sep_ = files_->Separator();
    root_ = system_->TempDirectory() + L"orvane-fs-" + std::to_wstring(random() % 1000000000);
    ASSERT_TRUE(files_->CreateDirectories(root_));
  }
  void TearDown() override {
    if (files_->DirectoryExists(root_)) files_->DeleteTree(root_);
  }
  std::wstring Path(const std::wstring& relative) const {
    std::wstring path = root_ + sep_ + relative;
    std::replace(path.begin(), path.end(), L'/', sep_);
    return path;
  }
  std::vector<DirEntry> List(const std::wstring& relative) {
    std::vector<DirEntry> entries;
    EXPECT_TRUE(files_->ListDirectory(Path(relative), &entries));
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
  }

  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
  std::unique_ptr<SystemInfo> system_ = MakeHostSystemInfo();
  wchar_t sep_ = L'/';
  std::wstring root_;
};

TEST_F(HostFileSystemTest, WriteAppendReadKeepEveryByte) {
  std::string bytes("a\0b\r\n\xff", 6);
  ASSERT_TRUE(files_->WriteFile(Path(L"f.bin"), bytes));
  ASSERT_TRUE(files_->AppendFile(Path(L"f.bin"), "tail"));
  std::string read;
  ASSERT_TRUE(files_->ReadFile(Path(L"f.bin"), &read));
  EXPECT_EQ(read, bytes + "tail");
  // Writing again replaces; appending to a missing file creates it.
  ASSERT_TRUE(files_->WriteFile(Path(L"f.bin"), "x"));
  ASSERT_TRUE(files_->AppendFile(Path(L"new.log"), "line"));
  ASSERT_TRUE(files_->ReadFile(Path(L"f.bin"), &read));
  EXPECT_EQ(read, "x");
  ASSERT_TRUE(files_->ReadFile(Path(L"new.log"), &read));
  EXPECT_EQ(read, "line");
}

TEST_F(HostFileSystemTest, MissingFilesAndFoldersAreReportedAsSuch) {
  std::string read = "stale";
  EXPECT_FALSE(files_->ReadFile(Path(L"none.txt"), &read));
  EXPECT_TRUE(read.empty());
  EXPECT_FALSE(files_->FileExists(Path(L"none.txt")));
  EXPECT_FALSE(files_->DeleteFile(Path(L"none.txt")));
  EXPECT_FALSE(files_->CopyFile(Path(L"none.txt"), Path(L"copy.txt")));
  EXPECT_FALSE(files_->DeleteTree(Path(L"none")));
  std::vector<DirEntry> entries;
  EXPECT_FALSE(files_->ListDirectory(Path(L"none"), &entries));
  EXPECT_FALSE(files_->WriteFile(Path(L"none/f.txt"), "x"));
}

TEST_F(HostFileSystemTest, TouchKeepsAnExistingFileAndCreatesAMissingOne) {
  ASSERT_TRUE(files_->WriteFile(Path(L"keep.ini"), "content"));
  EXPECT_TRUE(files_->TouchFile(Path(L"keep.ini")));
  std::string read;
  ASSERT_TRUE(files_->ReadFile(Path(L"keep.ini"), &read));
  EXPECT_EQ(read, "content");
  EXPECT_TRUE(files_->TouchFile(Path(L"empty.ini")));
  EXPECT_TRUE(files_->FileExists(Path(L"empty.ini")));
  EXPECT_TRUE(files_->DeleteFile(Path(L"empty.ini")));
  EXPECT_FALSE(files_->FileExists(Path(L"empty.ini")));
  EXPECT_FALSE(files_->TouchFile(Path(L"no/such/folder.ini")));
}

TEST_F(HostFileSystemTest, CreateDirectoriesListAndCopy) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"a/b/c")));
  EXPECT_TRUE(files_->CreateDirectories(Path(L"a/b")));  // already there
  EXPECT_TRUE(files_->DirectoryExists(Path(L"a/b/c")));
  EXPECT_FALSE(files_->FileExists(Path(L"a/b/c")));
  ASSERT_TRUE(files_->WriteFile(Path(L"a/file.inf"), "12345"));
  EXPECT_FALSE(files_->DirectoryExists(Path(L"a/file.inf")));
  EXPECT_FALSE(files_->CreateDirectories(Path(L"a/file.inf")));  // a file is in the way
  ASSERT_TRUE(files_->CopyFile(Path(L"a/file.inf"), Path(L"a/b/copy.inf")));
  ASSERT_TRUE(files_->WriteFile(Path(L"a/b/copy.inf"), "old content"));
  ASSERT_TRUE(files_->CopyFile(Path(L"a/file.inf"), Path(L"a/b/copy.inf")));  // overwrites

  std::vector<DirEntry> entries = List(L"a");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, L"b");
  EXPECT_TRUE(entries[0].is_directory);
  EXPECT_FALSE(entries[0].is_link);
  EXPECT_EQ(entries[1].name, L"file.inf");
  EXPECT_FALSE(entries[1].is_directory);
  EXPECT_EQ(entries[1].size, 5u);
  std::string read;
  ASSERT_TRUE(files_->ReadFile(Path(L"a/b/copy.inf"), &read));
  EXPECT_EQ(read, "12345");
  EXPECT_TRUE(List(L"a/b/c").empty());
}

TEST_F(HostFileSystemTest, NamesOutsideAsciiSurviveTheRoundTrip) {
  const std::wstring name = L"Treiber \u00c4\u00df\u20ac \u65e5\u672c.inf";
  ASSERT_TRUE(files_->WriteFile(Path(name), "x"));
  EXPECT_TRUE(files_->FileExists(Path(name)));
  std::vector<DirEntry> entries = List(L"");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, name);
}

TEST_F(HostFileSystemTest, DeepTreesBeyondTheClassicPathLimit) {
  std::wstring relative;
  for (int i = 0; i < 12; ++i) relative += std::wstring(i ? L"/" : L"") + std::wstring(30, L'a' + i);
  ASSERT_GT(Path(relative).size(), 300u);
  ASSERT_TRUE(files_->CreateDirectories(Path(relative)));
  ASSERT_TRUE(files_->WriteFile(Path(relative + L"/deep.inf"), "deep"));
  std::string read;
  ASSERT_TRUE(files_->ReadFile(Path(relative + L"/deep.inf"), &read));
  EXPECT_EQ(read, "deep");
  EXPECT_EQ(List(relative).size(), 1u);
  EXPECT_TRUE(files_->DeleteTree(Path(L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa")));
  EXPECT_FALSE(files_->DirectoryExists(Path(L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa")));
}

TEST_F(HostFileSystemTest, DeleteTreeRemovesNestedFoldersAndSingleFiles) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"t/x/y")));
  ASSERT_TRUE(files_->WriteFile(Path(L"t/x/y/1.sys"), "1"));
  ASSERT_TRUE(files_->WriteFile(Path(L"t/2.cat"), "2"));
  ASSERT_TRUE(files_->WriteFile(Path(L"single.txt"), "3"));
  EXPECT_TRUE(files_->DeleteTree(Path(L"t") + sep_));  // a trailing separator is fine
  EXPECT_FALSE(files_->DirectoryExists(Path(L"t")));
  EXPECT_TRUE(files_->DeleteTree(Path(L"single.txt")));
  EXPECT_FALSE(files_->FileExists(Path(L"single.txt")));
}

#ifndef _WIN32
// Host-only behaviour: links, permissions, paths and locale names.

TEST_F(HostFileSystemTest, LinksAreListedAsLinksAndNeverFollowedByDeleteTree) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"outside/inner")));
  ASSERT_TRUE(files_->WriteFile(Path(L"outside/precious.txt"), "keep"));
  ASSERT_TRUE(files_->CreateDirectories(Path(L"tree")));
  std::string outside = HostPath(Path(L"outside"));
  ASSERT_EQ(symlink(outside.c_str(), HostPath(Path(L"tree/dirlink")).c_str()), 0);
  ASSERT_EQ(symlink((outside + "/precious.txt").c_str(), HostPath(Path(L"tree/filelink")).c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/target", HostPath(Path(L"tree/dangling")).c_str()), 0);

  std::vector<DirEntry> entries = List(L"tree");
  ASSERT_EQ(entries.size(), 3u);
  for (const DirEntry& entry : entries) EXPECT_TRUE(entry.is_link) << entry.name.c_str();
  EXPECT_FALSE(entries[0].is_directory);  // dangling
  EXPECT_TRUE(entries[1].is_directory);   // dirlink
  EXPECT_FALSE(entries[2].is_directory);  // filelink

  EXPECT_TRUE(files_->DeleteTree(Path(L"tree")));
  EXPECT_FALSE(files_->DirectoryExists(Path(L"tree")));
  std::string read;
  ASSERT_TRUE(files_->ReadFile(Path(L"outside/precious.txt"), &read));
  EXPECT_EQ(read, "keep");
  EXPECT_TRUE(files_->DirectoryExists(Path(L"outside/inner")));

  // A link given as the tree itself is removed, its target kept.
  ASSERT_EQ(symlink(outside.c_str(), HostPath(Path(L"toplink")).c_str()), 0);
  EXPECT_TRUE(files_->DeleteTree(Path(L"toplink")));
  EXPECT_TRUE(files_->DirectoryExists(Path(L"outside/inner")));
}

TEST_F(HostFileSystemTest, DeleteTreeForcesWriteProtectedFolders) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"ro/sub")));
  ASSERT_TRUE(files_->WriteFile(Path(L"ro/sub/f.txt"), "x"));
  ASSERT_EQ(chmod(HostPath(Path(L"ro/sub/f.txt")).c_str(), 0444), 0);
  ASSERT_EQ(chmod(HostPath(Path(L"ro/sub")).c_str(), 0555), 0);
  ASSERT_EQ(chmod(HostPath(Path(L"ro")).c_str(), 0555), 0);
  EXPECT_TRUE(files_->DeleteTree(Path(L"ro")));
  EXPECT_FALSE(files_->DirectoryExists(Path(L"ro")));
}

TEST(PosixPaths, BackslashesSeparateAndTextIsUtf8) {
  EXPECT_EQ(HostPath(L"a\\b/c\\\u00e4.inf"), "a/b/c/\xc3\xa4.inf");
}

TEST(PosixSystemInfo, LanguageOfTheLocaleName) {
  EXPECT_EQ(LanguageIdOfLocale("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(LanguageIdOfLocale("de_AT@euro"), 0x0407);
  EXPECT_EQ(LanguageIdOfLocale("fr"), 0x040C);
  EXPECT_EQ(LanguageIdOfLocale("C.UTF-8"), 0x0409);
  EXPECT_EQ(LanguageIdOfLocale(""), 0x0409);
}

TEST(PosixSystemInfo, HostFacts) {
  PosixSystemInfo system;
  EXPECT_GT(system.TotalPhysicalMemory(), 16u * 1024 * 1024);
  EXPECT_EQ(system.ProductType(), L"");
  std::wstring folder = system.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'/');
  EXPECT_EQ(system.TempDirectory().back(), L'/');
  EXPECT_EQ(system.GetEnvironment(L"ORVANE_SURELY_UNSET_VARIABLE"), L"");
  setenv("ORVANE_TEST_VALUE", "X:\xc3\xa4", 1);
  EXPECT_EQ(system.GetEnvironment(L"ORVANE_TEST_VALUE"), L"X:\u00e4");
}
#endif

}  // namespace
}  // namespace orvane
