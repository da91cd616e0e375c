#include "platform/memory/memory_devices.h"

#include <algorithm>

#include "text/text_helpers.h"

namespace orvane {

bool MemoryDeviceSource::ListPresent(std::vector<PresentDevice>* devices) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices->clear();
  if (!available_) return false;
  *devices = devices_;
  return true;
}

void MemoryDeviceSource::Reenumerate() {
  std::function<void()> handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++reenumerate_count_;
    handler = rescan_handler_;
  }
  if (handler) handler();
}

void MemoryDeviceSource::AddDevice(const std::wstring& instance_id, uint32_t problem) {
  std::lock_guard<std::mutex> lock(mutex_);
  PresentDevice device;
  device.instance_id = instance_id;
  device.status_known = true;
  device.problem = problem;
  devices_.push_back(device);
}

void MemoryDeviceSource::AddDeviceWithoutStatus(const std::wstring& instance_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  PresentDevice device;
  device.instance_id = instance_id;
  devices_.push_back(device);
}

std::vector<PresentDevice>::iterator MemoryDeviceSource::FindLocked(
    const std::wstring& instance_id) {
  return std::find_if(devices_.begin(), devices_.end(), [&](const PresentDevice& device) {
    return EqualsNoCase(device.instance_id, instance_id);
  });
}

bool MemoryDeviceSource::SetProblem(const std::wstring& instance_id, uint32_t problem) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = FindLocked(instance_id);
  if (it == devices_.end()) return false;
  it->status_known = true;
  it->problem = problem;
  return true;
}

bool MemoryDeviceSource::RemoveDevice(const std::wstring& instance_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = FindLocked(instance_id);
  if (it == devices_.end()) return false;
  devices_.erase(it);
  return true;
}

void MemoryDeviceSource::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.clear();
}

void MemoryDeviceSource::SetAvailable(bool available) {
  std::lock_guard<std::mutex> lock(mutex_);
  available_ = available;
}

void MemoryDeviceSource::SetRescanHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  rescan_handler_ = std::move(handler);
}

int MemoryDeviceSource::ReenumerateCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reenumerate_count_;
}

}  // namespace orvane
