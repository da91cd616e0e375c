// Disks, volumes and drive-letter definitions through the Setup API (loaded
// at run time from the system folder) and the storage stack.
#pragma once

#include "platform/disks.h"

namespace orvane {

class WindowsDisks : public Disks {
 public:
  bool ListDiskDrives(std::vector<std::wstring>* instance_ids) override;
  bool ListVolumeDevices(std::vector<std::wstring>* device_names) override;
  bool ListDiskInterfaces(std::vector<DiskInterface>* interfaces) override;
  int32_t StorageDeviceNumber(const std::wstring& device_path) override;
  bool DefineDosDevice(uint32_t flags, const std::wstring& name, const std::wstring& target) override;
  std::wstring QueryDosDevice(const std::wstring& name) override;
};

}  // namespace orvane
