// The file system and system facts of the machine the tests run on, through
// the same interfaces the program uses: POSIX natively, Windows under Wine.
// (The user's language on Windows: the German message box of
// tests/e2e/startup.sh.)
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>

#include "support/host_platform.h"
#include "support/scratch_folder.h"

#ifdef _WIN32
#include "support/win32_test_support.h"
#else
#include <unistd.h>

#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_system_info.h"
#endif

namespace orvane {
namespace {

class HostFileSystemTest : public ::testing::Test {
 protected:
  std::wstring Path(const std::wstring& relative) const {
    std::wstring path = scratch_ / relative;
    std::replace(path.begin(), path.end(), L'/', files_.Separator());
    return path;
  }
  std::string Read(const std::wstring& relative) {
    std::string bytes = "stale";
    return files_.ReadFile(Path(relative), &bytes) ? bytes : "<none:" + bytes + ">";
  }
  // A folder's entries, sorted: folders marked with "/", links with "@",
  // files with their size.
  std::wstring List(const std::wstring& relative) {
    std::vector<DirEntry> entries;
    if (!files_.ListDirectory(Path(relative), &entries)) return L"<none>";
    std::vector<std::wstring> names;
    for (const DirEntry& e : entries) {
      names.push_back(e.name + (e.is_directory ? L"/" : L"") + (e.is_link ? L"@" : L"") +
                      (e.is_directory || e.is_link ? L"" : L":" + std::to_wstring(e.size)));
    }
    std::sort(names.begin(), names.end());
    std::wstring text;
    for (const std::wstring& name : names) text += name + L" ";
    return text;
  }

