// The registry as the platform offers it: raw keys, typed values as bytes.
// The text conversions live above it, in the registry access layer, once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// Predefined keys by their numeric handles.
constexpr uint32_t kHkeyClassesRoot = 0x80000000u;
constexpr uint32_t kHkeyCurrentUser = 0x80000001u;
constexpr uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr uint32_t kHkeyUsers = 0x80000003u;
constexpr uint32_t kHkeyCurrentConfig = 0x80000005u;

constexpr uint32_t kKeyRead = 0x20019u;
constexpr uint32_t kKeyAllAccess = 0xF003Fu;
constexpr uint32_t kKeyWow64_64Key = 0x100u;

constexpr uint32_t kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3,
                   kRegDword = 4, kRegMultiSz = 7, kRegQword = 11;

// Result codes follow the platform's: 0 is success.
constexpr long kRegOk = 0;
constexpr long kRegFileNotFound = 2;
constexpr long kRegAccessDenied = 5;
constexpr long kRegMoreData = 234;
constexpr long kRegNoMoreItems = 259;

class Registry {
 public:
  using Key = uintptr_t;  // 0 is no key
  virtual ~Registry() = default;

  // Opens an existing key below a predefined key (root 0 or unknown: fails).
  virtual long OpenKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) = 0;
  // Opens the key, creating it and every missing key above it.
  virtual long CreateKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) = 0;
  // Type and byte size of a value; with data != nullptr also its bytes.
  virtual long QueryValue(Key key, const std::wstring& name, uint32_t* type, uint32_t* size,
                          std::vector<uint8_t>* data) = 0;
  virtual long SetValue(Key key, const std::wstring& name, uint32_t type, const uint8_t* data,
                        uint32_t size) = 0;
  // Name of the subkey at a 0-based index; kRegNoMoreItems past the end.
  virtual long EnumKey(Key key, uint32_t index, std::wstring* name) = 0;
  virtual void CloseKey(Key key) = 0;

  // Hive files under a new key directly below HKEY_LOCAL_MACHINE.
  virtual long LoadHive(const std::wstring& name, const std::wstring& file) = 0;
  virtual long UnloadHive(const std::wstring& name) = 0;
  // Enables or disables a process privilege; true when the adjustment succeeded.
  virtual bool SetPrivilege(const std::wstring& privilege, bool enable) = 0;
};

}  // namespace orvane
