#include "platform/memory/memory_storage.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(MemoryStorage, LettersGivenToVolumesBehaveLikeTheSystemsOwn) {
  MemoryStorage storage;
  storage.AddDrive(L"x", kDriveRamDisk, L"Boot");
  storage.AddDrive(L"C:", kDriveFixed, L"System", true, L"", 0);
  storage.AddDisk(L"SCSI\\DISK&VEN_A\\1", 1);
  storage.AddVolume(L"\\Device\\HarddiskVolume5", 1, true, L"Data");
  storage.AddVolume(L"\\Device\\HarddiskVolume6", 1, false);

  EXPECT_EQ((std::vector<std::wstring>{L"C:\\", L"X:\\"}), storage.LogicalDriveRoots());
  EXPECT_EQ(kDriveRamDisk, storage.DriveType(L"x:\\"));
  EXPECT_EQ(kDriveNoRootDir, storage.DriveType(L"e:\\"));

  // A letter defined for a volume appears as a fixed drive; its volume
  // information is readable only when the volume has a file system.
  EXPECT_TRUE(storage.DefineDosDevice(kDefineRawTargetPath, L"E:", L"\\Device\\HarddiskVolume5"));
  EXPECT_TRUE(storage.DefineDosDevice(kDefineRawTargetPath, L"F:", L"\\Device\\HarddiskVolume6"));
  std::wstring label;
  EXPECT_TRUE(storage.VolumeInformation(L"e:\\", &label));
  EXPECT_EQ(L"Data", label);
  EXPECT_FALSE(storage.VolumeInformation(L"F:\\", &label));
  EXPECT_EQ(L"\\Device\\HarddiskVolume5", storage.QueryDosDevice(L"e:"));

  // Device numbers by letter, by a defined name and by the disk's interface.
  EXPECT_EQ(1, storage.StorageDeviceNumber(L"\\\\.\\e:"));
  EXPECT_EQ(0, storage.StorageDeviceNumber(L"\\\\.\\C:"));
  EXPECT_EQ(-1, storage.StorageDeviceNumber(L"\\\\.\\x:"));
  storage.DefineDosDevice(kDefineRawTargetPath, L"vol", L"\\Device\\HarddiskVolume6");
  EXPECT_EQ(1, storage.StorageDeviceNumber(L"\\\\.\\vol"));
  storage.DefineDosDevice(kRemoveDefinition, L"vol", L"");
  EXPECT_EQ(-1, storage.StorageDeviceNumber(L"\\\\.\\vol"));
  std::vector<DiskInterface> interfaces;
  ASSERT_TRUE(storage.ListDiskInterfaces(&interfaces));
  ASSERT_EQ(1u, interfaces.size());
  EXPECT_EQ(1, storage.StorageDeviceNumber(interfaces[0].device_path));

  // A letter whose volume is gone has no root any more; removing it frees it.
  storage.RemoveVolume(L"\\Device\\HarddiskVolume5");
  EXPECT_EQ(kDriveNoRootDir, storage.DriveType(L"E:\\"));
  EXPECT_TRUE(storage.DefineDosDevice(kDefineRawTargetPath | kRemoveDefinition, L"e:", L""));
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\", L"F:\\", L"X:\\"}), storage.LogicalDriveRoots());

  storage.SetDeviceLibraryAvailable(false);
  std::vector<std::wstring> names;
  EXPECT_FALSE(storage.ListVolumeDevices(&names));
  EXPECT_FALSE(storage.ListDiskDrives(&names));
}

}  // namespace
}  // namespace orvane
