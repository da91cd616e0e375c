// Description of a Windows system: the running one or an installed one.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system_info.h"

namespace orvane {

struct SystemProfile {
  std::wstring system_drive;   // 1: X: for X:\windows
  std::wstring windows_dir;    // 2
  std::wstring architecture;   // 3: x86, AMD64, ...
  std::wstring version;        // 4: 10.0, 6.1, ...
  std::wstring build;          // 5
  std::wstring program_files;  // 6
  std::wstring language;       // 7: 0409, 0407, ...
  std::wstring product_type;   // 8: 1, 2, 3 or ""
};

// Fills the profile of the running system (fields read in the order 3, 2, 1, 6, 4, 5, 8, 7).
SystemProfile ReadRunningProfile(Registry& registry, SystemInfo& system);

std::wstring WindowsDisplayName(const std::wstring& version, const std::wstring& architecture);
std::wstring BitnessText(const std::wstring& architecture);
std::wstring ProductTypeName(const std::wstring& product_type);

}  // namespace orvane
