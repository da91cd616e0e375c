// Disks and volumes of the running system as the device installer and the
// storage stack report them, and the drive-letter definitions that give a
// volume its letter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// <windows.h> maps these names onto its own functions; the members below keep
// their plain names wherever this header is seen after it.
#ifdef DefineDosDevice
#undef DefineDosDevice
#endif
#ifdef QueryDosDevice
#undef QueryDosDevice
#endif

namespace orvane {

// Flags of DefineDosDevice, numbered as the platform numbers them.
constexpr uint32_t kDefineRawTargetPath = 1;
constexpr uint32_t kRemoveDefinition = 2;

// A present interface of the disk interface class: the path that opens the
// disk, and the instance identifier of the device node behind it.
struct DiskInterface {
  std::wstring device_path;
  std::wstring instance_id;
};

class Disks {
 public:
  virtual ~Disks() = default;
  // Instance identifiers of the present devices of the disk drive class, in
  // the platform's order. False (and none) when the device library or the
  // device set is not available.
  virtual bool ListDiskDrives(std::vector<std::wstring>* instance_ids) = 0;
  // Physical device object names ("\Device\HarddiskVolume3") of the present
  // devices of the volume class, in the platform's order. False when the
  // device library or the device set is not available.
  virtual bool ListVolumeDevices(std::vector<std::wstring>* device_names) = 0;
  // Present interfaces of the disk interface class. Interfaces whose detail
  // record is empty or larger than the platform's path record (2052 bytes)
  // are left out. False when the interface set cannot be created.
  virtual bool ListDiskInterfaces(std::vector<DiskInterface>* interfaces) = 0;
  // Opens a device path ("\\.\e:", "\\.\vol", a disk interface path) without
  // access rights and asks for its storage device number; -1 when it cannot
  // be opened or does not answer.
  virtual int32_t StorageDeviceNumber(const std::wstring& device_path) = 0;
  // Defines, or with kRemoveDefinition removes, an MS-DOS device name such
  // as "e:" or "vol". True when the platform accepted it.
  virtual bool DefineDosDevice(uint32_t flags, const std::wstring& name, const std::wstring& target) = 0;
  // The first target of an MS-DOS device name; "" when it has none.
  virtual std::wstring QueryDosDevice(const std::wstring& name) = 0;
};

}  // namespace orvane
