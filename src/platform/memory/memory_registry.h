// A registry held in memory, for running the program's logic without a
// Windows registry. It behaves like the platform's in every case the access
// layer relies on, and reads whole machines from .reg text.
//
// Behaviour worth knowing:
// - Key and value names compare without regard to letter case; the case of
//   the first writer is kept. Subkeys enumerate sorted by name, case folded
//   (letters as upper case), which is stable while the key is unchanged.
// - A path may not begin with "\" (fails with 161); empty parts elsewhere are
//   skipped. Key names longer than 255 characters are refused (87), and
//   enumeration reports names of 255 characters as too long (234), as the
//   255-character buffer of the platform does.
// - Handles carry their access mask: reading needs KEY_QUERY_VALUE, writing
//   KEY_SET_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS (else 5). The 64-bit
//   view flag is accepted and changes nothing. Root 0 or an unknown root: 6.
// - HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes (created at
//   construction); HKCU, HKU and HKCC are trees of their own.
// - Hives: loading and unloading need "SeRestorePrivilege" to be enabled
//   through SetPrivilege first (else 1314). A hive is mounted directly below
//   HKEY_LOCAL_MACHINE; loading fails when the name is in use (5), the file
//   is unknown (2) or already mounted elsewhere (32). Unloading fails when
//   nothing is mounted under the name (87) or a handle below is open (5).
//   Changes made while mounted stay with the hive file, as on the platform.
// - Every operation takes one lock, so worker threads may share an instance.
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
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

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
  // Known privilege names (as the platform spells them, any letter case)
  // succeed; anything else fails like a failed name lookup.
  bool SetPrivilege(const std::wstring& privilege, bool enable) override;

  // Reads .reg text ("Windows Registry Editor Version 5.00" or "REGEDIT4"):
  // [HKEY_...\path] keys (the short forms HKLM, HKCU, HKCR, HKU, HKCC too),
  // [-HKEY_...\path] deletions of whole trees, values "name"= and @= as
  // "string" (with \\ and \" escapes), dword:xxxxxxxx, hex:bytes and
  // hex(N):bytes (N the type number in hex; a line ending in "\" continues
  // the byte list on the next line), and "name"=- deletions. Lines starting
  // with ";" are comments. In REGEDIT4 text the bytes of hex(1), hex(2) and
  // hex(7) are 8-bit characters and are stored as UTF-16LE.
  // Returns false, and applies nothing, on text it cannot read.
  bool ImportRegText(const std::wstring& text);

  // Registers a hive file for LoadHive under its path (compared without
  // regard to case). The content is .reg text, header line included, whose
  // keys are written relative to the hive's root with the placeholder root
  // name HIVE: "[HIVE]" is the hive's root key itself, "[HIVE\Select]" the
  // key that appears as HKEY_LOCAL_MACHINE\<name>\Select once the file is
  // mounted as <name>. Registering a path again replaces the file (not while
  // it is mounted). Returns false when the text cannot be read or the file is
  // mounted.
  bool AddHiveFile(const std::wstring& file, const std::wstring& reg_text);

  // Raw value bytes for tests; false when the key or value is missing.
  bool GetRaw(uint32_t root, const std::wstring& path, const std::wstring& name, uint32_t* type,
              std::vector<uint8_t>* data);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvane
