// The file system of the machine the tests run on, through the same
// interface the program uses: POSIX natively, Windows under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "support/host_platform.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#endif

namespace orvane {
namespace {

class HostFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    root_ = system_->TempDirectory() + L"orvane-fs-" + std::to_wstring(random() % 1000000000);
    ASSERT_TRUE(files_->CreateDirectories(root_));
  }
  void TearDown() override {
    if (files_->DirectoryExists(root_)) files_->DeleteTree(root_);
  }
  std::wstring Path(const std::wstring& relative) const {
    std::wstring path = root_ + files_->Separator() + relative;
    std::replace(path.begin(), path.end(), L'/', files_->Separator());
    return path;
  }
  std::string Read(const std::wstring& relative) {
    std::string bytes = "stale";
    return files_->ReadFile(Path(relative), &bytes) ? bytes : "<none:" + bytes + ">";
  }
  // Names of a folder's entries, sorted, folders marked with "/" and links with "@".
  std::wstring List(const std::wstring& relative) {
    std::vector<DirEntry> entries;
    if (!files_->ListDirectory(Path(relative), &entries)) return L"<none>";
    std::vector<std::wstring> names;
    for (const DirEntry& e : entries)
      names.push_back(e.name + (e.is_directory ? L"/" : L"") + (e.is_link ? L"@" : L""));
    std::sort(names.begin(), names.end());
    std::wstring text;
    for (const std::wstring& name : names) text += name + L" ";
    return text;
  }

  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
  std::unique_ptr<SystemInfo> system_ = MakeHostSystemInfo();
  std::wstring root_;
};

TEST_F(HostFileSystemTest, FilesKeepEveryByte) {
  const std::string bytes("a\0b\r\n\xff", 6);
  ASSERT_TRUE(files_->WriteFile(Path(L"f.bin"), bytes));
  ASSERT_TRUE(files_->AppendFile(Path(L"f.bin"), "tail"));
  EXPECT_EQ(Read(L"f.bin"), bytes + "tail");
  EXPECT_EQ(files_->FileSize(Path(L"f.bin")), 10);
  // Writing again replaces; appending to a missing file creates it.
  ASSERT_TRUE(files_->WriteFile(Path(L"f.bin"), "x"));
  ASSERT_TRUE(files_->AppendFile(Path(L"new.log"), "line"));
  EXPECT_EQ(Read(L"f.bin") + Read(L"new.log"), "xline");
  // Touch keeps an existing file and creates a missing one.
  EXPECT_TRUE(files_->TouchFile(Path(L"f.bin")));
  EXPECT_TRUE(files_->TouchFile(Path(L"empty.ini")));
  EXPECT_EQ(Read(L"f.bin") + Read(L"empty.ini"), "x");
  EXPECT_TRUE(files_->DeleteFile(Path(L"empty.ini")));
  EXPECT_FALSE(files_->FileExists(Path(L"empty.ini")));
  EXPECT_FALSE(files_->TouchFile(Path(L"no/such/folder.ini")));
}

TEST_F(HostFileSystemTest, MissingFilesAndFoldersAreReportedAsSuch) {
  EXPECT_EQ(Read(L"none.txt"), "<none:>");
  EXPECT_FALSE(files_->FileExists(Path(L"none.txt")));
  EXPECT_FALSE(files_->DeleteFile(Path(L"none.txt")));
  EXPECT_FALSE(files_->CopyFile(Path(L"none.txt"), Path(L"copy.txt")));
  EXPECT_FALSE(files_->DeleteTree(Path(L"none")));
  EXPECT_EQ(List(L"none"), L"<none>");
  EXPECT_FALSE(files_->WriteFile(Path(L"none/f.txt"), "x"));
  EXPECT_EQ(files_->FileSize(Path(L"none")), kFileSizeMissing);
  uint32_t attributes = 0;
  EXPECT_FALSE(files_->GetAttributes(Path(L"none"), &attributes));
  EXPECT_FALSE(files_->SetAttributes(Path(L"none"), 0));
}

TEST_F(HostFileSystemTest, CreateDirectoriesListAndCopy) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"a/b/c")));
  EXPECT_TRUE(files_->CreateDirectories(Path(L"a/b")));  // already there
  EXPECT_TRUE(files_->DirectoryExists(Path(L"a/b/c")));
  EXPECT_FALSE(files_->FileExists(Path(L"a/b/c")));
  EXPECT_EQ(files_->FileSize(Path(L"a/b")), kFileSizeFolder);
  ASSERT_TRUE(files_->WriteFile(Path(L"a/file.inf"), "12345"));
  EXPECT_FALSE(files_->DirectoryExists(Path(L"a/file.inf")));
  EXPECT_FALSE(files_->CreateDirectories(Path(L"a/file.inf")));  // a file is in the way
  ASSERT_TRUE(files_->WriteFile(Path(L"a/b/copy.inf"), "old content"));
  ASSERT_TRUE(files_->CopyFile(Path(L"a/file.inf"), Path(L"a/b/copy.inf")));  // overwrites
  EXPECT_EQ(Read(L"a/b/copy.inf"), "12345");
  EXPECT_EQ(List(L"a"), L"b/ file.inf ");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files_->ListDirectory(Path(L"a/b"), &entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[entries[0].name == L"c" ? 1 : 0].size, 5u);
  EXPECT_EQ(List(L"a/b/c"), L"");
}

