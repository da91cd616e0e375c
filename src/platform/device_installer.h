// Installing a driver from an INF on a present device of the running system
// through the platform's device installer.
#pragma once

#include <string>

namespace orvane {

// Results of InstallDriverOnDevice. Only kInstallOk is a success.
constexpr int kInstallOk = 0;              // installed; the device reports no problem afterwards
constexpr int kInstallNoStatusQuery = 1;   // the device library has no CM_Get_DevNode_Status
constexpr int kInstallNoLibrary = 2;       // setupapi.dll could not be loaded
constexpr int kInstallNoDeviceSet = 3;     // the list of present devices could not be obtained
constexpr int kInstallNoSuchDevice = 4;    // no present device has that instance identifier
constexpr int kInstallDeviceProblem = 5;   // the install was refused, or the device still reports a problem

class DeviceInstaller {
 public:
  virtual ~DeviceInstaller() = default;
  // Installs the best driver of the INF at inf_path on the present device
  // whose instance identifier equals instance_id without regard to letter
  // case. Returns one of the kInstall... results.
  virtual int InstallDriverOnDevice(const std::wstring& instance_id, const std::wstring& inf_path) = 0;
};

}  // namespace orvane
