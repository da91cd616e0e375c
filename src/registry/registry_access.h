// Registry access by textual root and path; every value travels as text.
//
// Root names (compared in lower case): hklm, hkcr, hkcu, hku, hkcc, and
// hklm64 / hkcu64, which ask for the 64-bit view of the same hive. One leading
// "\" of a key path is dropped. Each call opens its key, works and closes it.
//
// Value texts, the same in both directions:
//   REG_SZ, REG_EXPAND_SZ  the characters up to the first NUL (unexpanded)
//   REG_BINARY             two upper-case hex digits per byte ("01AB")
//   REG_DWORD              signed decimal ("-1" for 0xFFFFFFFF); written from
//                          "0x..." hex or the shared integer reading, low 32 bits
//   REG_MULTI_SZ           the strings joined by LF, trailing LFs removed
// Any other type reads as "" with status 1 and is never written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orvane {

// Outcome of a read or an enumeration, stored through an optional pointer.
//   read:      0 read, 1 key not opened / unsupported type / typed read failed,
//              2 named value absent, 3 default value not set
//   enumerate: 0 subkey found, 1 key not opened, 2 no subkey at that index
using RegStatus = uint8_t;

// Returns the value's text, or "" whenever the status is not 0. An empty name
// reads the key's default value.
std::wstring ReadRegValue(Registry& registry, RegStatus* status, const std::wstring& root,
                          const std::wstring& path, const std::wstring& name);

// Creates the key and every missing key above it, then stores the value.
// Type 0 only makes sure the key exists. Returns 0 on success, 1 on failure.
int32_t WriteRegValue(Registry& registry, const std::wstring& root, const std::wstring& path,
                      const std::wstring& name, int32_t type, const std::wstring& data);

// Name of the subkey at a 1-based index in the platform's order; "" with
// status 2 past the last one (and for indexes below 1).
std::wstring EnumRegSubKey(Registry& registry, RegStatus* status, const std::wstring& root,
                           const std::wstring& path, int32_t index);

// The bytes that a REG_SZ / REG_EXPAND_SZ value of this text holds: UTF-16LE
// followed by one NUL character. Shared by every registry implementation that
// has to store strings itself.
std::vector<uint8_t> RegStringBytes(const std::wstring& text);

// UTF-16LE bytes as text, every character kept (NULs included); an odd last
// byte is ignored.
std::wstring Utf16LeText(const uint8_t* data, size_t size);

}  // namespace orvane
