#include "platform/windows/windows_registry.h"

#include <windows.h>

namespace orvane {
namespace {

// The predefined keys are sign-extended constants on 64-bit systems.
HKEY PredefinedKey(uint32_t root) {
  switch (root) {
    case kHkeyClassesRoot:
    case kHkeyCurrentUser:
    case kHkeyLocalMachine:
    case kHkeyUsers:
    case kHkeyCurrentConfig:
      return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    default:
      return nullptr;
  }
}

HKEY ToHandle(Registry::Key key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long WindowsRegistry::OpenKey(uint32_t root, const std::wstring& path, uint32_t access,
                              Key* key) {
  *key = 0;
  HKEY parent = PredefinedKey(root);
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExW(parent, path.c_str(), 0, access, &opened);
  if (result == ERROR_SUCCESS) *key = reinterpret_cast<Key>(opened);
  return result;
}

long WindowsRegistry::CreateKey(uint32_t root, const std::wstring& path, uint32_t access,
                                Key* key) {
  *key = 0;
  HKEY parent = PredefinedKey(root);
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  SECURITY_ATTRIBUTES security = {};
  security.nLength = sizeof(security);
  security.lpSecurityDescriptor = nullptr;  // default security
  security.bInheritHandle = FALSE;
  HKEY created = nullptr;
  const LONG result = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      access, &security, &created, nullptr);
  if (result == ERROR_SUCCESS) *key = reinterpret_cast<Key>(created);
  return result;
}

long WindowsRegistry::QueryValue(Key key, const std::wstring& name, uint32_t* type,
                                 uint32_t* size, std::vector<uint8_t>* data) {
  DWORD value_type = 0;
  DWORD value_size = 0;
  LONG result = RegQueryValueExW(ToHandle(key), name.c_str(), nullptr, &value_type, nullptr,
                                 &value_size);
  if (result == ERROR_SUCCESS && data != nullptr) {
    // The value may grow between the two calls: ask again until it fits.
    for (;;) {
      data->assign(value_size, 0);
      DWORD read_size = value_size;
      result = RegQueryValueExW(ToHandle(key), name.c_str(), nullptr, &value_type,
                                data->empty() ? nullptr : data->data(), &read_size);
      if (result == ERROR_MORE_DATA || (result == ERROR_SUCCESS && data->empty() && read_size > 0)) {
        value_size = read_size;
        continue;
      }
      if (result == ERROR_SUCCESS) {
        data->resize(read_size);
        value_size = read_size;
      }
      break;
    }
  }
  if (result != ERROR_SUCCESS) return result;
  if (type != nullptr) *type = value_type;
  if (size != nullptr) *size = value_size;
  return ERROR_SUCCESS;
}

long WindowsRegistry::SetValue(Key key, const std::wstring& name, uint32_t type,
                               const uint8_t* data, uint32_t size) {
  return RegSetValueExW(ToHandle(key), name.c_str(), 0, type, data, size);
}

long WindowsRegistry::EnumKey(Key key, uint32_t index, std::wstring* name) {
  wchar_t buffer[255];
  DWORD length = 255;
  const LONG result =
      RegEnumKeyExW(ToHandle(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) name->assign(buffer, length);
  return result;
}

void WindowsRegistry::CloseKey(Key key) {
  if (key != 0) RegCloseKey(ToHandle(key));
}

long WindowsRegistry::LoadHive(const std::wstring& name, const std::wstring& file) {
  return RegLoadKeyW(HKEY_LOCAL_MACHINE, name.c_str(), file.c_str());
}

long WindowsRegistry::UnloadHive(const std::wstring& name) {
  return RegUnLoadKeyW(HKEY_LOCAL_MACHINE, name.c_str());
}

bool WindowsRegistry::SetPrivilege(const std::wstring& privilege, bool enable) {
  LUID luid = {};
  if (!LookupPrivilegeValueW(nullptr, privilege.c_str(), &luid)) return false;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;
  }
  TOKEN_PRIVILEGES wanted = {};
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Luid = luid;
  wanted.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  TOKEN_PRIVILEGES previous = {};
  DWORD previous_size = sizeof(previous);
  // ERROR_NOT_ALL_ASSIGNED (a privilege the token lacks) still counts as done.
  const BOOL adjusted =
      AdjustTokenPrivileges(token, FALSE, &wanted, sizeof(previous), &previous, &previous_size);
  CloseHandle(token);
  return adjusted != FALSE;
}

long WindowsRegistry::DeleteTree(uint32_t root, const std::wstring& path) {
  HKEY parent = PredefinedKey(root);
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  return RegDeleteTreeW(parent, path.c_str());
}

}  // namespace orvane
