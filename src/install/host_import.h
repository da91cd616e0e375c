// The import from the Windows installed on the disks: for every device
// ticked on the device page, the driver that installation uses for it is
// exported out of it, prepared for the running system and installed on the
// device, with the Host-Install log and the page's status lines.
#pragma once

#include "app/window_view.h"
#include "devices/offline_scan.h"
#include "install/install_services.h"

namespace orvane {

// The worker of the device page's import button. For each ticked item, in
// item order, and each device of its group: export, staging into running
// systems up to version 6, the network component, the install; the item
// turns blue when every device of it was installed, red otherwise, and loses
// its tick. Then new enumerators and, after a storage driver, new volumes
// are reported. Nothing happens (and no log is written) when no item is
// ticked. Each device's export goes into a folder the run creates on the
// installation's drive ("\DRVTemp", or "\DRVTemp.1" ... when that name is
// taken) and removes again; the installation's own files are only read.
void ImportInstalledDrivers(InstallServices& services, WindowView& view, const DeviceScanTable& table);

}  // namespace orvane
