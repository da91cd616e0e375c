// Drive letters through the Windows API.
#pragma once

#include "platform/drives.h"

namespace orvane {

class WindowsDrives : public Drives {
 public:
  std::vector<std::wstring> LogicalDriveRoots() override;
  uint32_t DriveType(const std::wstring& root) override;
  // Drives without a medium fail quietly: no "insert a disk" box appears.
  bool VolumeInformation(const std::wstring& root, std::wstring* label) override;
};

}  // namespace orvane
