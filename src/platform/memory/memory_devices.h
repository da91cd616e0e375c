// Present devices held in memory. The caller says which devices are present
// (in enumeration order) and what their nodes report; their identifiers live
// in the registry's enum tree as on a real machine, so one .reg text together
// with this list describes a whole machine.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_source.h"

namespace orvane {

class MemoryDeviceSource : public DeviceSource {
 public:
  MemoryDeviceSource() = default;

  bool ListPresent(std::vector<PresentDevice>* devices) override;
  // Counts the call and runs the rescan handler, if one is set.
  void Reenumerate() override;

  // Appends a present device whose node reports that problem number.
  void AddDevice(const std::wstring& instance_id, uint32_t problem = 0);
  // Appends a present device whose node status cannot be queried.
  void AddDeviceWithoutStatus(const std::wstring& instance_id);

  // Changes the problem number of a present device (the status becomes
  // known). False when no such device is present (letter case ignored).
  bool SetProblem(const std::wstring& instance_id, uint32_t problem);
  // Removes a device; false when it was not present.
  bool RemoveDevice(const std::wstring& instance_id);
  void Clear();

  // With false the source behaves like a system whose device library cannot
  // be loaded: ListPresent fails.
  void SetAvailable(bool available);

  // Called by Reenumerate (outside the source's lock), e.g. to let a new
  // device appear after a rescan.
  void SetRescanHandler(std::function<void()> handler);
  int ReenumerateCount() const;

 private:
  std::vector<PresentDevice>::iterator FindLocked(const std::wstring& instance_id);

  mutable std::mutex mutex_;
  std::vector<PresentDevice> devices_;
  bool available_ = true;
  int reenumerate_count_ = 0;
  std::function<void()> rescan_handler_;
};

}  // namespace orvane
