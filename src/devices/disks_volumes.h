// Disks and volumes of the running system: the disk list taken before a
// storage driver is installed, and the step after it that gives the volumes
// of the new disks free drive letters and reports them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/disks.h"
#include "platform/drives.h"
#include "platform/registry.h"

namespace orvane {

// Instance identifiers of the present disk drives that are not in before (an
// earlier result of this function; "" lists every present disk), each
// followed by LF. "" when the device library or set is not available.
std::wstring ListDisks(Disks& disks, const std::wstring& before);

// Gives every volume key below the running system's STORAGE\Volume enum key
// the Class and ClassGUID values it lacks ("Volume" and the volume class).
// Values that exist are left as they are.
void RepairVolumeKeys(Registry& registry);

// Physical device object names of the present volumes (after
// RepairVolumeKeys), each followed by "|".
std::wstring ListVolumeDevices(Registry& registry, Disks& disks);

// Disk number of a device path ("\\.\e:", a disk interface path); -1 when
// it cannot be determined.
int32_t DiskNumberOfPath(Disks& disks, const std::wstring& path);
// Number of the disk a volume device ("\Device\HarddiskVolume3") lies on,
// through the temporary device name "vol"; -1 when unknown.
int32_t DiskNumberOfVolume(Disks& disks, const std::wstring& volume);
// Disk number of a disk drive instance identifier (letter case ignored);
// -1 when no disk interface belongs to it.
int32_t DiskNumberOfDisk(Disks& disks, const std::wstring& instance_id);

// After a storage driver install: waits for the new disks to settle, removes
// drive letters whose target is gone, gives each letterless volume on the
// disks that are not in before (a ListDisks result taken before the install)
// the next free letter (c to z), and reports the letters found on the new
// disks: their count followed by TxtNewPartitions with "%1" replaced by
// "( E: F: )" or "". A disk or volume whose number cannot be read matches
// nothing.
std::wstring AssignNewVolumeLetters(Registry& registry, Drives& drives, Disks& disks, Clock& clock,
                                    const std::wstring& before);

}  // namespace orvane
