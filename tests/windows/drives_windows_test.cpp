// The Windows drive, disk and executable facts against the system the tests
// run on.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/system_library.h"
#include "platform/windows/windows_disks.h"
#include "platform/windows/windows_drives.h"
#include "platform/windows/windows_file_facts.h"

namespace orvane {
namespace {

TEST(WindowsDrives, ListsTheSystemDriveAsAFixedReadableRoot) {
  WindowsDrives drives;
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
  const std::wstring root = std::wstring(windows, 2) + L"\\";
  bool listed = false;
  for (const std::wstring& each : drives.LogicalDriveRoots()) {
    EXPECT_EQ(3u, each.size());
    if (_wcsicmp(each.c_str(), root.c_str()) == 0) listed = true;
  }
  EXPECT_TRUE(listed);
  EXPECT_EQ(kDriveFixed, drives.DriveType(root));
  std::wstring label = L"unchanged";
  EXPECT_TRUE(drives.VolumeInformation(root, &label));
  EXPECT_NE(L"unchanged", label);
  EXPECT_EQ(kDriveNoRootDir, drives.DriveType(L"Q:\\nowhere\\"));
}

TEST(WindowsDisks, AnswersWithoutRealDisks) {
  WindowsDisks disks;
  std::vector<std::wstring> list;
  EXPECT_TRUE(disks.ListDiskDrives(&list));
  EXPECT_TRUE(disks.ListVolumeDevices(&list));
  std::vector<DiskInterface> interfaces;
  EXPECT_TRUE(disks.ListDiskInterfaces(&interfaces));
  EXPECT_EQ(-1, disks.StorageDeviceNumber(L"\\\\.\\orvane-no-such-device"));
  EXPECT_NE(L"", disks.QueryDosDevice(L"C:"));
}

// Wine's own cmd.exe carries no version resource; its kernel32.dll does.
TEST(WindowsFileFacts, ReadsTheBinaryTypeAndTheVersionResource) {
  WindowsFileFacts facts;
  const std::wstring cmd = SystemFolderPath(L"cmd.exe");
  uint32_t type = 99;
  ASSERT_TRUE(facts.BinaryType(cmd, &type));
  EXPECT_EQ(sizeof(void*) == 8 ? kBinary64Bit : kBinary32Bit, type);
  FileVersion version;
  ASSERT_TRUE(facts.FixedFileVersion(SystemFolderPath(L"kernel32.dll"), &version));
  EXPECT_GE(version.major, 5);
  EXPECT_FALSE(facts.BinaryType(SystemFolderPath(L"does-not-exist.exe"), &type));
  EXPECT_FALSE(facts.FixedFileVersion(SystemFolderPath(L"does-not-exist.exe"), &version));
}

}  // namespace
}  // namespace orvane
