// Everything the install steps reach the running system through, bundled
// once per run: the import of a selected candidate, the unattended run and
// the import from an installed Windows all take the same set.
#pragma once

#include "app/cancellation.h"
#include "platform/archiver.h"
#include "platform/clock.h"
#include "platform/component_registration.h"
#include "platform/decompressor.h"
#include "platform/device_installer.h"
#include "platform/device_source.h"
#include "platform/disks.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "sources/install_log.h"

namespace orvane {

struct InstallServices {
  Registry& registry;
  FileSystem& files;  // a run that can be ended at once hands a CancellableFileSystem on its token
  SystemInfo& system;
  DeviceSource& devices;
  Drives& drives;
  Disks& disks;
  Clock& clock;
  Decompressor& decompressor;
  ComponentRegistration& components;
  DeviceInstaller& installer;
  Archiver& archiver;
  CancellationToken& cancel;  // ends the archiver at once; checked before every install step
  InstallLog& log;
};

}  // namespace orvane
