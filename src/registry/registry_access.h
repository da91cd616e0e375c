// Registry access by textual root and path; every value travels as text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace orvane {

using RegStatus = uint8_t;

std::wstring ReadRegValue(Registry& registry, RegStatus* status, const std::wstring& root,
                          const std::wstring& path, const std::wstring& name);

int32_t WriteRegValue(Registry& registry, const std::wstring& root, const std::wstring& path,
                      const std::wstring& name, int32_t type, const std::wstring& data);

std::wstring EnumRegSubKey(Registry& registry, RegStatus* status, const std::wstring& root,
                           const std::wstring& path, int32_t index);

}  // namespace orvane
