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
};

// The report, and what E: and F: then lead to, for each kind of new disk
// (a disk of the earlier list is not new); the lists of disks and volumes.
TEST(DisksVolumes, NewVolumesGetFreeLettersAndAreReported) {
  const wchar_t kGone[] = L"\\Device\\HarddiskVolumeGone";
  struct Case {
    const char* name;
    int disk;             // number of the new disk (-1: unknown), 0 for none
    std::string volumes;  // its volumes 1, 2, ...: "+" with a file system, "-" without
    const wchar_t* e;     // the target E: has beforehand, "" for none, "*" for E: to Z: all taken
    const wchar_t* report;
    const wchar_t* letters;  // QueryDosDevice of E: and F:
  };
  const Case cases[] = {
      {"no new disk", 0, "", L"", L"0 new Partition(s)  found.", L"|"},
      {"a volume that has its letter keeps it", 1, "+", kVolume1, L"1 new Partition(s) ( E: ) found.",
       L"\\Device\\HarddiskVolume1|"},
      {"a stale letter is given to the new volume", 1, "+", kGone, L"1 new Partition(s) ( E: ) found.",
       L"\\device\\harddiskvolume1|"},
      {"a stale letter is removed even when no new volume takes it", 0, "", kGone, L"0 new Partition(s)  found.", L"|"},
      // Two letterless volumes get E: and F:.
      {"a volume without file system leaves its letter to the next", 1, "-++", L"",
       L"2 new Partition(s) ( E: F: ) found.", L"\\device\\harddiskvolume2|\\device\\harddiskvolume3"},
      {"letters run out", 1, "+", L"*", L"0 new Partition(s)  found.", L"|"},
      // WinPE's RAM drive has no storage device number: no new partition;
      // a volume of unknown disk gets no letter for a disk of unknown number.
      {"unknown numbers", -1, "+", L"", L"0 new Partition(s)  found.", L"|"},
  };
  for (const Case& c : cases) {
    StorageScene scene;
    if (c.disk != 0) scene.storage.AddDisk(kNewDisk, c.disk);
    for (size_t i = 0; i < c.volumes.size(); ++i) {
      scene.storage.AddVolume(L"\\Device\\HarddiskVolume" + std::to_wstring(i + 1), c.disk, c.volumes[i] == '+');
    }
    if (std::wstring(c.e) == L"*") {
      for (wchar_t letter = L'e'; letter <= L'z'; ++letter)
        scene.storage.AddDrive(std::wstring(1, letter), kDriveRemote);
    } else if (*c.e) {
      scene.storage.AddDrive(L"e", kDriveFixed, L"", true, c.e);
    }
    EXPECT_EQ(c.report, scene.Assign()) << c.name;
    EXPECT_EQ(c.letters, scene.storage.QueryDosDevice(L"E:") + L"|" + scene.storage.QueryDosDevice(L"f:")) << c.name;
    // The temporary name used to find each volume's disk is gone again.
    EXPECT_EQ(L"", scene.storage.QueryDosDevice(L"vol")) << c.name;
    EXPECT_EQ(1500u, scene.clock.PausedMilliseconds()) << c.name;
  }
  // In German; the stale letter is removed with the raw target path.
  StorageScene scene;
  LoadUiTexts(0x0407);
  scene.storage.AddDrive(L"e", kDriveFixed, L"", true, kGone);
  scene.storage.AddDisk(kNewDisk, 1);
  scene.storage.AddVolume(kVolume1, 1);
  EXPECT_EQ(L"1 neue partition(en) ( E: ) gefunden", scene.Assign());
  EXPECT_EQ(L"3|e:|", scene.storage.Definitions().front());
  LoadUiTexts(0x0409);

  // The earlier list leaves out its disks whatever their letter case (the
  // scene's own earlier list: the "no new disk" row).
  EXPECT_EQ(std::wstring(kNewDisk) + L"\n", ListDisks(scene.storage, L"ide\\diskwinpe\\0\n"));

  // Listing the volumes repairs the volume keys: only missing values are added.
  const std::wstring keys = L"SYSTEM\\CurrentControlSet\\Enum\\STORAGE\\Volume";
  WriteRegValue(scene.registry, L"hklm", keys + L"\\Bare", L"", 0, L"");
  WriteRegValue(scene.registry, L"hklm", keys + L"\\Odd", L"Class", kRegSz, L"Other");
  EXPECT_EQ(L"\\Device\\HarddiskVolume9|\\Device\\HarddiskVolume10|" + std::wstring(kVolume1) + L"|",
            ListVolumeDevices(scene.registry, scene.storage));
  EXPECT_EQ(L"Volume|{71A27CDD-812A-11D0-BEC7-08002BE2092F}|Other",
            ReadRegValue(scene.registry, nullptr, L"hklm", keys + L"\\Bare", L"Class") + L"|" +
                ReadRegValue(scene.registry, nullptr, L"hklm", keys + L"\\Bare", L"ClassGUID") + L"|" +
                ReadRegValue(scene.registry, nullptr, L"hklm", keys + L"\\Odd", L"Class"));
  scene.storage.SetDeviceLibraryAvailable(false);
  EXPECT_EQ(L"", ListDisks(scene.storage, L"") + ListVolumeDevices(scene.registry, scene.storage));
}

}  // namespace
}  // namespace orvane
