#include "devices/device_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/machine_fixture.h"
#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_registry.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

// Devices of tests/data/devices/desktop_pc.reg.
const wchar_t kNic[] = L"PCI\\VEN_8086&DEV_15B8&SUBSYS_86721043&REV_00\\3&11583659&0&FE";
const wchar_t kSata[] = L"PCI\\VEN_8086&DEV_A282&SUBSYS_86941043&REV_00\\3&11583659&0&B8";
const wchar_t kGpu[] = L"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C21043&REV_A1\\4&2d4c3e5a&0&0008";
const wchar_t kFirewire[] = L"PCI\\VEN_1106&DEV_3044&SUBSYS_30441106&REV_80\\4&1f7dbc9f&0&28E0";
const wchar_t kRootHub[] = L"USB\\ROOT_HUB30\\4&2a4b1f5&0&0";
const wchar_t kUsbNic[] = L"USB\\VID_0BDA&PID_8153\\000001";
const wchar_t kUsbStick[] = L"USB\\VID_0781&PID_5567\\4C530001230101115093";
const wchar_t kUsbStorDisk[] = L"USBSTOR\\Disk&Ven_SanDisk&Prod_Cruzer_Blade&Rev_1.00\\4C530001230101115093&0";
const wchar_t kKeyboard[] = L"HID\\VID_046D&PID_C52B&MI_00\\7&1e1d3a2f&0&0000";
const wchar_t kBeep[] = L"ROOT\\LEGACY_BEEP\\0000";
const wchar_t kNvmeDisk[] = L"SCSI\\Disk&Ven_NVMe&Prod_Samsung_SSD_970\\5&2c1bb0b1&0&000000";
const wchar_t kHdAudio[] = L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0887&SUBSYS_10438445&REV_1003\\4&b9d5e83&0&0001";
const wchar_t* const kOthers[] = {
    L"ACPI_HAL\\PNP0C08\\0", L"ACPI\\PNP0A08\\0", L"ROOT\\SYSTEM\\0000",
    L"SWD\\MMDEVAPI\\{0.0.0.00000000}.{5c8e0e42-3c1e-4b4f-9a43-1c2d3e4f5a6b}",
    L"STORAGE\\Volume\\{3f2a1b0c-0000-0000-0000-100000000000}#0000000000100000"};

std::wstring Joined(const std::vector<std::wstring>& ids) {
  std::wstring text;
  for (const std::wstring& id : ids) text += id + L"|";
  return text;
}

class DeviceListsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testing_support::LoadMachine(registry_, "devices/desktop_pc.reg")); }

  void Import(const std::wstring& reg_text) {
    ASSERT_TRUE(registry_.ImportRegText(L"Windows Registry Editor Version 5.00\r\n\r\n" + reg_text));
  }
  std::wstring List(int mode) { return ListPresentDevices(registry_, devices_, mode); }

  MemoryRegistry registry_;
  MemoryDeviceSource devices_;
};

