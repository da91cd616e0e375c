// The Windows file system and start-up services against the real API:
// extended paths (the form every file operation goes through) and the host
// services. (What every file system and every set of system facts offers,
// links included, is tested for these too, in
// tests/app/host_file_system_test.cpp; the command line as the real program
// reads it, with arguments and without: tests/e2e/driver_folder.sh and
// tests/e2e/main_window.sh.)
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

// The instance mutex: the second interactive instance that
// tests/e2e/main_window.sh sees refused.
TEST(WindowsStartupHost, ServicesAndTokens) {
  WindowsStartupHost host;
  EXPECT_FALSE(host.IsServiceRunning(L"orvane-no-such-service"));
  EXPECT_FALSE(host.StartServiceByName(L"orvane-no-such-service"));
  EXPECT_NE(host.UniqueToken(), host.UniqueToken());
}

}  // namespace
}  // namespace orvane
