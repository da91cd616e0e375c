// The Windows file system, system facts and start-up services against the
// real API: extended paths, read-only entries, links, and the host services.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_startup_host.h"
#include "platform/windows/windows_system_info.h"

namespace orvane {
namespace {

std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD got = GetCurrentDirectoryW(MAX_PATH * 4, buffer);
  std::wstring dir(buffer, got);
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  return dir;
}

TEST(ExtendedPath, AbsoluteUncDeviceAndRelativeForms) {
  EXPECT_EQ(ExtendedPath(L"C:\\a\\..\\b\\.\\c.inf"), L"\\\\?\\C:\\b\\c.inf");
  EXPECT_EQ(ExtendedPath(L"C:/x/y"), L"\\\\?\\C:\\x\\y");
  EXPECT_EQ(ExtendedPath(L"\\\\server\\share\\f.sys"), L"\\\\?\\UNC\\server\\share\\f.sys");
  EXPECT_EQ(ExtendedPath(L"\\\\?\\C:\\keep\\..\\as is"), L"\\\\?\\C:\\keep\\..\\as is");
  EXPECT_EQ(ExtendedPath(L"\\\\.\\PhysicalDrive0"), L"\\\\.\\PhysicalDrive0");
  EXPECT_EQ(ExtendedPath(L"rel\\f.txt"), L"\\\\?\\" + CurrentDirectory() + L"rel\\f.txt");
  EXPECT_EQ(ExtendedPath(L""), L"");
}

class WindowsFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = system_.TempDirectory() + L"orvane-winfs-" + std::to_wstring(GetCurrentProcessId()) +
            L"-" + std::to_wstring(GetTickCount());
    ASSERT_TRUE(files_.CreateDirectories(root_));
  }
  void TearDown() override { files_.DeleteTree(root_); }

  WindowsFileSystem files_;
  WindowsSystemInfo system_;
  std::wstring root_;
};

TEST_F(WindowsFileSystemTest, DeleteTreeForcesReadOnlyFilesAndFolders) {
  std::wstring tree = root_ + L"\\ro";
  ASSERT_TRUE(files_.CreateDirectories(tree + L"\\sub"));
  ASSERT_TRUE(files_.WriteFile(tree + L"\\sub\\driver.sys", "x"));
  ASSERT_TRUE(SetFileAttributesW((tree + L"\\sub\\driver.sys").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW((tree + L"\\sub").c_str(),
                                 FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(files_.DeleteTree(tree));
  EXPECT_FALSE(files_.DirectoryExists(tree));
  // A single read-only file given as the tree goes as well.
  ASSERT_TRUE(files_.WriteFile(root_ + L"\\single.cat", "x"));
  ASSERT_TRUE(SetFileAttributesW((root_ + L"\\single.cat").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(files_.DeleteTree(root_ + L"\\single.cat"));
  EXPECT_FALSE(files_.FileExists(root_ + L"\\single.cat"));
}

TEST_F(WindowsFileSystemTest, SlashesAndDotsAreAcceptedEverywhere) {
  ASSERT_TRUE(files_.CreateDirectories(root_ + L"/x/y/"));
  ASSERT_TRUE(files_.WriteFile(root_ + L"/x/y/../f.inf", "abc"));
  std::string bytes;
  ASSERT_TRUE(files_.ReadFile(root_ + L"\\x\\f.inf", &bytes));
  EXPECT_EQ(bytes, "abc");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files_.ListDirectory(root_ + L"\\x\\", &entries));
  EXPECT_EQ(entries.size(), 2u);
}

// A directory link (symbolic link or, failing that, a junction) to a folder
// outside the tree; false when this system lets us make neither.
bool IsLink(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  // Some systems answer success without making the link: check for it.
  if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) &&
      IsLink(link)) {
    return true;
  }
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE dir = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (dir == INVALID_HANDLE_VALUE) {
    RemoveDirectoryW(link.c_str());
    return false;
  }
  std::wstring substitute = L"\\??\\" + target;
  std::vector<BYTE> buffer(8 + 8 + (substitute.size() + 2) * sizeof(wchar_t) + 8, 0);
  auto* words = reinterpret_cast<USHORT*>(buffer.data() + 8);
  auto* header = reinterpret_cast<DWORD*>(buffer.data());
  header[0] = IO_REPARSE_TAG_MOUNT_POINT;
  USHORT sub_bytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
  words[0] = 0;                                // substitute name offset
  words[1] = sub_bytes;                        // substitute name length
  words[2] = sub_bytes + sizeof(wchar_t);      // print name offset
  words[3] = 0;                                // print name length
  memcpy(buffer.data() + 16, substitute.c_str(), sub_bytes);
  USHORT data_length = static_cast<USHORT>(8 + sub_bytes + 2 * sizeof(wchar_t));
  reinterpret_cast<USHORT*>(buffer.data() + 4)[0] = data_length;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, buffer.data(), 8 + data_length, nullptr,
                            0, &returned, nullptr);
  CloseHandle(dir);
  if (ok && IsLink(link)) return true;
  RemoveDirectoryW(link.c_str());
  return false;
}

TEST_F(WindowsFileSystemTest, DirectoryLinksAreListedAsLinksAndNeverFollowed) {
  std::wstring outside = root_ + L"\\outside";
  ASSERT_TRUE(files_.CreateDirectories(outside + L"\\inner"));
  ASSERT_TRUE(files_.WriteFile(outside + L"\\precious.inf", "keep"));
  ASSERT_TRUE(files_.CreateDirectories(root_ + L"\\tree"));
  if (!MakeDirectoryLink(root_ + L"\\tree\\link", outside)) {
    GTEST_SKIP() << "this system makes no directory links";
  }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files_.ListDirectory(root_ + L"\\tree", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].is_link);
  EXPECT_TRUE(entries[0].is_directory);

  EXPECT_TRUE(files_.DeleteTree(root_ + L"\\tree"));
  EXPECT_FALSE(files_.DirectoryExists(root_ + L"\\tree"));
  std::string bytes;
  EXPECT_TRUE(files_.ReadFile(outside + L"\\precious.inf", &bytes));
  EXPECT_EQ(bytes, "keep");
  EXPECT_TRUE(files_.DirectoryExists(outside + L"\\inner"));
}

