// The small icon of a setup class, taken from the running system's own
// files (the locations of ClassIconOf).
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

// Extracts one small icon of the class from its file below windows_dir; null
// when none could be extracted. The caller destroys it.
HICON ClassIcon(const std::wstring& class_name, const std::wstring& windows_dir);

}  // namespace orvane
