// The install of one candidate. Escape during the unpack, with a real
// archiver process ended by it: install/archiver_native_test.cpp.
#include "install/install_candidate.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "registry/registry_access.h"
#include "support/install_machine.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kProductOptions[] = L"System\\CurrentControlSet\\Control\\ProductOptions";

// WinPE of that version with the test driver in X:\Drivers for a device that
// reports problem 28.
struct Scene : InstallMachine {
  explicit Scene(const std::wstring& version = L"10.0", const std::wstring& product_type = L"1")
      : InstallMachine(version, L"AMD64", product_type) {
    devices.AddDevice(kTestDevice, 28);
    AddTestDriver(L"X:\\Drivers");
  }
  int Run(InstallCaller caller, const CandidateRecord& candidate) {
    return InstallCandidateFor(caller, services, view, Profile(), candidate);
  }
  std::wstring ProductType() { return ReadRegValue(registry, nullptr, L"hklm", kProductOptions, L"ProductType"); }
};

// The unattended caller's texts for both outcomes are compared whole in the
// run's scenarios (sources/driver_sources_test.cpp). The installer's result is
// handed on as it is: its other codes are the installer's own.
TEST(InstallCandidate, ResultsAndTheirTexts) {
  const std::vector<std::pair<int, std::function<void(Scene&)>>> cases = {
      {kInstallOk, [](Scene&) {}},
      {kInstallDeviceProblem, [](Scene& s) { s.installer.KeepProblem(true); }},
      {kInstallNoSuchDevice, [](Scene& s) { s.devices.Clear(); }},
  };
  // The device is found whatever the letter case and blanks of its identifier.
  CandidateRecord candidate = TestDriverCandidate();
  candidate.match.instance_id = L"pci\\ven_8086&DEV_15b8\\3&0&fe  \t";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    Scene scene;
    c.second(scene);
    EXPECT_EQ(c.first, scene.Run(InstallCaller::Interactive, candidate));
    EXPECT_EQ((std::vector<std::wstring>{
                  L"SetText SourceStatus1=Install driver..., please wait ",
                  L"SetText SourceStatus2=Orvane Test Network Adapter",
                  c.first == kInstallOk ? L"SetText SourceStatus1=Installation successfull"
                                        : L"SetText SourceStatus1=Installation failed",
              }),
              scene.view.calls());
    EXPECT_EQ("", scene.LogBytes());  // the interactive import keeps no log
    // A plain INF on version 10 is installed where it is: no archiver, no staging.
    EXPECT_TRUE(scene.archiver.calls.empty());
    EXPECT_FALSE(scene.files.FileExists(L"X:\\Windows\\inf\\orvtest.inf"));
    if (c.first == kInstallOk) {
      EXPECT_EQ(std::vector<std::wstring>{L"X:\\Drivers\\orvtest.inf"}, scene.InstalledInfs());
    }
  }
}