TEST(WindowsSystemInfo, FactsOfTheRunningSystem) {
  WindowsSystemInfo system;
  EXPECT_GT(system.TotalPhysicalMemory(), 16ull * 1024 * 1024);
  std::wstring product = system.ProductType();
  EXPECT_TRUE(product == L"1" || product == L"2" || product == L"3") << product.c_str();
  EXPECT_EQ(system.UserDefaultLanguage(), GetUserDefaultLangID());

  wchar_t module[MAX_PATH * 4];
  DWORD got = GetModuleFileNameW(nullptr, module, MAX_PATH * 4);
  std::wstring path(module, got);
  EXPECT_EQ(system.ProgramFolder(), path.substr(0, path.rfind(L'\\') + 1));

  std::wstring temp = system.TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  WindowsFileSystem files;
  EXPECT_TRUE(files.DirectoryExists(temp));
}

TEST(WindowsSystemInfo, EnvironmentValuesOfAnyLength) {
  WindowsSystemInfo system;
  std::wstring long_value(3000, L'v');
  long_value += L"\u00e4";
  ASSERT_TRUE(SetEnvironmentVariableW(L"ORVANE_TEST_LONG", long_value.c_str()));
  EXPECT_EQ(system.GetEnvironment(L"ORVANE_TEST_LONG"), long_value);
  EXPECT_EQ(system.GetEnvironment(L"orvane_test_long"), long_value);  // names ignore case
  SetEnvironmentVariableW(L"ORVANE_TEST_LONG", nullptr);
  EXPECT_EQ(system.GetEnvironment(L"ORVANE_TEST_LONG"), L"");
  EXPECT_FALSE(system.GetEnvironment(L"windir").empty());
}

TEST(WindowsStartupHost, InstanceMutexIsHeldAndASecondOneSeesIt) {
  WindowsStartupHost first;
  WindowsStartupHost second;
  std::wstring name = L"OrvaneTest-" + std::to_wstring(GetCurrentProcessId());
  EXPECT_FALSE(first.CreateInstanceMutex(name));
  EXPECT_TRUE(second.CreateInstanceMutex(name));
  EXPECT_TRUE(second.CreateInstanceMutex(name));  // the refused handle was closed, the first still holds
  EXPECT_FALSE(second.CreateInstanceMutex(name + L"-other"));
}

TEST(WindowsStartupHost, CommandLineAndServices) {
  WindowsStartupHost host;
  std::vector<std::wstring> args = host.CommandLineArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(host.CommandLine().find(args[0]), std::wstring::npos);
  // The arguments this program got, as start-up reads them.
  std::wstring expected;
  bool plain = true;
  for (size_t i = 1; i < args.size(); ++i) {
    expected += args[i] + L"\n";
    if (args[i].find_first_of(L" \t\"") != std::wstring::npos || args[i].empty()) plain = false;
  }
  if (expected.empty()) expected = L"\n";
  if (plain) {
    EXPECT_EQ(ParseCommandLine(host), expected);
  }

  EXPECT_FALSE(host.IsServiceRunning(L"orvane-no-such-service"));
  EXPECT_FALSE(host.StartServiceByName(L"orvane-no-such-service"));
  EXPECT_NE(host.UniqueToken(), host.UniqueToken());
  // Nothing to bring forward: returns without effect.
  host.BringWindowToFront(L" Orvane window that does not exist");
}

}  // namespace
}  // namespace orvane
