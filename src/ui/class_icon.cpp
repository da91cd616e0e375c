#include "ui/class_icon.h"

#include <shellapi.h>

#include "devices/offline_scan.h"

namespace orvane {

HICON ClassIcon(const std::wstring& class_name, const std::wstring& windows_dir) {
  const ClassIconLocation location = ClassIconOf(class_name, windows_dir);
  HICON small_icon = nullptr;
  // The count it returns differs between versions; the handle tells.
  ExtractIconExW(location.file.c_str(), location.index, nullptr, &small_icon, 1);
  return small_icon;
}

}  // namespace orvane
