// The registry of the running Windows system through advapi32. This header
// stays free of the system headers so that portable code and tests can name
// the implementation.
#pragma once

#include <string>

#include "platform/registry.h"

namespace orvane {

// Keys are the platform's handles. Predefined roots are the five handles of
// platform/registry.h; any other root fails to open (6).
class WindowsRegistry : public Registry {
 public:
  long OpenKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) override;
  long CreateKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) override;
  long QueryValue(Key key, const std::wstring& name, uint32_t* type, uint32_t* size,
                  std::vector<uint8_t>* data) override;
  long SetValue(Key key, const std::wstring& name, uint32_t type, const uint8_t* data,
                uint32_t size) override;
  // The name buffer holds 255 characters, terminator included.
  long EnumKey(Key key, uint32_t index, std::wstring* name) override;
  void CloseKey(Key key) override;
  // Below HKEY_LOCAL_MACHINE; needs "SeRestorePrivilege" enabled.
  long LoadHive(const std::wstring& name, const std::wstring& file) override;
  long UnloadHive(const std::wstring& name) override;
  // True when the token adjustment reports success, also for a privilege the
  // token does not hold.
  bool SetPrivilege(const std::wstring& privilege, bool enable) override;

  // Removes a key with everything below it.
  long DeleteTree(uint32_t root, const std::wstring& path);
};

}  // namespace orvane
