#include "install/install_candidate.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "registry/registry_access.h"
#include "support/install_machine.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kDevice[] = L"PCI\\VEN_8086&DEV_15B8\\3&0&FE";
const wchar_t kInf[] = L"X:\\Drivers\\orvtest.inf";
const wchar_t kProductOptions[] = L"System\\CurrentControlSet\\Control\\ProductOptions";

std::string TestInf() {
  std::string bytes;
  MakeHostFileSystem()->ReadFile(ORVANE_TEST_DATA_DIR L"/drivers/orvtest/orvtest.inf", &bytes);
  return bytes;
}

// A candidate of the test package for the device, from a plain INF.
CandidateRecord PlainCandidate(const std::wstring& setup_class = L"Net", const std::wstring& decoration = L".NTamd64") {
  CandidateRecord candidate;
  candidate.match.description = L"Orvane Test Network Adapter";
  candidate.match.instance_id = LowerText(kDevice);
  candidate.match.matched_id = L"orvane\\orvtest_net";
  candidate.match.install_section = L"orvtest_install.NT";
  candidate.match.models_decoration = decoration;
  candidate.match.setup_class = setup_class;
  candidate.inf_path = kInf;
  return candidate;
}

// The same driver from X:\Packages\drivers.zip, its INF in net\orvtest\.
CandidateRecord PackageCandidate() {
  CandidateRecord candidate = PlainCandidate();
  candidate.package_path = L"X:\\Packages\\drivers.zip";
  candidate.unpack_folder = L"X:\\orvane_dps";
  candidate.subfolder = L"net\\orvtest\\";
  candidate.inf_path = L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf";
  return candidate;
}

struct Scene : InstallMachine {
  explicit Scene(const std::wstring& version = L"10.0", const std::wstring& product_type = L"1")
      : InstallMachine(version, L"AMD64", product_type) {
    LoadUiTexts(0x0409);
    devices.AddDevice(kDevice, 28);
    WriteFile(kInf, TestInf());
    WriteFile(L"X:\\Drivers\\orvtest.sys", "driver");
    WriteFile(L"X:\\Drivers\\orvtest.dll", "library");
  }
  int Run(InstallCaller caller, const CandidateRecord& candidate) {
    return InstallCandidateFor(caller, services, view, Profile(), candidate);
  }
  std::wstring ProductType() {
    return ReadRegValue(registry, nullptr, L"hklm", kProductOptions, L"ProductType");
  }
};

// --- results and their texts -------------------------------------------------

TEST(InstallCandidate, ResultsAndTheirTextsForBothCallers) {
  struct Case {
    const char* name;
    std::function<void(Scene&)> arrange;
    int result;
  };
  const std::vector<Case> cases = {
      {"installed", [](Scene&) {}, kInstallOk},
      {"device keeps its problem", [](Scene& s) { s.installer.KeepProblem(true); }, kInstallDeviceProblem},
      {"no status query", [](Scene& s) { s.installer.ForceResult(kInstallNoStatusQuery); }, kInstallNoStatusQuery},
      {"no device library", [](Scene& s) { s.installer.ForceResult(kInstallNoLibrary); }, kInstallNoLibrary},
      {"no device set", [](Scene& s) { s.devices.SetAvailable(false); }, kInstallNoDeviceSet},
      {"no such device", [](Scene& s) { s.devices.Clear(); }, kInstallNoSuchDevice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool ok = c.result == kInstallOk;
    {
      Scene scene;
      c.arrange(scene);
      EXPECT_EQ(c.result, scene.Run(InstallCaller::Interactive, PlainCandidate()));
      EXPECT_EQ((std::vector<std::wstring>{
                    L"SetText SourceStatus1=Install driver..., please wait ",
                    L"SetText SourceStatus2=Orvane Test Network Adapter",
                    std::wstring(L"SetText SourceStatus1=") + (ok ? L"Installation successfull" : L"Installation failed"),
                }),
                scene.view.calls());
      EXPECT_EQ("", scene.LogBytes());  // the interactive import keeps no log
    }
    {
      Scene scene;
      c.arrange(scene);
      EXPECT_EQ(c.result, InstallCandidate(scene.services, scene.view, scene.Profile(), CandidateText(PlainCandidate())));
      EXPECT_EQ(std::wstring(L"\r\n Driver found ( Orvane Test Network Adapter )") +
                    L"\r\n( Orvane Test Network Adapter ) getting installed..." +
                    (ok ? L"\r\nInstallation successfull" : L"\r\nInstallation failed"),
                scene.view.log());
      EXPECT_EQ(std::string("- Found - \r\nOrvane Test Network Adapter\r\n") +
                    (ok ? "successfully installed\r\n\r\n" : "Installation failed\r\n\r\n"),
                scene.LogBytes());
    }
  }
}

TEST(InstallCandidate, TheDeviceIsFoundWhateverItsCaseAndTrailingBlanks) {
  Scene scene;
  CandidateRecord candidate = PlainCandidate();
  candidate.match.instance_id = L"pci\\ven_8086&DEV_15b8\\3&0&fe  \t";
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Unattended, candidate));
  ASSERT_EQ(1u, scene.installer.Installs().size());
  EXPECT_EQ(kDevice, scene.installer.Installs()[0].instance_id);
  EXPECT_EQ(kInf, scene.installer.Installs()[0].inf_path);
  // The device works now: a second install of the same device still succeeds.
  std::vector<PresentDevice> present;
  scene.devices.ListPresent(&present);
  EXPECT_EQ(0u, present[0].problem);
}

