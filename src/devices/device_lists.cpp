#include "devices/device_lists.h"

#include <algorithm>
#include <iterator>

#include "registry/registry_access.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

const wchar_t kEnumPath[] = L"SYSTEM\\CurrentControlSet\\enum\\";
const wchar_t kEnumRoot[] = L"System\\CurrentControlSet\\enum";

// Buses whose devices either need no driver from outside or get it together
// with their parent's: left out of both lists.
const wchar_t* const kExcludedEverywhere[] = {
    L"acpi",     L"acpi_hal", L"display",  L"fdc",       L"htree",   L"ide",
    L"isapnp",   L"lptenum",  L"pciide",   L"storage",   L"sw",      L"usbstor",
    L"hid",      L"v1394",    L"usbprint", L"umb",       L"modemwave", L"serenum",
};

// Software enumerators: their devices are never offered drivers, but a new
// one among the enumerator keys still counts.
const wchar_t* const kExcludedDevicesOnly[] = {
    L"wpdbusenumroot", L"root", L"swd", L"uefi",
};

bool InTable(const std::wstring& lower, const wchar_t* const* begin, const wchar_t* const* end) {
  return std::any_of(begin, end, [&](const wchar_t* name) { return lower == name; });
}

// The text of an instance identifier before its first "\"; "" when it has none.
std::wstring EnumeratorOf(const std::wstring& instance_id) {
  size_t slash = instance_id.find(L'\\');
  return slash == std::wstring::npos ? std::wstring() : instance_id.substr(0, slash);
}

bool IsLegacy(Registry& registry, const std::wstring& instance_id) {
  std::wstring legacy = ReadRegValue(registry, nullptr, L"HKLM", kEnumPath + instance_id, L"Legacy");
  return ReadInteger(legacy) != 0;
}

// A device with a problem, or whose status nobody could tell.
bool ReportsProblem(const PresentDevice& device) {
  return !device.status_known || device.problem != 0;
}

void AppendIdentifiers(const std::wstring& multi_text, std::vector<std::wstring>* ids) {
  if (multi_text.empty()) return;
  for (std::wstring& id : SplitText(multi_text, L"\n")) {
    // An empty identifier would match every empty field of an INF model line.
    if (!id.empty()) ids->push_back(std::move(id));
  }
}

}  // namespace

bool IsExcludedDeviceEnumerator(const std::wstring& enumerator) {
  std::wstring lower = LowerText(enumerator);
  return lower.empty() ||
         InTable(lower, std::begin(kExcludedEverywhere), std::end(kExcludedEverywhere)) ||
         InTable(lower, std::begin(kExcludedDevicesOnly), std::end(kExcludedDevicesOnly));
}

bool IsExcludedEnumeratorKey(const std::wstring& enumerator) {
  std::wstring lower = LowerText(enumerator);
  return lower.empty() || lower == L"device parameters" ||
         InTable(lower, std::begin(kExcludedEverywhere), std::end(kExcludedEverywhere));
}

std::vector<std::wstring> ListPresentDeviceIds(Registry& registry, DeviceSource& devices,
                                               int mode) {
  std::vector<std::wstring> ids;
  std::vector<PresentDevice> present;
  if (!devices.ListPresent(&present)) return ids;
  for (const PresentDevice& device : present) {
    if (IsLegacy(registry, device.instance_id)) continue;
    if (IsExcludedDeviceEnumerator(EnumeratorOf(device.instance_id))) continue;
    if (mode == kProblemDevices && !ReportsProblem(device)) continue;
    ids.push_back(device.instance_id);
  }
  return ids;
}

std::wstring ListPresentDevices(Registry& registry, DeviceSource& devices, int mode) {
  std::wstring list;
  for (const std::wstring& id : ListPresentDeviceIds(registry, devices, mode)) {
    list += id;
    list += L'|';
  }
  return list;
}

std::vector<DeviceIdentifiers> ReadDeviceIdentifiers(Registry& registry, DeviceSource& devices,
                                                     int mode) {
  std::vector<DeviceIdentifiers> result;
  for (const std::wstring& id : ListPresentDeviceIds(registry, devices, mode)) {
    DeviceIdentifiers device;
    device.instance_id = id;
    std::wstring key = kEnumPath + id;
    AppendIdentifiers(ReadRegValue(registry, nullptr, L"HKLM", key, L"HardwareID"),
                      &device.hardware_ids);
    AppendIdentifiers(ReadRegValue(registry, nullptr, L"HKLM", key, L"CompatibleIDs"),
                      &device.compatible_ids);
    result.push_back(std::move(device));
  }
  return result;
}

std::wstring DeviceIdsText(const std::vector<DeviceIdentifiers>& devices) {
  std::wstring text;
  for (const DeviceIdentifiers& device : devices) {
    if (!text.empty()) text += L',';
    text += device.instance_id;
    text += L'\n';
    for (const std::wstring& id : device.hardware_ids) {
      text += id;
      text += L'\n';
    }
    for (const std::wstring& id : device.compatible_ids) {
      text += id;
      text += L'\n';
    }
  }
  return text;
}

std::wstring ReadDeviceIds(Registry& registry, DeviceSource& devices, int mode) {
  return DeviceIdsText(ReadDeviceIdentifiers(registry, devices, mode));
}

std::wstring ListEnumerators(Registry& registry) {
  std::wstring result = L",";
  for (int32_t index = 1;; ++index) {
    RegStatus status = 0;
    std::wstring name = EnumRegSubKey(registry, &status, L"hklm", kEnumRoot, index);
    if (status != 0) break;
    if (!IsExcludedEnumeratorKey(name)) {
      result += name;
      result += L',';
    }
  }
  return result;
}

}  // namespace orvane
