// Which of this machine's devices does the Windows installed on the disks
// drive with a working driver that the running system can take over? The
// scan mounts the installation's hives, looks every present device of the
// running system up in the installation's device tree, keeps the devices it
// has installed with a driver of one of the scan classes, unloads the hives,
// and lists those whose INF, matched for the running system, chooses the
// install section the installation uses.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/window_view.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "registry/hive_mount.h"

namespace orvane {

// The scanned installation, from its profile. Text form: the six fields
// joined by LF.
struct ScanHeader {
  std::wstring computer_name;    // 1
  std::wstring windows_dir;      // 2: what a rescan starts from
  std::wstring architecture;     // 3
  std::wstring version;          // 4
  std::wstring program_files;    // 5
  std::wstring common_app_data;  // 6
};

// One device that the installation drives. Text form: the fields joined by
// LF; the group field only on the record that carries a tree item.
struct DeviceRecord {
  std::wstring description;      // 1: DeviceDesc after its first ";"
  std::wstring instance_id;      // 2: as the running system lists the device
  std::wstring driver_key;       // 3: class GUID "\" number
  std::wstring inf_name;         // 4: InfPath of the driver key (oem12.inf)
  std::wstring install_section;  // 5: InfSection immediately followed by InfSectionExt
  std::wstring matching_id;      // 6: MatchingDeviceId
  std::wstring class_name;       // 7: Class of the class key
  std::wstring package_folder;   // 8: the driver package's driver store folder, or ""
  std::wstring group;            // 9: the record numbers of its group, each followed by ","
};

ScanHeader ScanHeaderOf(const InstallationProfile& installation);
std::wstring ScanHeaderText(const ScanHeader& header);
std::wstring DeviceRecordText(const DeviceRecord& record);

// The result of the last scan: the header (entry 0) and records numbered
// from 1 in the order found; a tree item's data is the number of its
// group's last record. Only the scan writes it; the window and the import
// read it. Each call is complete in itself and reads hand out copies.
class DeviceScanTable {
 public:
  // Empty header, no records.
  void Reset();
  void SetHeader(const ScanHeader& header);
  // Appends a record; returns its number.
  size_t Add(const DeviceRecord& record);
  // Sets the group field of record `number`; false when there is none.
  bool SetGroup(size_t number, const std::wstring& group);

  ScanHeader Header() const;
  size_t Count() const;
  // Record `number` (1..Count()); nothing for any other number.
  std::optional<DeviceRecord> Record(size_t number) const;
  std::vector<DeviceRecord> Records() const;

 private:
  mutable std::mutex mutex_;
  ScanHeader header_;
  std::vector<DeviceRecord> records_;
};

// The program's scan result.
inline DeviceScanTable DeviceTable;

// Is the class one the scan keeps (net, modem, scsiadapter, hdc, media,
// system, nvidia network bus enumerator; any letter case)?
bool IsScanClass(const std::wstring& class_name);

// Where the small icon of a setup class comes from: a file of the Windows
// folder and the icon's index in it.
struct ClassIconLocation {
  std::wstring file;
  int index = 0;
};
ClassIconLocation ClassIconOf(const std::wstring& class_name, const std::wstring& windows_dir);

// The registry walk of the scan, with the installation's hives mounted:
// for each present device (instance identifier as the running system lists
// it), the last of its installation instances with ConfigFlags 0, a driver
// and a scan class, as a record (fields 1-8). The device key is opened by
// its name, so the work grows with the present devices, not with the size
// of the installation's device tree.
std::vector<DeviceRecord> ReadInstalledDevices(Registry& registry, const std::wstring& system_root,
                                               const std::vector<std::wstring>& present_ids);

// The worker: scans the installation in windows_dir, fills table, the device
// tree and the device page's labels, and enables the import when the
// installation's architecture is the running system's. The hives are
// unloaded on every way out once they were loaded.
void ScanInstalledDevices(Platform& platform, WindowView& view, const std::wstring& windows_dir,
                          DeviceScanTable& table);

}  // namespace orvane