// --- the archiver -----------------------------------------------------------

TEST(InstallCandidate, APackageIsUnpackedWithTheExactCommandLine) {
  Scene scene;
  scene.archiver.on_run = [&scene](const RecordingArchiver::Call&, CancellationToken&) {
    scene.WriteFile(L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf", TestInf());
  };
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, PackageCandidate()));
  ASSERT_EQ(1u, scene.archiver.calls.size());
  const RecordingArchiver::Call& call = scene.archiver.calls[0];
  EXPECT_EQ(L"X:\\Tools\\7z.exe", call.file);
  EXPECT_EQ(L"x \"X:\\Packages\\drivers.zip\" -aoa -r -ssw \"net\\orvtest\\*.*\" -o\"X:\\orvane_dps\"",
            call.parameters);
  EXPECT_EQ(L"", call.directory);
  EXPECT_EQ(kShowHidden, call.show_mode);
  EXPECT_EQ(L"SetText SourceStatus1=Decompress driver..., please wait", scene.view.calls().front());
  EXPECT_EQ(L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf", scene.installer.Installs()[0].inf_path);
  // The interactive import removes the unpack folder afterwards.
  EXPECT_FALSE(scene.files.DirectoryExists(L"X:\\orvane_dps"));

  // The search's own command line unpacks only the INF files.
  EXPECT_EQ(L"x \"X:\\p.7z\" -aoa -r -ssw *.inf -o\"X:\\orvane_dps\"", InfUnpackParameters(L"X:\\p.7z", L"X:\\orvane_dps"));
  EXPECT_EQ(L"X:\\7z.exe", ArchiverPath(L"X:\\"));
}

TEST(InstallCandidate, TheUnattendedRunLeavesTheUnpackFolderAndAPlainInfRunsNoArchiver) {
  Scene scene;
  scene.archiver.on_run = [&scene](const RecordingArchiver::Call&, CancellationToken&) {
    scene.WriteFile(L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf", TestInf());
  };
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Unattended, PackageCandidate()));
  EXPECT_TRUE(scene.files.DirectoryExists(L"X:\\orvane_dps"));
  EXPECT_TRUE(Contains(scene.view.log(), L"\r\nDecompress driver..., please wait\r\n( Orvane"));

  scene.WriteFile(L"X:\\orvane_dps\\keep.txt", "x");
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, PlainCandidate()));
  EXPECT_EQ(1u, scene.archiver.calls.size());
  EXPECT_TRUE(scene.files.FileExists(L"X:\\orvane_dps\\keep.txt"));
}

