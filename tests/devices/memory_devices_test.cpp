#include "platform/memory/memory_devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/device_lists.h"
#include "platform/memory/memory_registry.h"

namespace orvane {
namespace {

TEST(MemoryDeviceSourceTest, ProblemsChangeDevicesComeAndGoAndRescansRunTheHandler) {
  MemoryDeviceSource devices;
  devices.AddDeviceWithoutStatus(L"PCI\\VEN_1\\0");
  devices.AddDevice(L"PCI\\VEN_2\\0", 28);
  EXPECT_TRUE(devices.SetProblem(L"pci\\ven_1\\0", 0));  // letter case ignored
  EXPECT_TRUE(devices.RemoveDevice(L"PCI\\VEN_2\\0"));
  EXPECT_FALSE(devices.SetProblem(L"PCI\\VEN_2\\0", 1));
  std::vector<PresentDevice> present(3);  // replaced, not appended to
  ASSERT_TRUE(devices.ListPresent(&present));
  ASSERT_EQ(present.size(), 1u);
  EXPECT_TRUE(present[0].status_known && present[0].problem == 0);

  // A new controller shows up only after the device tree was rescanned.
  MemoryRegistry registry;
  devices.SetRescanHandler([&devices] { devices.AddDevice(L"PCI\\VEN_8086&DEV_2822\\3&0&FA", 28); });
  EXPECT_EQ(ListPresentDevices(registry, devices, kProblemDevices), L"");
  devices.Reenumerate();
  EXPECT_EQ(devices.ReenumerateCount(), 1);
  EXPECT_EQ(ListPresentDevices(registry, devices, kProblemDevices), L"PCI\\VEN_8086&DEV_2822\\3&0&FA|");
}

}  // namespace
}  // namespace orvane
