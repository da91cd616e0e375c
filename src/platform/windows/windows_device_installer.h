// Driver install on a present device through the Setup API, loaded at run
// time from the system folder.
#pragma once

#include "platform/device_installer.h"

namespace orvane {

class WindowsDeviceInstaller : public DeviceInstaller {
 public:
  int InstallDriverOnDevice(const std::wstring& instance_id, const std::wstring& inf_path) override;
};

}  // namespace orvane
