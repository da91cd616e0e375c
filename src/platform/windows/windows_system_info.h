// Facts of the running Windows system read through the Windows API.
#pragma once

#include "platform/system_info.h"

namespace orvane {

class WindowsSystemInfo : public SystemInfo {
 public:
  std::wstring GetEnvironment(const std::wstring& name) override;
  uint64_t TotalPhysicalMemory() override;
  std::wstring ProductType() override;
  uint16_t UserDefaultLanguage() override;
  std::wstring TempDirectory() override;
  std::wstring ProgramFolder() override;
};

}  // namespace orvane
