#include "devices/offline_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/counting_registry.h"
#include "support/installed_windows.h"
#include "support/recording_view.h"

namespace orvane {
namespace {

using testing_support::AddInstallation;
using testing_support::AddPresentDevice;
using testing_support::kAcmeHardwareIds;
using testing_support::kAcmeInstanceId;
using testing_support::kRegHeader;
using testing_support::ReadTestDataText;

const wchar_t kNetClass[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";

// WinPE on X: with drive C:, on which Install() puts an installation.
struct Scene {
  Scene() {
    testing_support::StartWinPe(machine);
    machine.AddDrive(L"C", kDriveFixed, L"System");
  }
  // The fixture's hives (SYSTEM and SOFTWARE as given) in C:\Windows and,
  // when inf, its inf\oem3.inf.
  void Install(const std::wstring& system = ReadTestDataText("installed_windows/system.reg"), bool inf = true,
               const std::wstring& software = ReadTestDataText("installed_windows/software.reg")) {
    ASSERT_TRUE(AddInstallation(machine, L"C:\\Windows", system, software));
    if (inf) {
      ASSERT_TRUE(machine.WriteFile(L"C:\\Windows\\inf\\oem3.inf",
                                    WideToUtf8(ReadTestDataText("installed_windows/inf/oem3.inf"))));
    }
  }
  // Scans C:\Windows; whatever it finds, no hive stays loaded.
  void Scan() {
    Platform platform = testing_support::PlatformOf(machine);
    ScanInstalledDevices(platform, view, L"C:\\Windows", table);
    RegStatus system = 0, software = 0;  // 1: the mount point's key does not exist
    EnumRegSubKey(machine.registry, &system, L"hklm", kSystemMountPoint, 0);
    EnumRegSubKey(machine.registry, &software, L"hklm", kSoftwareMountPoint, 0);
    EXPECT_EQ(L"1|1", std::to_wstring(system) + L"|" + std::to_wstring(software)) << "a hive stayed loaded";
  }

  SimulatedMachine machine;
  RecordingView view;
  DeviceScanTable table;
};

// Adjacent devices with the same INF, section and description share one
// item; the group's last record carries it with the group's numbers.
TEST(OfflineScan, ListsTheAdaptersTheInstallationDrivesInGroups) {
  Scene scene;
  scene.Install(
      ReadTestDataText("installed_windows/system.reg") +
      L"\r\n[HIVE\\ControlSet001\\Enum\\PCI\\VEN_CAFE&DEV_0001\\1]\r\n\"ConfigFlags\"=dword:00000000\r\n"
      L"\"Driver\"=\"{4d36e972-e325-11ce-bfc1-08002be10318}\\\\0002\"\r\n\"DeviceDesc\"=\"Contoso Wireless\"\r\n"
      L"[HIVE\\ControlSet001\\Control\\Class\\{4d36e972-e325-11ce-bfc1-08002be10318}\\0002]\r\n"
      L"\"InfPath\"=\"oem5.inf\"\r\n\"InfSection\"=\"Contoso_Install\"\r\n");
  const std::wstring acme = L"PCI\\VEN_1234&DEV_5678&SUBSYS_00011234\\4&1A2B3C4D&0&00E";
  AddPresentDevice(scene.machine, acme + L"0", kAcmeHardwareIds);
  AddPresentDevice(scene.machine, acme + L"1", kAcmeHardwareIds);
  AddPresentDevice(scene.machine, L"PCI\\VEN_CAFE&DEV_0001\\1", L"PCI\\VEN_CAFE&DEV_0001");
  // A display adapter the installation drives: not a scan class, no record.
  AddPresentDevice(scene.machine, L"PCI\\VEN_ABCD&DEV_0001\\3&11583659&0&10", L"PCI\\VEN_ABCD&DEV_0001");
  AddPresentDevice(scene.machine, L"USB\\VID_0BDA&PID_8153\\000001", L"USB\\VID_0BDA&PID_8153");  // unknown there
  AddPresentDevice(scene.machine, acme + L"2", kAcmeHardwareIds);
  scene.Scan();

  EXPECT_EQ(L"Host: Win 10 64 Bit -----> WinPE: Win 10 64 Bit|2|2 Driver found",
            scene.view.text(ViewControl::TargetLine) + L"|" + scene.view.text(ViewControl::DeviceCount) + L"|" +
                scene.view.text(ViewControl::DeviceStatus1));
  std::wstring shown;
  for (const auto& item : scene.view.tree()) {
    shown += item.text + L"|" + item.icon.class_name + L"|" + item.icon.windows_directory + L"|" +
             std::to_wstring(item.data) + L"\n";
  }
  EXPECT_EQ(L"Acme Gigabit Adapter (2)|Net|X:\\Windows|2\nAcme Gigabit Adapter|Net|X:\\Windows|4\n", shown);

  EXPECT_EQ(L"ACME-WS01\nC:\\Windows\nAMD64\n10.0\nC:\\Program Files\nC:\\ProgramData",
            ScanHeaderText(scene.table.Header()));
  ASSERT_EQ(4u, scene.table.Count());
  EXPECT_EQ(L"", scene.table.Record(1)->group + scene.table.Record(3)->group);
  EXPECT_EQ(L"Acme Gigabit Adapter\n" + acme + L"1\n" + kNetClass +
                L"\\0001\noem3.inf\nAcmeGbe_Install.NTamd64\npci\\ven_1234&dev_5678&subsys_00011234\nNet\n"
                L"acmegbe.inf_amd64_5f1c0e2a9b3d7e41\n1,2,",
            DeviceRecordText(*scene.table.Record(2)));
  EXPECT_EQ(L"4,", scene.table.Record(4)->group);
}

// .reg text of a key of the installation's SYSTEM hive.
std::wstring HiveKey(const std::wstring& path, const std::wstring& values) {
  return L"[HIVE\\" + path + L"]\r\n" + values + L"\r\n";
}

std::wstring Value(const std::wstring& name, const std::wstring& text) {
  return text.empty() ? L"" : L"\"" + name + L"\"=\"" + ReplaceAll(text, L"\\", L"\\\\") + L"\"\r\n";
}

// The registry walk alone, one present device per rule. (A working driver of
// a class outside the scan classes: the display adapter of
// ListsTheAdaptersTheInstallationDrivesInGroups; the fields read from the
// driver key: its record there.) The device keys are opened by name: a larger
// installation does not make the mount and the walk do more registry work
// for the same present devices.
TEST(OfflineScan, WalkKeepsWorkingDriversOfTheScanClassesOnly) {
  const std::wstring net = std::wstring(kNetClass) + L"\\0001";
  const std::wstring port = std::wstring(kNetClass) + L"\\0002";
  struct Case {
    std::wstring present_id;  // "" for an instance the running system does not list
    std::wstring enum_key;    // below Enum: "=" for the present identifier, "" for none
    const wchar_t* flags;     // ConfigFlags, null for none
    std::wstring driver, desc, service;
  };
  const std::vector<Case> cases = {
      {L"PCI\\VEN_8086&DEV_15B8\\3&0&FE", L"=", L"0", net, L"@oem12.inf,%e1i%;Intel(R) Ethernet", L""},
      {L"PCI\\VEN_8086&DEV_0002\\1", L"=", nullptr, net, L"", L""},
      // A driver of a class without a class key.
      {L"PCI\\VEN_8086&DEV_0006\\1", L"=", L"0", L"{00000000-0000-0000-0000-000000000001}\\0000", L"", L""},
      {L"PCI\\VEN_8086&DEV_2822\\1", L"=", L"0", L"{4d36e97b-e325-11ce-bfc1-08002be10318}\\0000", L"Plain RAID", L""},
      {L"PCI\\VEN_10DE&DEV_0AB0\\1", L"=", L"0", port, L"a;b;Second Port", L"e1iexpress"},
      {L"PCI\\VEN_10DE&DEV_0AB1\\1", L"=", L"0", port, L"", L"inbox"},
      // Instances of one device: the last qualifying one wins, whatever the letter case.
      {L"pci\\ven_10ec&dev_8168\\4&aa", L"PCI\\VEN_10EC&DEV_8168\\1&first", L"0", net, L"First", L""},
      {L"", L"PCI\\VEN_10EC&DEV_8168\\2&second", L"0", net, L"Later", L""},
      {L"", L"PCI\\VEN_10EC&DEV_8168\\3&third", L"1", net, L"Broken", L""},
      {L"PCI\\VEN_FFFF", L"PCI\\VEN_FFFF\\0", L"0", net, L"", L""},
      {L"PCI\\\\1", L"PCI\\X\\1", L"0", net, L"", L""},
      {L"ROOT\\NET\\0000", L"=", L"0", net, L"", L""},
      {L"PCI\\VEN_AAAA&DEV_BBBB\\1", L"", L"0", net, L"", L""},
  };
  const std::wstring control = L"ControlSet002\\Control\\Class\\";
  std::wstring system =
      std::wstring(kRegHeader) + HiveKey(L"Select", L"\"Current\"=dword:00000002") +
      HiveKey(control + kNetClass, Value(L"Class", L"Net")) + HiveKey(control + net, Value(L"InfPath", L"oem12.inf")) +
      HiveKey(control + port, Value(L"InfPath", L"oem40.inf")) +
      HiveKey(control + L"{4d36e97b-e325-11ce-bfc1-08002be10318}", Value(L"Class", L"SCSIAdapter")) +
      HiveKey(L"ControlSet002\\Services\\e1iexpress",
              Value(L"ImagePath",
                    L"\\SystemRoot\\System32\\DriverStore\\FileRepository\\net1ix64.inf_amd64_abc\\e1i.sys")) +
      HiveKey(L"ControlSet002\\Services\\inbox", Value(L"ImagePath", L"System32\\drivers\\inbox.sys")) +
      HiveKey(L"DriverDatabase\\DriverInfFiles\\oem12.inf", Value(L"Active", L"e1i.inf_amd64_111"));
  std::vector<std::wstring> present;
  for (const Case& c : cases) {
    if (!c.enum_key.empty()) {
      system += HiveKey(L"ControlSet002\\Enum\\" + (c.enum_key == L"=" ? c.present_id : c.enum_key),
                        (c.flags ? L"\"ConfigFlags\"=dword:0000000" + std::wstring(c.flags) + L"\r\n" : L"") +
                            Value(L"Driver", c.driver) + Value(L"DeviceDesc", c.desc) + Value(L"Service", c.service));
    }
    if (!c.present_id.empty()) present.push_back(c.present_id);
  }
  std::vector<size_t> operations;
  for (size_t extra : {0, 3000}) {
    Scene scene;
    std::wstring hive = system;
    for (size_t i = 0; i < extra; ++i) {
      hive += HiveKey(L"ControlSet002\\Enum\\PCI\\VEN_7777&DEV_" + std::to_wstring(i) + L"\\1",
                      L"\"ConfigFlags\"=dword:00000000\r\n" + Value(L"Driver", net));
    }
    scene.Install(hive, false, std::wstring(kRegHeader) + L"[HIVE\\Microsoft]\r\n");
    CountingRegistry counting(scene.machine.registry);
    MountedInstallation mount(counting, scene.machine.system, L"C:\\Windows");
    ASSERT_EQ(kMountOk, mount.status());
    std::wstring found;  // instance: description|package|class, in the order of the present devices
    for (const DeviceRecord& record : ReadInstalledDevices(counting, mount.profile().system_root, present)) {
      found += record.instance_id + L": " + record.description + L"|" + record.package_folder + L"|" +
               record.class_name + L"\n";
    }
    EXPECT_EQ(
        L"PCI\\VEN_8086&DEV_15B8\\3&0&FE: Intel(R) Ethernet|e1i.inf_amd64_111|Net\n"
        L"PCI\\VEN_8086&DEV_2822\\1: Plain RAID||SCSIAdapter\n"
        L"PCI\\VEN_10DE&DEV_0AB0\\1: b;Second Port|net1ix64.inf_amd64_abc|Net\n"
        L"PCI\\VEN_10DE&DEV_0AB1\\1: ||Net\n"
        L"pci\\ven_10ec&dev_8168\\4&aa: Later|e1i.inf_amd64_111|Net\n",
        found)
        << extra;
    operations.push_back(counting.total());
  }
  EXPECT_EQ(operations[0], operations[1]);
}

// Whether the running system's match of the INF agrees with the installation
// (as installed: ListsTheAdaptersTheInstallationDrivesInGroups), whether the
// architectures agree, and installations whose registry cannot be read (no
// records, no hive left loaded, also when one of the two hives was loaded; no
// architecture to agree with).
TEST(OfflineScan, ListingFollowsTheMatchTheArchitectureAndTheRegistry) {
  struct Case {
    const char* name;
    const wchar_t* from;  // text of the fixture's SYSTEM hive to replace
    const wchar_t* to;
    bool inf_present, software_present;
    const wchar_t* shown;  // records|items|status|import enabled
  };
  const Case cases[] = {
      {"inf missing", L"", L"", false, true, L"1|0|0 Driver found|1"},
      {"other section", L"\"InfSection\"=\"AcmeGbe_Install\"", L"\"InfSection\"=\"AcmeGbe_Legacy\"", true, true,
       L"1|0|0 Driver found|1"},
      {"32-bit installation", L"\"PROCESSOR_ARCHITECTURE\"=\"AMD64\"", L"\"PROCESSOR_ARCHITECTURE\"=\"x86\"", true,
       true, L"1|1|Architecture not compatibel|0"},
      {"no Select key", L"[HIVE\\Select]", L"[HIVE\\Unselected]", true, true, L"0|0|Architecture not compatibel|0"},
      {"no SOFTWARE hive", L"", L"", true, false, L"0|0|Architecture not compatibel|0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    std::wstring system = ReadTestDataText("installed_windows/system.reg");
    if (*c.from) {
      const std::wstring from = ReplaceAll(c.from, L"\r\n", L"\n");
      ASSERT_TRUE(Contains(system, from));
      system = ReplaceAll(system, from, c.to);
    }
    scene.Install(system, c.inf_present, c.software_present ? ReadTestDataText("installed_windows/software.reg") : L"");
    AddPresentDevice(scene.machine, kAcmeInstanceId, kAcmeHardwareIds);
    scene.Scan();
    EXPECT_EQ(c.shown, std::to_wstring(scene.table.Count()) + L"|" + std::to_wstring(scene.view.tree().size()) + L"|" +
                           scene.view.text(ViewControl::DeviceStatus1) + L"|" +
                           std::to_wstring(scene.view.enabled(ViewControl::DeviceImport)));
  }
}

}  // namespace
}  // namespace orvane
