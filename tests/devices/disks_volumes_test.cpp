#include "devices/disks_volumes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_storage.h"
#include "registry/registry_access.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kOldDisk[] = L"IDE\\DISKWINPE\\0";
const wchar_t kNewDisk[] = L"SCSI\\DISK&VEN_NEW\\1";
const wchar_t kVolume1[] = L"\\Device\\HarddiskVolume1";
const wchar_t kVolume2[] = L"\\Device\\HarddiskVolume2";
const wchar_t kVolume3[] = L"\\Device\\HarddiskVolume3";

// A running WinPE: its RAM drive X:, the system's disk 0 with C: and D:,
// and the disk list taken before a storage driver was installed.
struct StorageScene {
  MemoryRegistry registry;
  MemoryStorage storage;
  MemoryClock clock;
  std::wstring before;

  StorageScene() {
    LoadUiTexts(0x0409);
    storage.AddDrive(L"x", kDriveRamDisk, L"Boot");
    storage.AddDisk(kOldDisk, 0);
    storage.AddVolume(L"\\Device\\HarddiskVolume9", 0);
    storage.AddVolume(L"\\Device\\HarddiskVolume10", 0);
    storage.AddDrive(L"c", kDriveFixed, L"", true, L"\\Device\\HarddiskVolume9");
    storage.AddDrive(L"d", kDriveFixed, L"", true, L"\\Device\\HarddiskVolume10");
    before = ListDisks(storage, L"");
  }
  std::wstring Assign() { return AssignNewVolumeLetters(registry, storage, storage, clock, before); }
  std::vector<std::wstring> Roots() { return storage.LogicalDriveRoots(); }
};

TEST(DisksVolumes, ListDisksLeavesOutTheDisksOfTheEarlierList) {
  StorageScene scene;
  EXPECT_EQ(std::wstring(kOldDisk) + L"\n", scene.before);
  EXPECT_EQ(L"", ListDisks(scene.storage, scene.before));
  scene.storage.AddDisk(kNewDisk, 1);
  // Letter case does not make a disk new.
  EXPECT_EQ(std::wstring(kNewDisk) + L"\n", ListDisks(scene.storage, L"ide\\diskwinpe\\0\n"));
  scene.storage.SetDeviceLibraryAvailable(false);
  EXPECT_EQ(L"", ListDisks(scene.storage, L""));
}

TEST(DisksVolumes, NoNewDiskReportsNothing) {
  StorageScene scene;
  EXPECT_EQ(L"0 new Partition(s)  found.", scene.Assign());
  EXPECT_EQ(1500u, scene.clock.PausedMilliseconds());
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\", L"D:\\", L"X:\\"}), scene.Roots());
}

TEST(DisksVolumes, AVolumeThatHasALetterIsReportedAndKeepsIt) {
  StorageScene scene;
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1);
  scene.storage.AddDrive(L"e", kDriveFixed, L"", true, kVolume1);
  EXPECT_EQ(L"1 new Partition(s) ( E: ) found.", scene.Assign());
}

TEST(DisksVolumes, TwoLetterlessVolumesGetTheFirstFreeLetters) {
  StorageScene scene;
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1);
  scene.storage.AddVolume(kVolume2, 1);
  EXPECT_EQ(L"2 new Partition(s) ( E: F: ) found.", scene.Assign());
  EXPECT_EQ(L"\\device\\harddiskvolume1", scene.storage.QueryDosDevice(L"E:"));
  EXPECT_EQ(L"\\device\\harddiskvolume2", scene.storage.QueryDosDevice(L"F:"));
  // The temporary name used to find each volume's disk is gone again.
  EXPECT_EQ(L"", scene.storage.QueryDosDevice(L"vol"));
}