TEST_F(HostFileSystemTest, NamesOutsideAsciiAndPathsBeyondTheClassicLimit) {
  const std::wstring name = L"Treiber \u00c4\u00df\u20ac \u65e5\u672c.inf";
  ASSERT_TRUE(files_->WriteFile(Path(name), "x"));
  EXPECT_TRUE(files_->FileExists(Path(name)));
  EXPECT_EQ(List(L""), name + L" ");

  std::wstring relative;
  for (int i = 0; i < 12; ++i) relative += std::wstring(i ? L"/" : L"") + std::wstring(30, L'a' + i);
  ASSERT_GT(Path(relative).size(), 300u);
  ASSERT_TRUE(files_->CreateDirectories(Path(relative)));
  ASSERT_TRUE(files_->WriteFile(Path(relative + L"/deep.inf"), "deep"));
  EXPECT_EQ(Read(relative + L"/deep.inf"), "deep");
  EXPECT_EQ(List(relative), L"deep.inf ");
  EXPECT_TRUE(files_->DeleteTree(Path(std::wstring(30, L'a'))));
  EXPECT_FALSE(files_->DirectoryExists(Path(std::wstring(30, L'a'))));
}

TEST_F(HostFileSystemTest, ReadOnlyAttributeAndDeleteTreeForcingIt) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"t/ro/sub")));
  ASSERT_TRUE(files_->WriteFile(Path(L"t/ro/sub/1.sys"), "1"));
  ASSERT_TRUE(files_->WriteFile(Path(L"t/2.cat"), "2"));
  ASSERT_TRUE(files_->WriteFile(Path(L"single.txt"), "3"));
  for (const wchar_t* path : {L"t/ro/sub/1.sys", L"t/ro/sub", L"t/ro", L"single.txt"})
    ASSERT_TRUE(files_->SetAttributes(Path(path), kAttributeReadOnly)) << path;
  uint32_t attributes = 0;
  ASSERT_TRUE(files_->GetAttributes(Path(L"t/ro/sub/1.sys"), &attributes));
  EXPECT_EQ(attributes & (kAttributeReadOnly | kAttributeDirectory), kAttributeReadOnly);
  ASSERT_TRUE(files_->GetAttributes(Path(L"t/ro"), &attributes));
  EXPECT_TRUE(attributes & kAttributeDirectory);

  EXPECT_TRUE(files_->DeleteTree(Path(L"t") + files_->Separator()));  // a trailing separator is fine
  EXPECT_FALSE(files_->DirectoryExists(Path(L"t")));
  EXPECT_TRUE(files_->DeleteTree(Path(L"single.txt")));
  EXPECT_FALSE(files_->FileExists(Path(L"single.txt")));
}

#ifndef _WIN32
// Host-only behaviour: links, paths and locale names.

TEST_F(HostFileSystemTest, LinksAreListedAsLinksAndNeverFollowedByDeleteTree) {
  ASSERT_TRUE(files_->CreateDirectories(Path(L"outside/inner")));
  ASSERT_TRUE(files_->WriteFile(Path(L"outside/precious.txt"), "keep"));
  ASSERT_TRUE(files_->CreateDirectories(Path(L"tree")));
  const std::string outside = HostPath(Path(L"outside"));
  ASSERT_EQ(symlink(outside.c_str(), HostPath(Path(L"tree/dirlink")).c_str()), 0);
  ASSERT_EQ(symlink((outside + "/precious.txt").c_str(), HostPath(Path(L"tree/filelink")).c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/target", HostPath(Path(L"tree/dangling")).c_str()), 0);
  EXPECT_EQ(List(L"tree"), L"dangling@ dirlink/@ filelink@ ");

  EXPECT_TRUE(files_->DeleteTree(Path(L"tree")));
  EXPECT_FALSE(files_->DirectoryExists(Path(L"tree")));
  // A link given as the tree itself is removed, its target kept.
  ASSERT_EQ(symlink(outside.c_str(), HostPath(Path(L"toplink")).c_str()), 0);
  EXPECT_TRUE(files_->DeleteTree(Path(L"toplink")));
  EXPECT_EQ(Read(L"outside/precious.txt"), "keep");
  EXPECT_TRUE(files_->DirectoryExists(Path(L"outside/inner")));
}

TEST(PosixPlatform, PathsLocaleNamesAndHostFacts) {
  EXPECT_EQ(HostPath(L"a\\b/c\\\u00e4.inf"), "a/b/c/\xc3\xa4.inf");
  EXPECT_EQ(LanguageIdOfLocale("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(LanguageIdOfLocale("de_AT@euro"), 0x0407);
  EXPECT_EQ(LanguageIdOfLocale("fr"), 0x040C);
  EXPECT_EQ(LanguageIdOfLocale("C.UTF-8"), 0x0409);
  EXPECT_EQ(LanguageIdOfLocale(""), 0x0409);

  PosixSystemInfo system;
  EXPECT_GT(system.TotalPhysicalMemory(), 16u * 1024 * 1024);
  EXPECT_EQ(system.ProductType(), L"");
  ASSERT_FALSE(system.ProgramFolder().empty());
  EXPECT_EQ(system.ProgramFolder().back(), L'/');
  EXPECT_EQ(system.TempDirectory().back(), L'/');
  EXPECT_EQ(system.GetEnvironment(L"ORVANE_SURELY_UNSET_VARIABLE"), L"");
  setenv("ORVANE_TEST_VALUE", "X:\xc3\xa4", 1);
  EXPECT_EQ(system.GetEnvironment(L"ORVANE_TEST_VALUE"), L"X:\u00e4");
}
#endif

}  // namespace
}  // namespace orvane