TEST(InstallCandidate, PackagesAreUnpackedWithTheExactCommandLine) {
  Scene scene;
  // The archiver unpacks the test driver's INF into the folder of its -o"...".
  scene.archiver.on_run = [&scene](const RecordingArchiver::Call& call, CancellationToken&) {
    const std::wstring out = call.parameters.substr(call.parameters.find(L"-o\"") + 3);
    scene.WriteFile(out.substr(0, out.size() - 1) + L"\\net\\orvtest\\orvtest.inf",
                    TestDataBytes("drivers/orvtest/orvtest.inf"));
  };
  // The interactive import unpacks into a folder of its own on a free name
  // (the user's folder has the usual one; the scan's folder is gone) and
  // deletes only that.
  scene.WriteFile(L"X:\\orvane_dps\\keep.txt", "x");
  scene.WriteFile(L"X:\\Data\\keep.txt", "x");
  const auto before = scene.Snapshot(L"drive-X");
  CandidateRecord scanned = TestDriverCandidate(true);
  scanned.unpack_folder = L"X:\\Data";
  scanned.inf_path = L"X:\\Data\\net\\orvtest\\orvtest.inf";
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, scanned));
  ASSERT_EQ(1u, scene.archiver.calls.size());
  const RecordingArchiver::Call& call = scene.archiver.calls[0];
  EXPECT_EQ(L"X:\\Tools\\7z.exe|x \"X:\\Packages\\drivers.zip\" -aoa -r -ssw \"net\\orvtest\\*.*\" "
            L"-o\"X:\\orvane_dps.1\"||" + std::to_wstring(kShowHidden),
            call.file + L"|" + call.parameters + L"|" + call.directory + L"|" + std::to_wstring(call.show_mode));
  EXPECT_EQ(L"SetText SourceStatus1=Decompress driver..., please wait", scene.view.calls().front());
  EXPECT_EQ(before, scene.Snapshot(L"drive-X")) << "more than the run's own folder was changed or left";
  EXPECT_EQ(std::vector<std::wstring>{L"X:\\orvane_dps.1\\net\\orvtest\\orvtest.inf"}, scene.InstalledInfs());

  // The search's own command line unpacks only the INF files. (The unattended
  // search's unpack into its own folder: RunUnattended.Scenarios.)
  EXPECT_EQ(L"x \"X:\\p.7z\" -aoa -r -ssw *.inf -o\"X:\\orvane_dps\"",
            InfUnpackParameters(L"X:\\p.7z", L"X:\\orvane_dps"));
}

TEST(InstallCandidate, SystemsBeforeVersion6GetTheFilesStagedAndTheStagedInfInstalled) {
  Scene scene(L"5.1");
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, TestDriverCandidate()));
  EXPECT_EQ(std::vector<std::wstring>{L"X:\\Windows\\inf\\orvtest.inf"}, scene.InstalledInfs());
  EXPECT_TRUE(scene.files.FileExists(L"X:\\Windows\\system32\\drivers\\orvtest.sys"));
  std::string staged;
  ASSERT_TRUE(scene.files.ReadFile(L"X:\\Windows\\inf\\orvtest.inf", &staged));
  EXPECT_NE(std::string::npos, staged.find("; CopyFiles"));
}

// Network drivers get the network component (unless it is registered);
// storage drivers are followed by drive letters for the volumes of the
// disks that appear (the letters themselves: DisksVolumes).
TEST(InstallCandidate, WhatTheSetupClassAdds) {
  for (const std::wstring setup_class : {L"NET", L"hdc", L"SCSIAdapter", L"Display"}) {
    SCOPED_TRACE(setup_class);
    Scene scene;
    scene.AddDrive(L"C");
    scene.installer.SetInstallHook([&scene](const MemoryDeviceInstaller::Install&) {
      scene.storage.AddDisk(L"SCSI\\DISK&VEN_NEW\\1", 1);
      scene.storage.AddVolume(L"\\Device\\HarddiskVolume4", 1);
    });
    CandidateRecord candidate = TestDriverCandidate();
    candidate.match.setup_class = setup_class;
    scene.Run(InstallCaller::Interactive, candidate);
    const bool net = setup_class == L"NET", storage = !net && setup_class != L"Display";
    EXPECT_EQ(net ? std::vector<std::wstring>{L"netcfgx.dll"} : std::vector<std::wstring>{}, scene.components.calls);
    EXPECT_EQ(storage ? L"1 new Partition(s) ( D: ) found." : L"Orvane Test Network Adapter",
              scene.view.text(ViewControl::SourceStatus2));
  }
  // The network component is registered only while it is missing.
  Scene scene;
  ASSERT_TRUE(scene.registry.ImportRegText(
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_CLASSES_ROOT\\CLSID\\{5B035261-40F9-11D1-AAEC-00805FC1270E}\\InProcServer32]\r\n@=\"netcfgx.dll\"\r\n"));
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, TestDriverCandidate()));
  EXPECT_TRUE(scene.components.calls.empty());
}

