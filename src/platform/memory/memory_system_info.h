// System facts held in memory: each answer is a field that the caller sets.
// The defaults are those of a 64-bit WinPE with 4 GiB on drive X:, English,
// workstation product type, temporary folder X:\Windows\TEMP\ and the
// program in X:\Tools\.
//
// Behaviour worth knowing:
// - Environment names compare without regard to letter case, as on the
//   platform; SetEnvironment keeps the case of the first writer.
// - The fields are plain data without a lock: set them before handing the
//   object to worker threads.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/system_info.h"

namespace orvane {

class MemorySystemInfo : public SystemInfo {
 public:
  std::map<std::wstring, std::wstring> environment;
  uint64_t total_memory = 4ull << 30;
  std::wstring product_type = L"1";
  uint16_t language = 0x0409;
  std::wstring temp_directory = L"X:\\Windows\\TEMP\\";
  std::wstring program_folder = L"X:\\Tools\\";

  // Sets a variable, replacing one whose name differs only in letter case.
  void SetEnvironment(const std::wstring& name, const std::wstring& value);

  std::wstring GetEnvironment(const std::wstring& name) override;
  uint64_t TotalPhysicalMemory() override { return total_memory; }
  std::wstring ProductType() override { return product_type; }
  uint16_t UserDefaultLanguage() override { return language; }
  std::wstring TempDirectory() override { return temp_directory; }
  std::wstring ProgramFolder() override { return program_folder; }
};

}  // namespace orvane
