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

// The drive roots, their type and their labels: the installations listed on
// page 5 in tests/e2e/installed_windows.sh ("D:\Windows - (Data)").
TEST(WindowsDisks, AnswersWithoutRealDisksAndAMissingDriveHasNoRoot) {
  EXPECT_EQ(kDriveNoRootDir, WindowsDrives().DriveType(L"Q:\\nowhere\\"));
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
