// The platform as the program's logic sees it: one reference per family.
#pragma once

#include "platform/device_source.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace orvane {

struct Platform {
  Registry& registry;
  FileSystem& files;
  SystemInfo& system;
  DeviceSource& devices;
};

}  // namespace orvane