TEST_F(DeviceListsTest, ListsHardwareBusDevicesInPlatformOrder) {
  // Every device of the machine, all working, in an order that is not the registry's.
  for (const wchar_t* id : kOthers) devices_.AddDevice(id, 0);
  for (const wchar_t* id : {kNic, kSata, kGpu, kFirewire, kRootHub, kUsbNic, kUsbStick, kUsbStorDisk, kKeyboard, kBeep,
                            kNvmeDisk, kHdAudio})
    devices_.AddDevice(id, 0);
  // Left out: ACPI and ACPI_HAL, the FireWire controller marked Legacy, the
  // USB disk's storage node, the keyboard's HID node and the software devices.
  const std::wstring expected = Joined({kNic, kSata, kGpu, kRootHub, kUsbNic, kUsbStick, kNvmeDisk, kHdAudio});
  for (int mode : {kAllDevices, 2, -1}) EXPECT_EQ(List(mode), expected) << mode;  // any mode but 1: all

  ASSERT_TRUE(devices_.SetProblem(kSata, 28));
  ASSERT_TRUE(devices_.SetProblem(kUsbNic, 28));
  ASSERT_TRUE(devices_.SetProblem(kUsbStorDisk, 28));  // excluded bus: stays out
  ASSERT_TRUE(devices_.SetProblem(kFirewire, 10));     // Legacy: stays out
  const std::wstring unknown = L"PCI\\VEN_8086&DEV_A2A3&SUBSYS_86941043&REV_00\\3&11583659&0&FC";
  devices_.AddDeviceWithoutStatus(unknown);
  EXPECT_EQ(List(kProblemDevices), Joined({kSata, kUsbNic, unknown}));
  EXPECT_EQ(List(kAllDevices), expected + unknown + L"|");

  // Legacy 0 and text without digits keep the device; "1" and -1 (as the
  // FireWire controller's 1) skip it, in either mode.
  const std::wstring enum_key = L"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\";
  Import(enum_key + kSata + L"]\r\n\"Legacy\"=dword:00000000\r\n\r\n" +  //
         enum_key + kHdAudio + L"]\r\n\"Legacy\"=\"1\"\r\n\r\n" +        //
         enum_key + kNvmeDisk + L"]\r\n\"Legacy\"=\"none\"\r\n\r\n" +    //
         enum_key + kUsbNic + L"]\r\n\"Legacy\"=dword:ffffffff\r\n\r\n");
  EXPECT_EQ(List(kProblemDevices), Joined({kSata, unknown}));
  EXPECT_EQ(List(kAllDevices), Joined({kNic, kSata, kGpu, kRootHub, kUsbStick, kNvmeDisk, unknown}));

  // The enumerator is the text before the first backslash.
  MemoryDeviceSource odd;
  for (const wchar_t* id : {L"UsbStor\\Disk&Ven_Kingston\\0001&0", L"root\\net\\0000", L"PCI", L"\\VEN_1234\\0", L"",
                            L"pci\\VEN_14E4&DEV_1677\\4&0"})
    odd.AddDevice(id, 28);
  EXPECT_EQ(ListPresentDevices(registry_, odd, kProblemDevices), L"pci\\VEN_14E4&DEV_1677\\4&0|");

  // The enumerator keys keep the buses and the software enumerators (whose
  // devices are never listed), spelled as the registry spells them, in its order.
  Import(enum_key + L"Device Parameters]\r\n\r\n" + enum_key + L"WpdBusEnumRoot\\UMB\\1]\r\n\r\n");
  EXPECT_EQ(L",HDAUDIO,PCI,ROOT,SCSI,SWD,USB,WpdBusEnumRoot,", ListEnumerators(registry_));
}

// Each device: its instance identifier, then its hardware and its compatible
// identifiers, one a line; "," between devices. An empty identifier would
// match any empty field of an INF model line, so it is not passed on.
TEST_F(DeviceListsTest, DeviceIdsHoldInstanceHardwareAndCompatibleIdsPerDevice) {
  const std::wstring odd = L"PCI\\VEN_AAAA&DEV_0001\\1";
  Import(L"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\" + odd +
         L"]\r\n\"HardwareID\"=hex(7):41,00,00,00,00,00,42,00,00,00,00,00\r\n"  // "A", "", "B"
         L"\"CompatibleIDs\"=hex(7):43,00,00,00,00,00\r\n");                    // "C"
  devices_.AddDevice(L"ACPI\\PNP0A08\\0", 28);
  devices_.AddDevice(odd, 28);
  devices_.AddDevice(kGpu, 0);
  devices_.AddDevice(kUsbNic, 28);  // has no CompatibleIDs
  const std::wstring unknown = L"PCI\\VEN_1B21&DEV_1242&SUBSYS_86751043&REV_00\\4&3a2b1c0d&0&00E5";
  devices_.AddDevice(unknown, 28);  // no enum key: only its instance line
  EXPECT_EQ(odd + L"\nA\nB\nC\n," + kUsbNic + L"\nUSB\\VID_0BDA&PID_8153&REV_3000\nUSB\\VID_0BDA&PID_8153\n," +
                unknown + L"\n",
            ReadDeviceIds(registry_, devices_, kProblemDevices));

  std::wstring counts;  // of the hardware and the compatible identifiers of each device
  for (const DeviceIdentifiers& device : ReadDeviceIdentifiers(registry_, devices_, kAllDevices)) {
    counts += std::to_wstring(device.hardware_ids.size()) + L"/" + std::to_wstring(device.compatible_ids.size()) + L"|";
  }
  EXPECT_EQ(L"2/1|4/7|2/0|0/0|", counts);

  // A system whose device library is missing lists nothing.
  devices_.SetAvailable(false);
  EXPECT_EQ(List(kAllDevices) + ReadDeviceIds(registry_, devices_, kAllDevices), L"");
}

}  // namespace
}  // namespace orvane
