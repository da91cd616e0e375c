#include "platform/memory/memory_device_installer.h"

#include "text/text_helpers.h"

namespace orvane {

int MemoryDeviceInstaller::InstallDriverOnDevice(const std::wstring& instance_id, const std::wstring& inf_path) {
  std::function<void(const Install&)> hook;
  Install install;
  bool keep = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (forced_result_ != kInstallOk) return forced_result_;
    keep = keep_problem_;
    hook = hook_;
  }
  std::vector<PresentDevice> present;
  if (!devices_.ListPresent(&present)) return kInstallNoDeviceSet;
  const PresentDevice* device = nullptr;
  for (const PresentDevice& candidate : present) {
    if (EqualsNoCase(candidate.instance_id, instance_id)) {
      device = &candidate;
      break;
    }
  }
  if (device == nullptr) return kInstallNoSuchDevice;

  install.instance_id = device->instance_id;
  install.inf_path = inf_path;
  uint32_t problem = device->status_known ? device->problem : 0;
  if (!keep) {
    devices_.SetProblem(device->instance_id, 0);
    problem = 0;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    installs_.push_back(install);
  }
  if (hook) hook(install);
  return problem == 0 ? kInstallOk : kInstallDeviceProblem;
}

void MemoryDeviceInstaller::KeepProblem(bool keep) {
  std::lock_guard<std::mutex> lock(mutex_);
  keep_problem_ = keep;
}

void MemoryDeviceInstaller::ForceResult(int result) {
  std::lock_guard<std::mutex> lock(mutex_);
  forced_result_ = result;
}

void MemoryDeviceInstaller::SetInstallHook(std::function<void(const Install&)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<MemoryDeviceInstaller::Install> MemoryDeviceInstaller::Installs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return installs_;
}

}  // namespace orvane
