#include "platform/windows/windows_device_installer.h"

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "platform/windows/system_library.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

// Only the types and constants of the device installer are taken from its
// header; the procedures are looked up at run time.
using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCWSTR, HWND, DWORD);
using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, SP_DEVINFO_DATA*);
using GetInstanceIdFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, PWSTR, DWORD, DWORD*);
using DestroyListFn = BOOL(WINAPI*)(HDEVINFO);
using GetDevNodeStatusFn = DWORD(WINAPI*)(ULONG*, ULONG*, DWORD, ULONG);
using InstallClassFn = BOOL(WINAPI*)(HWND, PCWSTR, DWORD, HSPFILEQ);
using OpenDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, PCWSTR, HWND, DWORD, SP_DEVINFO_DATA*);
using SetSelectedDeviceFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*);
using InstallParamsFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, SP_DEVINSTALL_PARAMS_W*);
using BuildDriverListFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, DWORD);
using CallClassInstallerFn = BOOL(WINAPI*)(DI_FUNCTION, HDEVINFO, SP_DEVINFO_DATA*);
using GetSelectedDriverFn = BOOL(WINAPI*)(HDEVINFO, SP_DEVINFO_DATA*, SP_DRVINFO_DATA_V2_W*);

constexpr DWORD kCrSuccess = 0;  // CR_SUCCESS
constexpr DWORD kInstanceIdChars = 260;

struct SetupApi {
  GetClassDevsFn get_class_devs = nullptr;
  EnumDeviceInfoFn enum_device = nullptr;
  GetInstanceIdFn get_id = nullptr;
  DestroyListFn destroy = nullptr;
  InstallClassFn install_class = nullptr;
  OpenDeviceInfoFn open_device = nullptr;
  SetSelectedDeviceFn set_selected = nullptr;
  InstallParamsFn get_params = nullptr;
  InstallParamsFn set_params = nullptr;
  BuildDriverListFn build_drivers = nullptr;
  CallClassInstallerFn call_installer = nullptr;
  GetSelectedDriverFn get_selected_driver = nullptr;

  explicit SetupApi(const SystemLibrary& library)
      : get_class_devs(library.FindAs<GetClassDevsFn>("SetupDiGetClassDevsW")),
        enum_device(library.FindAs<EnumDeviceInfoFn>("SetupDiEnumDeviceInfo")),
        get_id(library.FindAs<GetInstanceIdFn>("SetupDiGetDeviceInstanceIdW")),
        destroy(library.FindAs<DestroyListFn>("SetupDiDestroyDeviceInfoList")),
        install_class(library.FindAs<InstallClassFn>("SetupDiInstallClassW")),
        open_device(library.FindAs<OpenDeviceInfoFn>("SetupDiOpenDeviceInfoW")),
        set_selected(library.FindAs<SetSelectedDeviceFn>("SetupDiSetSelectedDevice")),
        get_params(library.FindAs<InstallParamsFn>("SetupDiGetDeviceInstallParamsW")),
        set_params(library.FindAs<InstallParamsFn>("SetupDiSetDeviceInstallParamsW")),
        build_drivers(library.FindAs<BuildDriverListFn>("SetupDiBuildDriverInfoList")),
        call_installer(library.FindAs<CallClassInstallerFn>("SetupDiCallClassInstaller")),
        get_selected_driver(library.FindAs<GetSelectedDriverFn>("SetupDiGetSelectedDriverW")) {}

  bool Complete() const {
    return get_class_devs && enum_device && get_id && destroy && install_class && open_device && set_selected &&
           get_params && set_params && build_drivers && call_installer && get_selected_driver;
  }
};

bool ReadInstanceId(const SetupApi& api, HDEVINFO set, SP_DEVINFO_DATA* info, std::wstring* id) {
  std::vector<wchar_t> buffer(kInstanceIdChars);
  DWORD required = 0;
  if (!api.get_id(set, info, buffer.data(), static_cast<DWORD>(buffer.size()), &required)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size()) return false;
    buffer.assign(required + 1, L'\0');
    if (!api.get_id(set, info, buffer.data(), static_cast<DWORD>(buffer.size()), &required)) return false;
  }
  buffer.back() = L'\0';
  *id = buffer.data();
  return true;
}

