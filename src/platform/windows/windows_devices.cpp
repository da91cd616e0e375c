#include "platform/windows/windows_devices.h"

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "platform/windows/system_library.h"

namespace orvane {
namespace {

// Only the types and constants of the device installer are taken from its
// header; the procedures are looked up at run time.
using DeviceSet = HDEVINFO;
using DeviceInfoData = SP_DEVINFO_DATA;
constexpr DWORD kCrSuccess = 0;  // CR_SUCCESS
constexpr DWORD kInstanceIdChars = 260;

using GetClassDevsFn = DeviceSet(WINAPI*)(const GUID*, PCWSTR, HWND, DWORD);
using EnumDeviceInfoFn = BOOL(WINAPI*)(DeviceSet, DWORD, DeviceInfoData*);
using GetInstanceIdFn = BOOL(WINAPI*)(DeviceSet, DeviceInfoData*, PWSTR, DWORD, DWORD*);
using DestroyListFn = BOOL(WINAPI*)(DeviceSet);
using GetDevNodeStatusFn = DWORD(WINAPI*)(ULONG*, ULONG*, DWORD, ULONG);
using LocateDevNodeFn = DWORD(WINAPI*)(DWORD*, PWSTR, ULONG);
using ReenumerateDevNodeFn = DWORD(WINAPI*)(DWORD, ULONG);

bool ReadInstanceId(GetInstanceIdFn get_id, DeviceSet set, DeviceInfoData* info,
                    std::wstring* id) {
  std::vector<wchar_t> buffer(kInstanceIdChars);
  DWORD required = 0;
  if (!get_id(set, info, buffer.data(), static_cast<DWORD>(buffer.size()), &required)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size()) return false;
    buffer.assign(required + 1, L'\0');
    if (!get_id(set, info, buffer.data(), static_cast<DWORD>(buffer.size()), &required)) {
      return false;
    }
  }
  buffer.back() = L'\0';
  *id = buffer.data();
  return true;
}

}  // namespace

bool WindowsDeviceSource::ListPresent(std::vector<PresentDevice>* devices) {
  devices->clear();
  SystemLibrary setupapi(L"setupapi.dll");
  auto get_class_devs = setupapi.FindAs<GetClassDevsFn>("SetupDiGetClassDevsW");
  auto enum_device = setupapi.FindAs<EnumDeviceInfoFn>("SetupDiEnumDeviceInfo");
  auto get_id = setupapi.FindAs<GetInstanceIdFn>("SetupDiGetDeviceInstanceIdW");
  auto destroy = setupapi.FindAs<DestroyListFn>("SetupDiDestroyDeviceInfoList");
  auto get_status = setupapi.FindAs<GetDevNodeStatusFn>("CM_Get_DevNode_Status");
  if (!get_class_devs || !enum_device || !get_id || !destroy) return false;

  DeviceSet set = get_class_devs(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE || set == nullptr) return false;

  for (DWORD index = 0;; ++index) {
    DeviceInfoData info{};
    info.cbSize = sizeof(info);
    if (!enum_device(set, index, &info)) break;  // no further device
    PresentDevice device;
    if (!ReadInstanceId(get_id, set, &info, &device.instance_id)) continue;
    if (get_status) {
      ULONG status = 0, problem = 0;
      if (get_status(&status, &problem, info.DevInst, 0) == kCrSuccess) {
        device.status_known = true;
        device.problem = problem;
      }
    }
    devices->push_back(std::move(device));
  }
  destroy(set);
  return true;
}

void WindowsDeviceSource::Reenumerate() {
  SystemLibrary cfgmgr(L"cfgmgr32.dll");
  auto locate = cfgmgr.FindAs<LocateDevNodeFn>("CM_Locate_DevNodeW");
  auto reenumerate = cfgmgr.FindAs<ReenumerateDevNodeFn>("CM_Reenumerate_DevNode");
  if (!locate || !reenumerate) return;
  DWORD root = 0;
  if (locate(&root, nullptr, 0) == kCrSuccess) reenumerate(root, 0);
}

}  // namespace orvane
