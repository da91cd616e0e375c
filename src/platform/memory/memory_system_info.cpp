#include "platform/memory/memory_system_info.h"

#include "text/text_helpers.h"

namespace orvane {

void MemorySystemInfo::SetEnvironment(const std::wstring& name, const std::wstring& value) {
  for (auto& entry : environment) {
    if (EqualsNoCase(entry.first, name)) {
      entry.second = value;
      return;
    }
  }
  environment[name] = value;
}

std::wstring MemorySystemInfo::GetEnvironment(const std::wstring& name) {
  for (const auto& entry : environment) {
    if (EqualsNoCase(entry.first, name)) return entry.second;
  }
  return std::wstring();
}

}  // namespace orvane
