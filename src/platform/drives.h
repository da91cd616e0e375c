// Drive letters of the running system: which roots exist, what kind of drive
// each is, and whether its volume can be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// Drive types, numbered as the platform numbers them.
constexpr uint32_t kDriveUnknown = 0;
constexpr uint32_t kDriveNoRootDir = 1;  // the letter's target is gone
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kDriveRemote = 4;
constexpr uint32_t kDriveCdRom = 5;
constexpr uint32_t kDriveRamDisk = 6;

class Drives {
 public:
  virtual ~Drives() = default;
  // The drive roots in the platform's order (alphabetical), each as the
  // platform writes it: letter, ":" and "\" ("C:\").
  virtual std::vector<std::wstring> LogicalDriveRoots() = 0;
  // Type of the drive of a root path such as "c:\".
  virtual uint32_t DriveType(const std::wstring& root) = 0;
  // Reads the volume information of a root path such as "c:\". False when it
  // cannot be read (no medium, no recognised file system). label may be null;
  // a volume without a label gives "".
  virtual bool VolumeInformation(const std::wstring& root, std::wstring* label) = 0;
};

}  // namespace orvane