// One request to the class installer. A request that no installer handles
// and that has no default handler answers ERROR_DI_DO_DEFAULT: that is no
// refusal.
bool Request(const SetupApi& api, DI_FUNCTION function, HDEVINFO set, SP_DEVINFO_DATA* info) {
  if (api.call_installer(function, set, info)) return true;
  return GetLastError() == static_cast<DWORD>(ERROR_DI_DO_DEFAULT);
}

// Installs the best compatible driver of the INF on the device. False when
// the INF offers no driver for it or the installer refused a step.
bool InstallOnDevice(const SetupApi& api, HDEVINFO set, SP_DEVINFO_DATA* found, const std::wstring& device_id,
                     const std::wstring& inf_path) {
  // Installs the device class from the INF when the system lacks it; the
  // class may well exist already, so the answer does not count.
  api.install_class(nullptr, inf_path.c_str(), DI_QUIETINSTALL | DI_NOBROWSE, nullptr);

  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  if (!api.open_device(set, device_id.c_str(), nullptr, 0, &info)) info = *found;
  api.set_selected(set, &info);

  SP_DEVINSTALL_PARAMS_W params{};
  params.cbSize = sizeof(params);
  if (!api.get_params(set, &info, &params)) return false;
  params.Flags |= DI_ENUMSINGLEINF | DI_QUIETINSTALL;
  params.Flags &= ~static_cast<DWORD>(DI_NOFILECOPY);
  if (inf_path.size() >= MAX_PATH) return false;
  inf_path.copy(params.DriverPath, inf_path.size());
  params.DriverPath[inf_path.size()] = L'\0';
  if (!api.set_params(set, &info, &params)) return false;

  if (!api.build_drivers(set, &info, SPDIT_COMPATDRIVER)) return false;
  if (!api.call_installer(DIF_SELECTBESTCOMPATDRV, set, &info)) return false;
  SP_DRVINFO_DATA_V2_W driver{};
  driver.cbSize = sizeof(driver);
  if (!api.get_selected_driver(set, &info, &driver)) return false;  // the INF has no driver for it

  // The requests Windows' own device installation sends once a driver is
  // selected; the last one installs it (files, services, registry) and
  // restarts the device.
  if (!Request(api, DIF_ALLOW_INSTALL, set, &info)) return false;
  if (!Request(api, DIF_INSTALLDEVICEFILES, set, &info)) return false;
  if (!Request(api, DIF_REGISTER_COINSTALLERS, set, &info)) return false;
  if (!Request(api, DIF_INSTALLINTERFACES, set, &info)) return false;
  if (!api.call_installer(DIF_INSTALLDEVICE, set, &info)) return false;
  *found = info;
  return true;
}

}  // namespace

int WindowsDeviceInstaller::InstallDriverOnDevice(const std::wstring& instance_id, const std::wstring& inf_path) {
  SystemLibrary setupapi(L"setupapi.dll");
  if (!setupapi.loaded()) return kInstallNoLibrary;
  auto get_status = setupapi.FindAs<GetDevNodeStatusFn>("CM_Get_DevNode_Status");
  if (!get_status) return kInstallNoStatusQuery;
  SetupApi api(setupapi);
  if (!api.Complete()) return kInstallNoLibrary;

  HDEVINFO set = api.get_class_devs(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE || set == nullptr) return kInstallNoDeviceSet;

  const std::wstring wanted = LowerText(instance_id);
  int result = kInstallNoSuchDevice;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!api.enum_device(set, index, &info)) break;  // no further device
    std::wstring id;
    if (!ReadInstanceId(api, set, &info, &id) || LowerText(id) != wanted) continue;

    if (!InstallOnDevice(api, set, &info, id, inf_path)) {
      result = kInstallDeviceProblem;
    } else {
      ULONG status = 0, problem = 0;
      bool known = get_status(&status, &problem, info.DevInst, 0) == kCrSuccess;
      result = (known && problem != 0) ? kInstallDeviceProblem : kInstallOk;
    }
    break;
  }
  api.destroy(set);
  return result;
}

}  // namespace orvane