TEST(InstallCandidate, EscapeDuringTheUnpackEndsItAndInstallsNothing) {
  Scene scene;
  // The archiver runs until the token ends it; the window's thread presses
  // Escape once the archiver is running.
  std::thread escape;
  scene.archiver.on_run = [&](const RecordingArchiver::Call&, CancellationToken& token) {
    scene.WriteFile(L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf", TestInf());  // half unpacked
    escape = std::thread([&scene] { scene.cancel.Cancel(); });
    while (!token.IsCancelled()) std::this_thread::yield();
  };
  EXPECT_EQ(kInstallCancelled, scene.Run(InstallCaller::Unattended, PackageCandidate()));
  escape.join();
  EXPECT_TRUE(scene.installer.Installs().empty());
  EXPECT_FALSE(Contains(scene.view.log(), L"getting installed"));
  EXPECT_FALSE(Contains(scene.view.log(), L"Installation"));
}

// --- staging, network class, product type, storage --------------------------

TEST(InstallCandidate, OnlySystemsBeforeVersion6GetTheFilesStagedAndTheStagedInfInstalled) {
  {
    Scene scene(L"5.1");
    EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, PlainCandidate()));
    ASSERT_EQ(1u, scene.installer.Installs().size());
    EXPECT_EQ(L"X:\\Windows\\inf\\orvtest.inf", scene.installer.Installs()[0].inf_path);
    EXPECT_TRUE(scene.files.FileExists(L"X:\\Windows\\system32\\drivers\\orvtest.sys"));
    EXPECT_TRUE(scene.files.FileExists(L"X:\\Windows\\system32\\orvtest.dll"));
    std::string staged;
    ASSERT_TRUE(scene.files.ReadFile(L"X:\\Windows\\inf\\orvtest.inf", &staged));
    EXPECT_NE(std::string::npos, staged.find("; CopyFiles"));
  }
  {
    Scene scene(L"10.0");
    EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, PlainCandidate()));
    EXPECT_EQ(kInf, scene.installer.Installs()[0].inf_path);
    EXPECT_FALSE(scene.files.FileExists(L"X:\\Windows\\inf\\orvtest.inf"));
    EXPECT_FALSE(scene.files.FileExists(L"X:\\Windows\\system32\\drivers\\orvtest.sys"));
  }
}

TEST(InstallCandidate, TheNetworkComponentIsRegisteredOnlyForNetworkDrivers) {
  for (const std::wstring setup_class : {L"Net", L"NET", L"Display", L"hdc"}) {
    Scene scene;
    scene.Run(InstallCaller::Unattended, PlainCandidate(setup_class));
    const bool net = LowerText(setup_class) == L"net";
    EXPECT_EQ(net ? std::vector<std::wstring>{L"netcfgx.dll"} : std::vector<std::wstring>{},
              scene.components.calls)
        << setup_class;
  }
}

TEST(InstallCandidate, TheProductTypeOfTheDecorationHoldsOnlyDuringTheInstall) {
  struct Case {
    std::wstring decoration;
    std::wstring host_type;
    bool fails;
    std::wstring during;  // ProductType while the device installer runs ("" = not written)
  };
  const std::vector<Case> cases = {
      {L".NTx86.5.2.3", L"1", false, L"ServerNT"},
      {L".NTx86.5.2.3", L"1", true, L"ServerNT"},
      {L".NTamd64.10.0.1", L"3", false, L"WinNT"},
      {L".NTamd64.10.0.1", L"1", false, L""},
      {L".NTamd64", L"1", false, L""},
      {L".NTamd64.10.0", L"1", false, L""},
      {L"", L"1", false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.decoration + L" on " + c.host_type);
    Scene scene(L"10.0", c.host_type);
    std::wstring during = L"(no install)";
    scene.installer.SetInstallHook([&](const MemoryDeviceInstaller::Install&) { during = scene.ProductType(); });
    if (c.fails) scene.installer.KeepProblem(true);
    const int result = scene.Run(InstallCaller::Unattended, PlainCandidate(L"Net", c.decoration));
    EXPECT_EQ(c.fails ? kInstallDeviceProblem : kInstallOk, result);
    EXPECT_EQ(c.during, during);
    // Afterwards the system's own type is back (or was never touched).
    EXPECT_EQ(c.during.empty() ? L"" : ProductTypeName(c.host_type), scene.ProductType());
  }
}

TEST(InstallCandidate, StorageDriversAreFollowedByNewDriveLetters) {
  for (const std::wstring setup_class : {L"hdc", L"SCSIAdapter", L"Net", L"Display"}) {
    SCOPED_TRACE(setup_class);
    Scene scene;
    scene.AddDrive(L"C");
    // The controller's disk and its volume appear with the install.
    scene.installer.SetInstallHook([&scene](const MemoryDeviceInstaller::Install&) {
      scene.storage.AddDisk(L"SCSI\\DISK&VEN_NEW\\1", 1);
      scene.storage.AddVolume(L"\\Device\\HarddiskVolume4", 1);
    });
    scene.Run(InstallCaller::Interactive, PlainCandidate(setup_class));
    const bool storage = setup_class == L"hdc" || setup_class == L"SCSIAdapter";
    EXPECT_EQ(storage ? 1 : 0, scene.clock.Pauses());
    EXPECT_EQ(storage ? L"1 new Partition(s) ( D: ) found." : L"Orvane Test Network Adapter",
              scene.view.text(ViewControl::SourceStatus2));
    EXPECT_EQ(storage ? L"\\device\\harddiskvolume4" : L"", scene.storage.QueryDosDevice(L"d:"));
  }
}

// --- bad input --------------------------------------------------------------

