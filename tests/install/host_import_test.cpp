#include "install/host_import.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/install_machine.h"
#include "support/installed_windows.h"

namespace orvane {
namespace {

using namespace testing_support;

const wchar_t kAcme[] = L"PCI\\VEN_1234&DEV_5678&SUBSYS_00011234\\4&1A2B3C4D&0&00E";

// The fixture's Windows 10 on D:, driving three identical adapters of the
// running system, scanned: one item "Acme Gigabit Adapter (3)".
struct Scene : InstallMachine {
  Scene(const std::wstring& version, const std::wstring& class_name) : InstallMachine(version) {
    AddDrive(L"D", kDriveFixed, L"Data");
    AddFixtureInstallation(*this, L"D:\\Windows", class_name);
    WriteFile(L"D:\\Windows\\System32\\drivers\\acmegbe.sys", "driver image");
    for (const wchar_t* n : {L"0", L"1", L"2"}) AddPresentDevice(*this, kAcme + std::wstring(n), kAcmeHardwareIds);
    Platform platform = PlatformOf(*this);
    ScanInstalledDevices(platform, view, L"D:\\Windows", table);
    log.Close();
    files.DeleteFile(L"X:\\Orvane.log");
    // What each install found: the INF, the driver beside it, or the staged
    // driver and the INF's file directives turned into comments.
    installer.SetInstallHook([this](const MemoryDeviceInstaller::Install& i) {
      std::string inf;
      files.ReadFile(i.inf_path, &inf);
      installs += i.inf_path;
      const std::wstring beside = i.inf_path.substr(0, i.inf_path.rfind(L'\\')) + L"\\acmegbe.sys";
      if (files.FileExists(beside)) installs += L" +beside";
      if (files.FileExists(L"X:\\Windows\\System32\\drivers\\acmegbe.sys")) installs += L" +staged";
      if (inf.find("; CopyFiles") != std::string::npos) installs += L" +disabled";
      installs += L"|";
    });
  }
  DeviceScanTable table;
  std::wstring installs;
};

// The log of an import on that WinPE with one result per device of the group,
// and the lines after the devices.
std::string Log(const char* winpe, const std::vector<bool>& results, const std::string& end = "") {
  std::string text = std::string("\r\nOrvane (Host-Install)\r\nOrvane driver installer for WinPE\r\n") +
                     "Date: Day:6 Month:12 Year:2026\r\n\r\nWinPE: " + winpe + "\r\nHost OS: Win 10 (64 Bit)\r\n";
  for (size_t i = 0; i < results.size(); ++i) {
    text += "\r\nInstall: Acme Gigabit Adapter (" + std::to_string(i + 1) + ")\r\n" +
            (results[i] ? "successfully installed\r\n" : "Installation failed\r\n");
  }
  return text + end;
}

TEST(HostImport, ExportsAndInstallsEachDeviceOfTheTickedGroup) {
  const std::wstring exported = L"D:\\DRVTemp\\oem3.inf +beside|";
  const std::wstring staged = L"X:\\Windows\\inf\\oem3.inf +staged +disabled|";
  const std::wstring all = L"1 / 1 Driver Installed successfully|";
  struct Case {
    const char* name;
    const wchar_t* version;
    const wchar_t* class_name;
    std::function<void(Scene&)> arrange;
    std::wstring installs, status;
    ItemColour colour;
    std::string log;
  };
  const std::vector<Case> cases = {
      {"10.0: the exported INF, beside a DRVTemp of the user's", L"10.0", L"Net",
       [](Scene& s) { s.WriteFile(L"D:\\DRVTemp\\mine.txt", "keep"); },
       L"D:\\DRVTemp.1\\oem3.inf +beside|D:\\DRVTemp.1\\oem3.inf +beside|D:\\DRVTemp.1\\oem3.inf +beside|", all,
       {0, 0, 255}, Log("Win 10 (64 Bit)", {true, true, true})},
      {"6.1: staged into the running Windows", L"6.1", L"Net", [](Scene&) {}, staged + staged + staged, all,
       {0, 0, 255}, Log("Win 7 (64 Bit)", {true, true, true})},
      {"a device gone before its install", L"10.0", L"Net",
       [](Scene& s) { s.devices.RemoveDevice(kAcme + std::wstring(L"1")); }, exported + exported,
       L"0 / 1 Driver Installed successfully|", {255, 0, 0}, Log("Win 10 (64 Bit)", {true, false, true})},
      {"a storage driver: new enumerator, new volume", L"10.0", L"SCSIAdapter",
       [](Scene& s) {
         s.installer.SetInstallHook([&s](const MemoryDeviceInstaller::Install&) {
           if (!s.installs.empty()) return;
           s.installs = L"disk|";
           s.storage.AddDisk(L"SCSI\\DISK&VEN_NEW\\1", 1);
           s.storage.AddVolume(L"\\Device\\HarddiskVolume4", 1);
           WriteRegValue(s.registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Enum\\SCSI\\DISK&VEN_NEW\\1", L"Class",
                         kRegSz, L"DiskDrive");
         });
       },
       L"disk|", all + L"- another device can be installed.1 new Partition(s) ( C: ) found.", {0, 0, 255},
       Log("Win 10 (64 Bit)", {true, true, true},
           "another device can be installed.\r\n1 new Partition(s) ( C: ) found.\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene(c.version, c.class_name);
    c.arrange(scene);
    const auto before = scene.Snapshot(L"drive-D");
    // Nothing ticked: nothing happens, no log is begun.
    const size_t calls = scene.view.calls().size();
    ImportInstalledDrivers(scene.services, scene.view, scene.table);
    EXPECT_EQ(calls, scene.view.calls().size());
    EXPECT_FALSE(scene.files.FileExists(L"X:\\Orvane.log"));
    scene.view.Check(0);
    ImportInstalledDrivers(scene.services, scene.view, scene.table);

    EXPECT_EQ(c.installs + L"#" + c.status, scene.installs + L"#" + scene.view.text(ViewControl::DeviceStatus1) + L"|" +
                                                scene.view.text(ViewControl::DeviceStatus2));
    EXPECT_TRUE(c.colour == scene.view.tree()[0].colour);
    EXPECT_FALSE(scene.view.tree()[0].checked);
    EXPECT_EQ(ViewControl::DeviceImport, scene.view.focused());
    EXPECT_EQ(c.log, scene.LogBytes());
    EXPECT_EQ(before, scene.Snapshot(L"drive-D")) << "the installation's drive changed";
  }
}

}  // namespace
}  // namespace orvane
