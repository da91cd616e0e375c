// Facts of the running system that do not live in the registry.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Value of an environment variable; "" when unset.
  virtual std::wstring GetEnvironment(const std::wstring& name) = 0;
  // Total physical memory in bytes.
  virtual uint64_t TotalPhysicalMemory() = 0;
  // Product type byte of the extended version record as decimal text
  // (1 workstation, 2 domain controller, 3 server); "" when the query fails.
  virtual std::wstring ProductType() = 0;
  // The user's default language identifier.
  virtual uint16_t UserDefaultLanguage() = 0;
  // The temporary directory, with its trailing separator.
  virtual std::wstring TempDirectory() = 0;
  // Folder of the running program, with its trailing separator.
  virtual std::wstring ProgramFolder() = 0;
};

}  // namespace orvane
