#include "platform/memory/memory_devices.h"

#include <algorithm>

#include "registry/registry_access.h"
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

size_t MemoryDeviceSource::AddDevicesFromEnumTree(Registry& registry) {
  const std::wstring root = L"SYSTEM\\CurrentControlSet\\Enum";
  // Walks one level of subkeys: index 1, 2, ... until the status is not 0.
  auto subkeys = [&registry](const std::wstring& path) {
    std::vector<std::wstring> names;
    for (int32_t index = 1;; ++index) {
      RegStatus status = 0;
      std::wstring name = EnumRegSubKey(registry, &status, L"hklm", path, index);
      if (status != 0) break;
      names.push_back(name);
    }
    return names;
  };
  size_t added = 0;
  for (const std::wstring& enumerator : subkeys(root)) {
    std::wstring enumerator_path = root + L"\\" + enumerator;
    for (const std::wstring& device : subkeys(enumerator_path)) {
      std::wstring device_path = enumerator_path + L"\\" + device;
      for (const std::wstring& instance : subkeys(device_path)) {
        AddDevice(enumerator + L"\\" + device + L"\\" + instance, 0);
        ++added;
      }
    }
  }
  return added;
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
