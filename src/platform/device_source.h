// Present devices of the running system as the platform's device installer
// reports them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

struct PresentDevice {
  std::wstring instance_id;
  bool status_known = false;  // the device node's status query succeeded
  uint32_t problem = 0;       // problem number, 0 = working; meaningful only when status_known
};

class DeviceSource {
 public:
  virtual ~DeviceSource() = default;
  // All present devices of all classes in the platform's enumeration order,
  // each with the status of its device node. Replaces the content of
  // *devices. False (and no devices) when the device library or the device
  // set is not available.
  virtual bool ListPresent(std::vector<PresentDevice>* devices) = 0;
  // Asks the configuration manager to rescan the whole device tree. The
  // outcome of the rescan is not reported.
  virtual void Reenumerate() = 0;
};

}  // namespace orvane
