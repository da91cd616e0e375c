// A device installer in memory, working on the devices of a
// MemoryDeviceSource: it records which INF was installed on which device,
// clears the device's problem number or keeps it as the test says, can be
// made to fail like a system without the device library, and runs a hook
// after each install (for example to let the disks behind a storage
// controller appear in a MemoryStorage).
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_installer.h"
#include "platform/memory/memory_devices.h"

namespace orvane {

class MemoryDeviceInstaller : public DeviceInstaller {
 public:
  struct Install {
    std::wstring instance_id;  // as the device source spells it
    std::wstring inf_path;
  };

  explicit MemoryDeviceInstaller(MemoryDeviceSource& devices) : devices_(devices) {}

  // Finds the device (letter case ignored), records the install, clears its
  // problem number unless KeepProblem was asked for, runs the hook and
  // answers kInstallOk, or kInstallDeviceProblem while the device still
  // reports a problem. kInstallNoSuchDevice (nothing recorded) when no
  // present device has that identifier; the forced result when one is set.
  int InstallDriverOnDevice(const std::wstring& instance_id, const std::wstring& inf_path) override;

  // Installs leave the device's problem number as it was.
  void KeepProblem(bool keep);
  // Every later install answers this result (kInstallNoLibrary,
  // kInstallNoStatusQuery, kInstallNoDeviceSet) without touching a device;
  // kInstallOk goes back to normal work.
  void ForceResult(int result);
  // Called after each recorded install with the device and the INF.
  void SetInstallHook(std::function<void(const Install&)> hook);

  std::vector<Install> Installs() const;

 private:
  MemoryDeviceSource& devices_;
  mutable std::mutex mutex_;
  std::vector<Install> installs_;
  bool keep_problem_ = false;
  int forced_result_ = kInstallOk;
  std::function<void(const Install&)> hook_;
};

}  // namespace orvane