TEST(DisksVolumes, AStaleLetterIsRemovedAndGivenToANewVolume) {
  StorageScene scene;
  scene.storage.AddDrive(L"e", kDriveFixed, L"", true, L"\\Device\\HarddiskVolumeGone");
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1);
  EXPECT_EQ(L"1 new Partition(s) ( E: ) found.", scene.Assign());
  EXPECT_EQ(L"\\device\\harddiskvolume1", scene.storage.QueryDosDevice(L"e:"));
  const std::vector<std::wstring> definitions = scene.storage.Definitions();
  ASSERT_FALSE(definitions.empty());
  EXPECT_EQ(L"3|e:|", definitions.front());
}

TEST(DisksVolumes, AVolumeWithoutFileSystemLeavesItsLetterToTheNextVolume) {
  StorageScene scene;
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1, /*has_file_system=*/false);
  scene.storage.AddVolume(kVolume2, 1);
  scene.storage.AddVolume(kVolume3, 1);
  EXPECT_EQ(L"2 new Partition(s) ( E: F: ) found.", scene.Assign());
  EXPECT_EQ(L"\\device\\harddiskvolume2", scene.storage.QueryDosDevice(L"e:"));
  EXPECT_EQ(L"\\device\\harddiskvolume3", scene.storage.QueryDosDevice(L"f:"));
}

TEST(DisksVolumes, LettersRunOutQuietly) {
  StorageScene scene;
  for (wchar_t letter = L'e'; letter <= L'z'; ++letter) scene.storage.AddDrive(std::wstring(1, letter), kDriveRemote);
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1);
  EXPECT_EQ(L"0 new Partition(s)  found.", scene.Assign());
}

// A disk or volume whose number cannot be read matches nothing: WinPE's RAM
// drive (no storage device number) is no new partition, and a volume of
// unknown disk gets no letter on behalf of a disk of unknown number.
TEST(DisksVolumes, UnknownNumbersMatchNothing) {
  StorageScene scene;
  scene.storage.AddDisk(kNewDisk, -1);
  scene.storage.AddVolume(kVolume1, -1);
  EXPECT_EQ(L"0 new Partition(s)  found.", scene.Assign());
  EXPECT_EQ(L"", scene.storage.QueryDosDevice(L"e:"));
  EXPECT_EQ(-1, DiskNumberOfVolume(scene.storage, kVolume1));
  EXPECT_EQ(-1, DiskNumberOfDisk(scene.storage, kNewDisk));
  EXPECT_EQ(-1, DiskNumberOfPath(scene.storage, L"\\\\.\\x:"));
}

TEST(DisksVolumes, GermanReport) {
  StorageScene scene;
  LoadUiTexts(0x0407);
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1);
  EXPECT_EQ(L"1 neue partition(en) ( E: ) gefunden", scene.Assign());
  LoadUiTexts(0x0409);
}

TEST(DisksVolumes, RepairVolumeKeysAddsOnlyMissingValues) {
  MemoryRegistry registry;
  MemoryStorage storage;
  const std::wstring keys = L"SYSTEM\\CurrentControlSet\\Enum\\STORAGE\\Volume";
  WriteRegValue(registry, L"hklm", keys + L"\\Bare", L"", 0, L"");
  WriteRegValue(registry, L"hklm", keys + L"\\Odd", L"Class", kRegSz, L"Other");
  storage.AddVolume(kVolume1, 1);
  storage.AddVolume(kVolume2, 1);
  EXPECT_EQ(std::wstring(kVolume1) + L"|" + kVolume2 + L"|", ListVolumeDevices(registry, storage));
  EXPECT_EQ(L"Volume", ReadRegValue(registry, nullptr, L"hklm", keys + L"\\Bare", L"Class"));
  EXPECT_EQ(L"{71A27CDD-812A-11D0-BEC7-08002BE2092F}",
            ReadRegValue(registry, nullptr, L"hklm", keys + L"\\Bare", L"ClassGUID"));
  EXPECT_EQ(L"Other", ReadRegValue(registry, nullptr, L"hklm", keys + L"\\Odd", L"Class"));
  storage.SetDeviceLibraryAvailable(false);
  EXPECT_EQ(L"", ListVolumeDevices(registry, storage));
}

}  // namespace
}  // namespace orvane
