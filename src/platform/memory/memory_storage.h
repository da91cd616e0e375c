// Drive letters, disks and volumes held in memory, for running the discovery
// and the volume-letter logic without a real machine. One object plays both
// parts, so that a letter given to a volume shows up in the drive list, as
// on the platform.
//
// Behaviour worth knowing:
// - Letters compare without regard to case and list in alphabetical order
//   as "C:\" roots. A root path may be given as "c:", "c:\" or "C:\".
// - A letter either stands for itself (AddDrive: type, label and
//   readability as the test says) or has a volume as its target
//   (DefineDosDevice with a raw target path, or AddDrive with a target):
//   then it is a fixed drive whose volume information can be read when the
//   volume has a file system; once that volume is gone its type is
//   kDriveNoRootDir.
// - Device numbers: "\\.\x:" gives the disk of the letter's volume (or the
//   number given to AddDrive), "\\.\name" the disk of the volume a defined
//   name points to, a disk interface path its disk's number; anything else -1.
// - Every operation takes one lock, so worker threads may share an instance.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/disks.h"
#include "platform/drives.h"

namespace orvane {

class MemoryStorage : public Drives, public Disks {
 public:
  // Drives.
  std::vector<std::wstring> LogicalDriveRoots() override;
  uint32_t DriveType(const std::wstring& root) override;
  bool VolumeInformation(const std::wstring& root, std::wstring* label) override;

  // Disks.
  bool ListDiskDrives(std::vector<std::wstring>* instance_ids) override;
  bool ListVolumeDevices(std::vector<std::wstring>* device_names) override;
  bool ListDiskInterfaces(std::vector<DiskInterface>* interfaces) override;
  int32_t StorageDeviceNumber(const std::wstring& device_path) override;
  bool DefineDosDevice(uint32_t flags, const std::wstring& name, const std::wstring& target) override;
  std::wstring QueryDosDevice(const std::wstring& name) override;

  // A drive letter ("c", "C:" or "c:\") of the given type. With a target
  // (a volume's device name) the letter points to that volume; disk_number
  // is what "\\.\x:" answers for a letter without a target volume.
  void AddDrive(const std::wstring& letter, uint32_t type, const std::wstring& label = L"",
                bool readable = true, const std::wstring& target = L"", int32_t disk_number = -1);

  // A present disk drive with its instance identifier and device number.
  void AddDisk(const std::wstring& instance_id, int32_t number);
  // A present volume on the disk with that number.
  void AddVolume(const std::wstring& device_name, int32_t disk_number, bool has_file_system = true,
                 const std::wstring& label = L"");

  // With false the device library counts as missing: the three lists fail.
  void SetDeviceLibraryAvailable(bool available);

  // Every DefineDosDevice call in order, as "flags|name|target".
  std::vector<std::wstring> Definitions() const;

 private:
  struct Drive {
    uint32_t type = kDriveFixed;
    std::wstring label;
    bool readable = true;
    std::wstring target;  // volume device name, "" for a letter of its own
    int32_t disk_number = -1;
  };
  struct Volume {
    std::wstring device_name;
    int32_t disk_number = -1;
    bool has_file_system = true;
    std::wstring label;
  };
  struct Disk {
    std::wstring instance_id;
    int32_t number = -1;
  };

  static std::wstring LetterOf(const std::wstring& text);  // "c" or ""
  const Volume* FindVolume(const std::wstring& device_name) const;
  int32_t DiskOfTarget(const std::wstring& target) const;

  mutable std::mutex mutex_;
  std::map<std::wstring, Drive> drives_;          // by lower-case letter
  std::map<std::wstring, std::wstring> names_;    // other defined names, lower-case
  std::vector<Volume> volumes_;
  std::vector<Disk> disks_;
  std::vector<std::wstring> definitions_;
  bool library_available_ = true;
};

}  // namespace orvane
