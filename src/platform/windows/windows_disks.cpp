#include "platform/windows/windows_disks.h"

#include <windows.h>
#include <setupapi.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "platform/windows/system_library.h"

#undef DefineDosDevice
#undef QueryDosDevice

namespace orvane {
namespace {

using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCWSTR, HWND, DWORD);
using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, SP_DEVINFO_DATA*);
using GetInstanceIdFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, PWSTR, DWORD, DWORD*);
using DestroyListFn = BOOL(WINAPI*)(HDEVINFO);
using EnumInterfacesFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, const GUID*, DWORD, SP_DEVICE_INTERFACE_DATA*);
using GetInterfaceDetailFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVICE_INTERFACE_DATA*, SP_DEVICE_INTERFACE_DETAIL_DATA_W*,
                                           DWORD, DWORD*, SP_DEVINFO_DATA*);
using GetRegistryPropertyFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, DWORD, DWORD*, BYTE*, DWORD, DWORD*);
using GetDeviceIdFn = DWORD(WINAPI*)(DWORD, PWSTR, ULONG, ULONG);

// Device setup classes and the disk interface class.
const GUID kDiskDriveClass = {0x4d36e967, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kVolumeClass = {0x71a27cdd, 0x812a, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
const GUID kDiskInterfaceClass = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

constexpr DWORD kInstanceIdChars = 260;
constexpr DWORD kPropertyBytes = 2048;
constexpr DWORD kMaxDetailBytes = 2052;  // the size field and MAX_PATH + 253 characters
constexpr DWORD kPhysicalDeviceObjectName = 14;  // SPDRP_PHYSICAL_DEVICE_OBJECT_NAME
constexpr DWORD kCrSuccess = 0;

struct DeviceSetApi {
  SystemLibrary library{L"setupapi.dll"};
  GetClassDevsFn get_class_devs = library.FindAs<GetClassDevsFn>("SetupDiGetClassDevsW");
  EnumDeviceInfoFn enum_device = library.FindAs<EnumDeviceInfoFn>("SetupDiEnumDeviceInfo");
  GetInstanceIdFn get_id = library.FindAs<GetInstanceIdFn>("SetupDiGetDeviceInstanceIdW");
  DestroyListFn destroy = library.FindAs<DestroyListFn>("SetupDiDestroyDeviceInfoList");
  bool usable() const { return get_class_devs && enum_device && destroy; }
};

HDEVINFO OpenSet(const DeviceSetApi& api, const GUID& guid, DWORD flags) {
  HDEVINFO set = api.get_class_devs(&guid, nullptr, nullptr, flags);
  return set == INVALID_HANDLE_VALUE ? nullptr : set;
}

}  // namespace

bool WindowsDisks::ListDiskDrives(std::vector<std::wstring>* instance_ids) {
  instance_ids->clear();
  DeviceSetApi api;
  if (!api.usable() || !api.get_id) return false;
  HDEVINFO set = OpenSet(api, kDiskDriveClass, DIGCF_PRESENT | DIGCF_PROFILE);
  if (!set) return false;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!api.enum_device(set, index, &info)) break;
    wchar_t id[kInstanceIdChars] = {};
    if (api.get_id(set, &info, id, kInstanceIdChars, nullptr)) instance_ids->push_back(id);
  }
  api.destroy(set);
  return true;
}

bool WindowsDisks::ListVolumeDevices(std::vector<std::wstring>* device_names) {
  device_names->clear();
  DeviceSetApi api;
  auto get_property = api.library.FindAs<GetRegistryPropertyFn>("SetupDiGetDeviceRegistryPropertyW");
  if (!api.usable() || !get_property) return false;
  HDEVINFO set = OpenSet(api, kVolumeClass, DIGCF_PRESENT | DIGCF_PROFILE);
  if (!set) return false;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!api.enum_device(set, index, &info)) break;
    std::vector<BYTE> buffer(kPropertyBytes + sizeof(wchar_t), 0);
    DWORD type = 0;
    if (!get_property(set, &info, kPhysicalDeviceObjectName, &type, buffer.data(), kPropertyBytes, nullptr)) {
      continue;
    }
    device_names->push_back(reinterpret_cast<const wchar_t*>(buffer.data()));
  }
  api.destroy(set);
  return true;
}

bool WindowsDisks::ListDiskInterfaces(std::vector<DiskInterface>* interfaces) {
  interfaces->clear();
  DeviceSetApi api;
  auto enum_interfaces = api.library.FindAs<EnumInterfacesFn>("SetupDiEnumDeviceInterfaces");
  auto get_detail = api.library.FindAs<GetInterfaceDetailFn>("SetupDiGetDeviceInterfaceDetailW");
  auto get_device_id = api.library.FindAs<GetDeviceIdFn>("CM_Get_Device_IDW");
  if (!api.usable() || !enum_interfaces || !get_detail || !get_device_id) return false;
  HDEVINFO set = OpenSet(api, kDiskInterfaceClass, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (!set) return false;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!enum_interfaces(set, nullptr, &kDiskInterfaceClass, index, &data)) break;
    DWORD size = 0;
    get_detail(set, &data, nullptr, 0, &size, nullptr);
    if (size == 0 || size > kMaxDetailBytes) continue;
    std::vector<BYTE> buffer(size + sizeof(wchar_t), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!get_detail(set, &data, detail, size, nullptr, &info)) continue;
    wchar_t id[kInstanceIdChars] = {};
    if (get_device_id(info.DevInst, id, kInstanceIdChars, 0) != kCrSuccess) continue;
    interfaces->push_back(DiskInterface{detail->DevicePath, id});
  }
  api.destroy(set);
  return true;
}

int32_t WindowsDisks::StorageDeviceNumber(const std::wstring& device_path) {
  HANDLE device = CreateFileW(device_path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return -1;
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof(number),
                            &returned, nullptr);
  CloseHandle(device);
  if (!ok || returned < sizeof(number)) return -1;
  return static_cast<int32_t>(number.DeviceNumber);
}

bool WindowsDisks::DefineDosDevice(uint32_t flags, const std::wstring& name, const std::wstring& target) {
  return DefineDosDeviceW(flags, name.c_str(), target.empty() ? nullptr : target.c_str()) != FALSE;
}

std::wstring WindowsDisks::QueryDosDevice(const std::wstring& name) {
  wchar_t buffer[MAX_PATH] = {};
  if (QueryDosDeviceW(name.c_str(), buffer, MAX_PATH) == 0) return L"";
  return buffer;  // the first target, up to its NUL
}

}  // namespace orvane
