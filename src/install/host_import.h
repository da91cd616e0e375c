// The import from the Windows installed on the disks: for every device
// ticked on the device page, the driver that installation uses for it is
// exported out of it, prepared for the running system and installed on the
// device, with the Host-Install log and the page's status lines.
#pragma once

#include <string>

#include "app/window_view.h"
#include "devices/offline_scan.h"
#include "install/install_services.h"
#include "registry/system_profile.h"

namespace orvane {

// The installation of the last scan as a system profile: its drive, Windows
// directory, architecture, version and program files from the scan header,
// no build, the running system's language and product type 1.
SystemProfile SourceProfileOf(const ScanHeader& header, const SystemProfile& running);

// Where a member's driver is exported to: the installation's drive +
// "\DRVTemp"; "" when the Windows directory has no drive letter. The run
// creates a fresh folder of that name (or base.1, base.2 ...) per member and
// removes only that folder again.
std::wstring ExportFolderBase(const SystemProfile& source);

// The worker of the device page's import button. For each ticked item, in
// item order, and each device of its group: export, staging into running
// systems up to version 6, the network component, the install; the item
// turns blue when every device of it was installed, red otherwise, and loses
// its tick. Then new enumerators and, after a storage driver, new volumes
// are reported. Nothing happens (and no log is written) when no item is
// ticked. The installation's own files are only read.
void ImportInstalledDrivers(InstallServices& services, WindowView& view, const DeviceScanTable& table);

}  // namespace orvane
