// The devices of the running system and the identifiers INF files are matched
// against, read through the device source and the running system's registry.
#pragma once

#include <string>
#include <vector>

#include "platform/device_source.h"
#include "platform/registry.h"

namespace orvane {

// Modes of ListPresentDevices and ReadDeviceIds.
constexpr int kAllDevices = 0;
constexpr int kProblemDevices = 1;  // only devices without a working driver

// Identifiers of one present device, in the order the system reports them.
struct DeviceIdentifiers {
  std::wstring instance_id;
  std::vector<std::wstring> hardware_ids;
  std::vector<std::wstring> compatible_ids;
};

// Instance identifiers of the present devices, each followed by "|"; "" when
// none is listed or the device source is not available. Mode kProblemDevices
// lists only the devices whose device node reports a problem number other
// than 0, and the devices whose status could not be queried (nothing tells
// that they have a working driver). Any other mode lists every present device.
// Devices marked Legacy in their enum key and devices of the excluded
// enumerators (ROOT, ACPI, USBSTOR, HID, ...) are never listed.
std::wstring ListPresentDevices(Registry& registry, DeviceSource& devices, int mode);

// The same devices as a list, in the platform's enumeration order.
std::vector<std::wstring> ListPresentDeviceIds(Registry& registry, DeviceSource& devices,
                                               int mode);

// Identifiers of the devices ListPresentDevices gives in that mode: instance
// identifier, HardwareID and CompatibleIDs of the device's enum key. Empty
// identifiers are left out.
std::vector<DeviceIdentifiers> ReadDeviceIdentifiers(Registry& registry, DeviceSource& devices,
                                                     int mode);

// Device-identifier text of those devices: per device its instance
// identifier and each hardware and compatible identifier, each followed by
// LF; the device texts joined by ","; "" when no device is listed.
std::wstring ReadDeviceIds(Registry& registry, DeviceSource& devices, int mode);

// The text form of ReadDeviceIds for a list of devices.
std::wstring DeviceIdsText(const std::vector<DeviceIdentifiers>& devices);

// The enumerator keys of the running system's device tree: "," followed by
// each name and ","; "," when there is none.
std::wstring ListEnumerators(Registry& registry);

// Is an enumerator name (any letter case) left out of the device lists, or
// out of the enumerator list?
bool IsExcludedDeviceEnumerator(const std::wstring& enumerator);
bool IsExcludedEnumeratorKey(const std::wstring& enumerator);

}  // namespace orvane
