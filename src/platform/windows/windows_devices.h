// The running system's devices through the device installer and the
// configuration manager, both loaded from the system folder for each call.
#pragma once

#include <vector>

#include "platform/device_source.h"

namespace orvane {

class WindowsDeviceSource : public DeviceSource {
 public:
  // Devices whose instance identifier cannot be read are left out; a device
  // whose node status cannot be queried comes with status_known false.
  bool ListPresent(std::vector<PresentDevice>* devices) override;
  void Reenumerate() override;
};

}  // namespace orvane
