// A registry held in memory, for running the program's logic without a
// Windows registry. It behaves like the platform's in every case the access
// layer relies on, and reads whole machines from .reg text.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orvane {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  long OpenKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) override;
  long CreateKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) override;
  long QueryValue(Key key, const std::wstring& name, uint32_t* type, uint32_t* size,
                  std::vector<uint8_t>* data) override;
  long SetValue(Key key, const std::wstring& name, uint32_t type, const uint8_t* data,
                uint32_t size) override;
  long EnumKey(Key key, uint32_t index, std::wstring* name) override;
  void CloseKey(Key key) override;
  long LoadHive(const std::wstring& name, const std::wstring& file) override;
  long UnloadHive(const std::wstring& name) override;
  bool SetPrivilege(const std::wstring& privilege, bool enable) override;

  // Reads .reg text ("Windows Registry Editor Version 5.00" or "REGEDIT4"):
  // [HKEY_...\path] keys, [-HKEY_...] deletions, "name"=, @=, string,
  // dword:, hex:, hex(N): values (with "\" line continuations) and "name"=-.
  // Returns false (and applies nothing) on text it cannot read.
  bool ImportRegText(const std::wstring& text);

  // Registers a hive file for LoadHive: its content is .reg text whose keys
  // are written relative to the hive's root as [HIVE\path] ("HIVE" stands for
  // wherever the hive is mounted).
  void AddHiveFile(const std::wstring& file, const std::wstring& reg_text);

  // Raw value bytes for tests; false when the key or value is missing.
  bool GetRaw(uint32_t root, const std::wstring& path, const std::wstring& name, uint32_t* type,
              std::vector<uint8_t>* data);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvane
