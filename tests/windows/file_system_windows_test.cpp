// The Windows file system, system facts and start-up services against the
// real API: extended paths (the form every file operation goes through),
// links, and the host services. (What every file system does is tested for
// this one too, in tests/app/host_file_system_test.cpp.)
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_startup_host.h"
#include "platform/windows/windows_system_info.h"
#include "support/win32_test_support.h"

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

TEST_F(WindowsFileSystemTest, DirectoryLinksAreListedAsLinksAndNeverFollowed) {
  const std::wstring outside = root_ + L"\\outside";
  ASSERT_TRUE(files_.CreateDirectories(outside + L"\\inner"));
  ASSERT_TRUE(files_.WriteFile(outside + L"\\precious.inf", "keep"));
  ASSERT_TRUE(files_.CreateDirectories(root_ + L"\\tree"));
  ASSERT_TRUE(win32_test::MakeDirectoryLink(root_ + L"\\tree\\link", outside));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files_.ListDirectory(root_ + L"\\tree", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].is_link && entries[0].is_directory);

  const bool removed = files_.DeleteTree(root_ + L"\\tree");
  std::string bytes;
  EXPECT_TRUE(files_.ReadFile(outside + L"\\precious.inf", &bytes) && bytes == "keep") << "the link was followed";
  EXPECT_TRUE(files_.DirectoryExists(outside + L"\\inner"));
  if (!removed && win32_test::RunningOnWine()) {
    // Everything went but a link made on the host, which Wine cannot remove.
    ASSERT_TRUE(files_.ListDirectory(root_ + L"\\tree", &entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, L"link");
    EXPECT_TRUE(win32_test::RemoveHostLink(root_ + L"\\tree\\link"));
    RemoveDirectoryW((root_ + L"\\tree").c_str());
  } else {
    EXPECT_TRUE(removed);
  }
  EXPECT_FALSE(files_.DirectoryExists(root_ + L"\\tree"));
}

TEST(WindowsSystemInfo, FactsOfTheRunningSystem) {
  WindowsSystemInfo system;
  EXPECT_GT(system.TotalPhysicalMemory(), 16ull * 1024 * 1024);
  const std::wstring product = system.ProductType();
  EXPECT_TRUE(product == L"1" || product == L"2" || product == L"3") << product;
  EXPECT_EQ(system.UserDefaultLanguage(), GetUserDefaultLangID());
  wchar_t module[MAX_PATH * 4];
  const std::wstring path(module, GetModuleFileNameW(nullptr, module, MAX_PATH * 4));
  EXPECT_EQ(system.ProgramFolder(), path.substr(0, path.rfind(L'\\') + 1));
  const std::wstring temp = system.TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_TRUE(WindowsFileSystem().DirectoryExists(temp));

  // Environment values of any length; names ignore case.
  const std::wstring long_value = std::wstring(3000, L'v') + L"\u00e4";
  ASSERT_TRUE(SetEnvironmentVariableW(L"ORVANE_TEST_LONG", long_value.c_str()));
  EXPECT_EQ(system.GetEnvironment(L"orvane_test_long"), long_value);
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
