// A SystemInfo whose answers the test sets field by field.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/system_info.h"
#include "text/text_helpers.h"

namespace orvane {

class FakeSystemInfo : public SystemInfo {
 public:
  // Environment variables; names are compared ignoring letter case, as on Windows.
  std::map<std::wstring, std::wstring> environment;
  uint64_t total_memory = 4ull << 30;
  std::wstring product_type = L"1";
  uint16_t language = 0x0409;
  std::wstring temp_directory = L"X:\\Windows\\TEMP\\";
  std::wstring program_folder = L"X:\\Tools\\";

  void SetEnvironment(const std::wstring& name, const std::wstring& value) {
    for (auto& entry : environment) {
      if (EqualsNoCase(entry.first, name)) {
        entry.second = value;
        return;
      }
    }
    environment[name] = value;
  }

  std::wstring GetEnvironment(const std::wstring& name) override {
    for (const auto& entry : environment) {
      if (EqualsNoCase(entry.first, name)) return entry.second;
    }
    return std::wstring();
  }
  uint64_t TotalPhysicalMemory() override { return total_memory; }
  std::wstring ProductType() override { return product_type; }
  uint16_t UserDefaultLanguage() override { return language; }
  std::wstring TempDirectory() override { return temp_directory; }
  std::wstring ProgramFolder() override { return program_folder; }
};

}  // namespace orvane