TEST(InstallCandidate, UnusableCandidatesFailClearlyAndInstallNothing) {
  struct Case {
    const char* name;
    std::function<void(CandidateRecord&)> spoil;
  };
  const std::vector<Case> cases = {
      {"no device", [](CandidateRecord& c) { c.match.instance_id = L"  "; }},
      {"no INF", [](CandidateRecord& c) { c.inf_path.clear(); }},
      {"INF not there", [](CandidateRecord& c) { c.inf_path = L"X:\\Drivers\\missing.inf"; }},
      {"INF on no drive", [](CandidateRecord& c) { c.inf_path = L"Q:\\orvtest.inf"; }},
      {"package without that subfolder", [](CandidateRecord& c) { c = PackageCandidate(); }},
      {"package without unpack folder", [](CandidateRecord& c) {
         c = PackageCandidate();
         c.unpack_folder.clear();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    CandidateRecord candidate = PlainCandidate();
    c.spoil(candidate);
    EXPECT_EQ(kCandidateUnusable, scene.Run(InstallCaller::Unattended, candidate));
    EXPECT_TRUE(scene.installer.Installs().empty());
    EXPECT_TRUE(EndsWith(scene.view.log(), L"\r\nInstallation failed"));
    EXPECT_TRUE(EndsWith(Utf8ToWide(scene.LogBytes()), L"Installation failed\r\n\r\n"));
  }
  // A record with hardly any fields: parsed, failed, nothing else.
  Scene scene;
  EXPECT_EQ(kCandidateUnusable, InstallCandidate(scene.services, scene.view, scene.Profile(), L"only a name"));
  EXPECT_EQ(kCandidateUnusable, InstallCandidate(scene.services, scene.view, scene.Profile(), L""));
}

TEST(InstallCandidate, TheInteractiveImportUnpacksIntoAFolderOfItsOwnAndDeletesOnlyThat) {
  Scene scene;
  // The user's folder under the usual name, and the folder the scan used.
  scene.WriteFile(L"X:\\orvane_dps\\keep.txt", "x");
  scene.WriteFile(L"X:\\Data\\keep.txt", "x");
  scene.archiver.on_run = [&scene](const RecordingArchiver::Call&, CancellationToken&) {
    scene.WriteFile(L"X:\\orvane_dps.1\\net\\orvtest\\orvtest.inf", TestInf());
  };
  CandidateRecord candidate = PackageCandidate();
  candidate.unpack_folder = L"X:\\Data";
  candidate.inf_path = L"X:\\Data\\net\\orvtest\\orvtest.inf";
  EXPECT_EQ(kInstallOk, scene.Run(InstallCaller::Interactive, candidate));
  EXPECT_TRUE(EndsWith(scene.archiver.calls.at(0).parameters, L"-o\"X:\\orvane_dps.1\""));
  EXPECT_EQ(L"X:\\orvane_dps.1\\net\\orvtest\\orvtest.inf", scene.installer.Installs().at(0).inf_path);
  EXPECT_FALSE(scene.files.DirectoryExists(L"X:\\orvane_dps.1"));
  EXPECT_TRUE(scene.files.FileExists(L"X:\\orvane_dps\\keep.txt"));
  EXPECT_TRUE(scene.files.FileExists(L"X:\\Data\\keep.txt"));
}

// --- the manual page's worker -----------------------------------------------

TEST(ImportSelectedCandidate, InstallsTheCandidateOfTheSelectedLine) {
  Scene scene;
  CandidateTable rows;
  CandidateRecord other = PlainCandidate();
  other.match.instance_id = L"pci\\ven_other\\1";
  rows.Add(other);
  rows.Add(PlainCandidate());
  for (int line = 0; line < 3; ++line) scene.view.AddListLine(ViewControl::DriverList, {L"line"}, ItemIcon{});
  const size_t calls = scene.view.calls().size();

  ImportSelectedCandidate(scene.services, scene.view, rows);  // nothing selected
  scene.view.Select(2);                                       // a line without a candidate
  ImportSelectedCandidate(scene.services, scene.view, rows);
  EXPECT_EQ(calls, scene.view.calls().size());
  EXPECT_TRUE(scene.installer.Installs().empty());

  scene.view.Select(1);
  ImportSelectedCandidate(scene.services, scene.view, rows);
  ASSERT_EQ(1u, scene.installer.Installs().size());
  EXPECT_EQ(kDevice, scene.installer.Installs()[0].instance_id);
  EXPECT_EQ(L"Installation successfull", scene.view.text(ViewControl::SourceStatus1));
}

}  // namespace
}  // namespace orvane
