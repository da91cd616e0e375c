// The Windows file system and start-up services against the real API:
// extended paths (the form every file operation goes through) and the host
// services. (What every file system and every set of system facts offers,
// links included, is tested for these too, in
// tests/app/host_file_system_test.cpp.)
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_startup_host.h"

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

TEST(WindowsStartupHost, InstanceMutexCommandLineAndServices) {
  WindowsStartupHost host;
  WindowsStartupHost second;
  std::wstring name = L"OrvaneTest-" + std::to_wstring(GetCurrentProcessId());
  EXPECT_FALSE(host.CreateInstanceMutex(name));
  EXPECT_TRUE(second.CreateInstanceMutex(name));
  EXPECT_TRUE(second.CreateInstanceMutex(name));  // the refused handle was closed, host still holds
  EXPECT_FALSE(second.CreateInstanceMutex(name + L"-other"));

  std::vector<std::wstring> args = host.CommandLineArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(host.CommandLine().find(args[0]), std::wstring::npos);
  // Start-up reads no arguments as one empty line (the test runs get none).
  if (args.size() == 1) {
    EXPECT_EQ(ParseCommandLine(host), L"\n");
  }

  EXPECT_FALSE(host.IsServiceRunning(L"orvane-no-such-service"));
  EXPECT_FALSE(host.StartServiceByName(L"orvane-no-such-service"));
  EXPECT_NE(host.UniqueToken(), host.UniqueToken());
  // Nothing to bring forward: returns without effect.
  host.BringWindowToFront(L" Orvane window that does not exist");
}

}  // namespace
}  // namespace orvane