  ScratchFolder scratch_;
  FileSystem& files_ = scratch_.files();
};

TEST_F(HostFileSystemTest, FilesKeepEveryByteAndMissingOnesAreReportedAsSuch) {
  const std::string bytes("a\0b\r\n\xff", 6);
  ASSERT_TRUE(files_.WriteFile(Path(L"f.bin"), bytes));
  ASSERT_TRUE(files_.AppendFile(Path(L"f.bin"), "tail"));
  EXPECT_EQ(Read(L"f.bin"), bytes + "tail");
  EXPECT_EQ(files_.FileSize(Path(L"f.bin")), 10);
  // Writing again replaces; appending to a missing file creates it; touch
  // keeps an existing file and creates a missing one.
  ASSERT_TRUE(files_.WriteFile(Path(L"f.bin"), "x"));
  ASSERT_TRUE(files_.AppendFile(Path(L"new.log"), "line"));
  EXPECT_TRUE(files_.TouchFile(Path(L"f.bin")));
  EXPECT_TRUE(files_.TouchFile(Path(L"empty.ini")));
  EXPECT_EQ(Read(L"f.bin") + Read(L"new.log") + Read(L"empty.ini"), "xline");
  EXPECT_TRUE(files_.DeleteFile(Path(L"empty.ini")));

  // What is missing: a read leaves nothing behind, every other call fails.
  EXPECT_EQ(Read(L"empty.ini"), "<none:>");
  EXPECT_EQ(List(L"none"), L"<none>");
  EXPECT_EQ(files_.FileSize(Path(L"none")), kFileSizeMissing);
  uint32_t attributes = 0;
  std::string done;  // one digit per call, in their order
  for (bool each : {files_.FileExists(Path(L"empty.ini")), files_.DeleteFile(Path(L"none.txt")),
                    files_.CopyFile(Path(L"none.txt"), Path(L"copy.txt")), files_.DeleteTree(Path(L"none")),
                    files_.WriteFile(Path(L"none/f.txt"), "x"), files_.TouchFile(Path(L"no/such/folder.ini")),
                    files_.GetAttributes(Path(L"none"), &attributes), files_.SetAttributes(Path(L"none"), 0)})
    done += each ? "1" : "0";
  EXPECT_EQ(done, "00000000");
}

TEST_F(HostFileSystemTest, CreateDirectoriesListAndCopyAlsoOutsideAsciiAndBeyondTheClassicLimit) {
  ASSERT_TRUE(files_.CreateDirectories(Path(L"a/b/c")));
  EXPECT_TRUE(files_.CreateDirectories(Path(L"a/b")));  // already there
  EXPECT_FALSE(files_.FileExists(Path(L"a/b/c")));
  EXPECT_EQ(files_.FileSize(Path(L"a/b")), kFileSizeFolder);
  ASSERT_TRUE(files_.WriteFile(Path(L"a/file.inf"), "12345"));
  EXPECT_FALSE(files_.DirectoryExists(Path(L"a/file.inf")));
  EXPECT_FALSE(files_.CreateDirectories(Path(L"a/file.inf")));  // a file is in the way
  ASSERT_TRUE(files_.WriteFile(Path(L"a/b/copy.inf"), "old content"));
  ASSERT_TRUE(files_.CopyFile(Path(L"a/file.inf"), Path(L"a/b/copy.inf")));  // overwrites
  EXPECT_EQ(Read(L"a/b/copy.inf"), "12345");
  EXPECT_EQ(List(L"a") + L"| " + List(L"a/b") + L"| " + List(L"a/b/c"), L"b/ file.inf:5 | c/ copy.inf:5 | ");

  // Names outside ASCII, and paths beyond the classic limit.
  const std::wstring name = L"Treiber \u00c4\u00df\u20ac \u65e5\u672c.inf";
  ASSERT_TRUE(files_.WriteFile(Path(L"a/b/c/" + name), "x"));
  EXPECT_EQ(List(L"a/b/c"), name + L":1 ");

  std::wstring relative;
  for (int i = 0; i < 12; ++i) relative += std::wstring(i ? L"/" : L"") + std::wstring(30, L'a' + i);
  ASSERT_GT(Path(relative).size(), 300u);
  ASSERT_TRUE(files_.CreateDirectories(Path(relative)));
  ASSERT_TRUE(files_.WriteFile(Path(relative + L"/deep.inf"), "deep"));
  EXPECT_EQ(Read(relative + L"/deep.inf"), "deep");
  EXPECT_EQ(List(relative), L"deep.inf:4 ");
  EXPECT_TRUE(files_.DeleteTree(Path(std::wstring(30, L'a'))));
  EXPECT_FALSE(files_.DirectoryExists(Path(std::wstring(30, L'a'))));
}

TEST_F(HostFileSystemTest, ReadOnlyAttributeAndDeleteTreeForcingIt) {
  ASSERT_TRUE(files_.CreateDirectories(Path(L"t/ro/sub")));
  ASSERT_TRUE(files_.WriteFile(Path(L"t/ro/sub/1.sys"), "1"));
  ASSERT_TRUE(files_.WriteFile(Path(L"t/2.cat"), "2"));
  ASSERT_TRUE(files_.WriteFile(Path(L"single.txt"), "3"));
  for (const wchar_t* path : {L"t/ro/sub/1.sys", L"t/ro/sub", L"t/ro", L"single.txt"})
    ASSERT_TRUE(files_.SetAttributes(Path(path), kAttributeReadOnly)) << path;
  uint32_t attributes = 0;
  ASSERT_TRUE(files_.GetAttributes(Path(L"t/ro/sub/1.sys"), &attributes));
  EXPECT_EQ(attributes & (kAttributeReadOnly | kAttributeDirectory), kAttributeReadOnly);
  ASSERT_TRUE(files_.GetAttributes(Path(L"t/ro"), &attributes));
  EXPECT_TRUE(attributes & kAttributeDirectory);

  EXPECT_TRUE(files_.DeleteTree(Path(L"t") + files_.Separator()));  // a trailing separator is fine
  EXPECT_FALSE(files_.DirectoryExists(Path(L"t")));
  EXPECT_TRUE(files_.DeleteTree(Path(L"single.txt")));
  EXPECT_FALSE(files_.FileExists(Path(L"single.txt")));
}

// Links in a tree are removed themselves, never followed: a link to a
// folder natively and under Wine (made on the host there); to a file and to
// nothing, and a link given as the tree itself, natively.
TEST_F(HostFileSystemTest, LinksAreListedAsLinksAndNeverFollowedByDeleteTree) {
  ASSERT_TRUE(files_.CreateDirectories(Path(L"outside/inner")));
  ASSERT_TRUE(files_.WriteFile(Path(L"outside/precious.txt"), "keep"));
  ASSERT_TRUE(files_.CreateDirectories(Path(L"tree")));
#ifdef _WIN32
  ASSERT_TRUE(win32_test::MakeDirectoryLink(Path(L"tree/dirlink"), Path(L"outside")));
  EXPECT_EQ(List(L"tree"), L"dirlink/@ ");
  if (!files_.DeleteTree(Path(L"tree"))) {
    // Everything went but a link made on the host, which Wine cannot remove.
    ASSERT_TRUE(win32_test::RunningOnWine());
    EXPECT_EQ(List(L"tree"), L"dirlink/@ ");
    EXPECT_TRUE(win32_test::RemoveHostLink(Path(L"tree/dirlink")));
    EXPECT_TRUE(files_.DeleteTree(Path(L"tree")));
  }
#else
  const std::string outside = HostPath(Path(L"outside"));
  ASSERT_EQ(symlink(outside.c_str(), HostPath(Path(L"tree/dirlink")).c_str()), 0);
  ASSERT_EQ(symlink((outside + "/precious.txt").c_str(), HostPath(Path(L"tree/filelink")).c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/target", HostPath(Path(L"tree/dangling")).c_str()), 0);
  EXPECT_EQ(List(L"tree"), L"dangling@ dirlink/@ filelink@ ");
  EXPECT_TRUE(files_.DeleteTree(Path(L"tree")));
  ASSERT_EQ(symlink(outside.c_str(), HostPath(Path(L"toplink")).c_str()), 0);
  EXPECT_TRUE(files_.DeleteTree(Path(L"toplink")));
#endif
  EXPECT_FALSE(files_.DirectoryExists(Path(L"tree")));
  EXPECT_EQ(Read(L"outside/precious.txt"), "keep");
  EXPECT_TRUE(files_.DirectoryExists(Path(L"outside/inner")));
}

#ifndef _WIN32
TEST(PosixPlatform, PathsAndLocaleNames) {
  EXPECT_EQ(HostPath(L"a\\b/c\\\u00e4.inf"), "a/b/c/\xc3\xa4.inf");
  const struct {
    const char* locale;
    uint16_t language;
  } cases[] = {{"de_DE.UTF-8", 0x0407}, {"de_AT@euro", 0x0407}, {"fr", 0x040C}, {"C.UTF-8", 0x0409}, {"", 0x0409}};
  for (const auto& c : cases) EXPECT_EQ(LanguageIdOfLocale(c.locale), c.language) << c.locale;
}
#endif

TEST(HostSystemInfo, FactsOfTheRunningSystem) {
  std::unique_ptr<SystemInfo> system = MakeHostSystemInfo();
  std::unique_ptr<FileSystem> files = MakeHostFileSystem();
  EXPECT_GT(system->TotalPhysicalMemory(), 16ull * 1024 * 1024);
  const std::wstring temp = system->TempDirectory(), program = system->ProgramFolder();
  ASSERT_FALSE(temp.empty() || program.empty());
  EXPECT_EQ(temp.back(), files->Separator());
  EXPECT_TRUE(files->DirectoryExists(temp));
  EXPECT_EQ(system->GetEnvironment(L"ORVANE_SURELY_UNSET_VARIABLE"), L"");
#ifdef _WIN32
  EXPECT_TRUE(files->FileExists(program + L"orvane_tests.exe")) << program;
  const std::wstring product = system->ProductType();
  EXPECT_TRUE(product == L"1" || product == L"2" || product == L"3") << product;
  // Values of any length; names ignore case.
  const std::wstring long_value = std::wstring(3000, L'v') + L"\u00e4";
  ASSERT_TRUE(SetEnvironmentVariableW(L"ORVANE_TEST_LONG", long_value.c_str()));
  EXPECT_EQ(system->GetEnvironment(L"orvane_test_long"), long_value);
  SetEnvironmentVariableW(L"ORVANE_TEST_LONG", nullptr);
#else
  EXPECT_TRUE(files->FileExists(program + L"orvane_tests")) << program;
  EXPECT_EQ(system->ProductType(), L"");
  setenv("ORVANE_TEST_VALUE", "X:\xc3\xa4", 1);
  EXPECT_EQ(system->GetEnvironment(L"ORVANE_TEST_VALUE"), L"X:\u00e4");
#endif
}

}  // namespace
}  // namespace orvane