TEST(InstallCandidate, TheProductTypeOfTheDecorationHoldsOnlyDuringTheInstall) {
  struct Case {
    std::wstring decoration, host_type;
    bool fails;
    std::wstring during;  // ProductType while the device installer runs ("" = not written)
  };
  const std::vector<Case> cases = {
      {L".NTx86.5.2.3", L"1", false, L"ServerNT"}, {L".NTx86.5.2.3", L"1", true, L"ServerNT"},
      {L".NTamd64.10.0.1", L"3", false, L"WinNT"}, {L".NTamd64.10.0.1", L"1", false, L""},
      {L".NTamd64.10.0", L"1", false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.decoration + L" on " + c.host_type);
    Scene scene(L"10.0", c.host_type);
    std::wstring during = L"(no install)";
    scene.installer.SetInstallHook([&](const MemoryDeviceInstaller::Install&) { during = scene.ProductType(); });
    scene.installer.KeepProblem(c.fails);
    CandidateRecord candidate = TestDriverCandidate();
    candidate.match.models_decoration = c.decoration;
    EXPECT_EQ(c.fails ? kInstallDeviceProblem : kInstallOk, scene.Run(InstallCaller::Unattended, candidate));
    EXPECT_EQ(c.during, during);
    // Afterwards the system's own type is back (or was never touched).
    EXPECT_EQ(c.during.empty() ? L"" : ProductTypeName(c.host_type), scene.ProductType());
  }
}

TEST(InstallCandidate, UnusableCandidatesFailClearlyAndInstallNothing) {
  const std::vector<std::function<void(CandidateRecord&)>> spoilers = {
      [](CandidateRecord& c) { c.match.instance_id = L"  "; },
      [](CandidateRecord& c) { c.inf_path = L"X:\\Drivers\\missing.inf"; },  // as an empty path
      [](CandidateRecord& c) { c = TestDriverCandidate(true); },             // package without that subfolder
      [](CandidateRecord& c) {
        c = TestDriverCandidate(true);
        c.unpack_folder.clear();
      },
  };
  for (size_t i = 0; i < spoilers.size(); ++i) {
    SCOPED_TRACE(i);
    Scene scene;
    CandidateRecord candidate = TestDriverCandidate();
    spoilers[i](candidate);
    EXPECT_EQ(kCandidateUnusable, scene.Run(InstallCaller::Unattended, candidate));
    EXPECT_TRUE(scene.installer.Installs().empty());
    EXPECT_TRUE(EndsWith(scene.view.log(), L"\r\nInstallation failed"));
    EXPECT_TRUE(EndsWith(Utf8ToWide(scene.LogBytes()), L"Installation failed\r\n\r\n"));
  }
  // A record with hardly any fields: parsed, failed, nothing else.
  Scene scene;
  EXPECT_EQ(kCandidateUnusable, InstallCandidate(scene.services, scene.view, scene.Profile(), L"only a name"));
}

TEST(ImportSelectedCandidate, InstallsTheCandidateOfTheSelectedLine) {
  Scene scene;
  CandidateTable rows;
  CandidateRecord other = TestDriverCandidate();
  other.match.instance_id = L"pci\\ven_other\\1";
  rows.Add(other);
  rows.Add(TestDriverCandidate());
  scene.view.AddListLine(ViewControl::DriverList, {L"other"}, ItemIcon{});
  scene.view.AddListLine(ViewControl::DriverList, {L"test driver"}, ItemIcon{});
  ImportSelectedCandidate(scene.services, scene.view, rows);  // nothing selected: nothing happens
  EXPECT_EQ(2u, scene.view.calls().size());
  scene.view.Select(1);
  ImportSelectedCandidate(scene.services, scene.view, rows);
  EXPECT_EQ(1u, scene.installer.Installs().size());  // the other line's device is not there
  EXPECT_EQ(L"Installation successfull", scene.view.text(ViewControl::SourceStatus1));
}

}  // namespace
}  // namespace orvane
