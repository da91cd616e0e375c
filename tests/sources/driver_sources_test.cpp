// The folder and package scan and the unattended run on a simulated machine:
// a WinPE 10 x64 on X: whose devices report problems, driver packs as
// folders, .zip and .7z packages made with the host's 7zz, an installed
// Windows on D:. The run's whole log view and log file are compared.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "platform/posix/posix_archiver.h"
#include "sources/driver_scan.h"
#include "sources/unattended_run.h"
#include "support/install_machine.h"
#include "support/installed_windows.h"

namespace orvane {
namespace {

const wchar_t kStore[] = L"d:\\Windows\\System32\\DriverStore\\FileRepository\\";

struct Scene : InstallMachine {
  PosixArchiver real{[this](const std::wstring& path) { return files.InnerPath(path); }};
  std::function<void(const RecordingArchiver::Call&)> before_unpack;
  CancellableFileSystem run_files{files, cancel};
  InstallServices run{registry, run_files, system,     devices,   storage,  storage, clock,
                      decompressor, components, installer, archiver, cancel,  log};
  std::atomic<uint8_t> stop{0};

  Scene() {
    LoadUiTexts(0x0409);
    // The archiver's calls are recorded, then carried out by 7zz.
    archiver.on_run = [this](const RecordingArchiver::Call& call, CancellationToken& token) {
      if (before_unpack) before_unpack(call);
      real.RunAndWait(call.file, call.parameters, call.directory, call.show_mode, token);
    };
    const std::wstring storage_id = L"PCI\\VEN_1B4B&DEV_9230\\4&0&20";
    testing_support::AddPresentDevice(*this, kTestDevice, L"ORVANE\\ORVTEST_NET");
    testing_support::AddPresentDevice(*this, storage_id, L"PCI\\VEN_1B4B&DEV_9230&SUBSYS_92301B4B");
    testing_support::AddPresentDevice(*this, L"PCI\\VEN_8086&DEV_0001\\1", L"ORVANE\\ORVTEST_NET");  // works
    devices.SetProblem(kTestDevice, 28);
    devices.SetProblem(storage_id, 28);
  }
  void Storage(const std::wstring& folder, const std::wstring& name = L"contoso_storage.inf") {
    WriteFile(folder + L"\\" + name, TestDataBytes("inf/contoso_storage.inf"));
  }
  // Packs name, as seen from the folder `from`, into package.
  void Pack(const std::wstring& package, const std::wstring& name, const std::wstring& from = L"X:\\src") {
    real.RunAndWait(L"X:\\Tools\\7z.exe", L"a -spf \"" + package + L"\" " + name, from, kShowHidden, cancel);
  }
  // A Windows 10 x64 on D:; returns its driver store's package folder.
  std::wstring InstalledWindows() {
    AddDrive(L"D", kDriveFixed, L"Data");
    WriteFile(L"D:\\Windows\\System32\\cmd.exe", "MZ");
    file_facts.SetBinaryType(L"D:\\Windows\\System32\\cmd.exe", kBinary64Bit);
    file_facts.SetFileVersion(L"D:\\Windows\\System32\\cmd.exe", FileVersion{10, 0, 19041, 1});
    return kStore;
  }
  // Every file of the machine but the log.
  std::map<std::wstring, std::string> Files() {
    auto files = Snapshot();
    files.erase(L"drive-X/Orvane.log");
    return files;
  }
};

// --- the unattended run -----------------------------------------------------

// A piece of the run's report: its text in the log view and in the log
// file, "\n" standing for "\r\n".
struct Shown {
  std::wstring window, logged;
};
Shown Folder(const std::wstring& path) {
  return {L"\n\n-------------- Folder  ---------------------\nSearchfolder: " + path,
          L"-------------- Folder  ---------------------\nFolder: " + path + L"\n"};
}
const Shown kStorePhase = {L"\n\n-------------- DriverStore ---------------------\nDriverStore: Win 10 (64 Bit)"
                           L"\nSource: d:\\Windows",
                           L"-------------- DriverStore ---------------------\n\nDriverStore: Win 10 (64 Bit)\n"
                           L"Source: d:\\Windows\n\n"};
Shown Install(const std::wstring& device, bool ok = true, bool unpacked = false) {
  return {L"\n\n Driver found ( " + device + L" )\n" + (unpacked ? L"Decompress driver..., please wait\n" : L"") +
              L"( " + device + L" ) getting installed...\nInstallation " + (ok ? L"successfull" : L"failed"),
          L"- Found - \n" + device + (ok ? L"\nsuccessfully installed\n\n" : L"\nInstallation failed\n\n")};
}
const std::wstring kNetName = L"Orvane Test Network Adapter", kStorageName = L"Contoso SATA RAID Controller \u00ae";
Shown Package(const std::wstring& name) {
  return {L"\n\nDecompress package... (" + name + L")  please wait\nUnpacking completed, searching for drivers...",
          L"decompress package...(" + name + L")\n"};
}
Shown NotFound(const std::wstring& path) { return {L"\n" + path + L" - not found.", path + L" - not found.\n"}; }
const Shown kSearched = {L"\nFinished searching.", L""};
const Shown kAll = {L"\n\nAll devices installed.", L""};
const Shown kEnd = {L"\n\nProcess finished", L"\nProcess finished\n"};

struct RunCase {
  const char* name;
  std::function<void(Scene&)> arrange;
  UnattendedRequest request;  // version, source, store ("1" for -d), class filter
  std::vector<Shown> shown;   // after the header
  int exit;
  std::vector<std::wstring> installs;  // the INF of each install, in order
};

TEST(RunUnattended, Scenarios) {
  const std::wstring deep =
      L"X:\\Drivers\\\u00dcn\u00efc\u00f8d\u00e9" + ReplaceAll(std::wstring(300, L'.'), L".", L"\\d");
  const std::vector<RunCase> cases = {
      {"-i only: a plain INF, a second one for the same device, a .7z package; the user's folder under the unpack "
       "folder's name stays",
       [](Scene& s) {
         s.AddTestDriver(L"X:\\Drivers");
         s.WriteFile(L"X:\\Drivers\\orvtest2.inf", TestDataBytes("drivers/orvtest/orvtest.inf"));
         s.Storage(L"X:\\src\\contoso", L"Contoso.INF");
         s.Pack(L"X:\\Drivers\\storage.7z", L"contoso");
         s.WriteFile(L"X:\\orvane_dps\\keep.txt", "the user's");
       },
       {L"2.0.3.2", L"%systemDRIVE%\\Drivers\\", L"", L""},
       {Folder(L"X:\\Drivers"), Install(kNetName), Package(L"storage.7z"), Install(kStorageName, true, true),
        kSearched, kAll, kEnd},
       kUnattendedAllWorking,
       {L"X:\\Drivers\\orvtest.inf", L"X:\\orvane_dps.1\\contoso\\Contoso.INF"}},
      {"-d only: the driver store of the installed Windows",
       [](Scene& s) { s.AddTestDriver(s.InstalledWindows() + L"orvtest.inf_amd64_1f2e"); },
       {L"2.0.3.2", L"", L"1", L""},
       {kStorePhase, Install(kNetName), kEnd},
       kUnattendedProblemsLeft,
       {kStore + std::wstring(L"orvtest.inf_amd64_1f2e\\orvtest.inf")}},
      {"-d serves every device: the folder phase is skipped",
       [](Scene& s) {
         s.AddTestDriver(s.InstalledWindows() + L"orvtest.inf_amd64_1f2e");
         s.Storage(kStore + std::wstring(L"cstor.inf_amd64_77aa"));
         s.AddTestDriver(L"X:\\Drivers");
       },
       {L"2.0.3.2", L"X:\\Drivers", L"1", L""},
       {kStorePhase, Install(kStorageName), Install(kNetName), kAll, kEnd},
       kUnattendedAllWorking,
       {kStore + std::wstring(L"cstor.inf_amd64_77aa\\contoso_storage.inf"),
        kStore + std::wstring(L"orvtest.inf_amd64_1f2e\\orvtest.inf")}},
      {"class filter net: the storage driver in the same folder is skipped",
       [](Scene& s) { s.Storage(L"X:\\AMD64"); s.AddTestDriver(L"X:\\AMD64"); },
       {L"2.0.3.2", L"X:\\%Archit%", L"", L",NET,"},
       {Folder(L"X:\\AMD64"), Install(kNetName), kEnd},
       kUnattendedProblemsLeft,
       {L"X:\\AMD64\\orvtest.inf"}},
      {"%ufd%: the CD/DVD drive that holds the path wins over the removable one",
       [](Scene& s) {
         s.AddDrive(L"E", kDriveRemovable, L"Stick");
         s.files.CreateDirectories(L"E:\\Drivers");
         s.AddDrive(L"F", kDriveCdRom, L"DVD");
         s.AddTestDriver(L"F:\\Drivers");
       },
       {L"2.0.3.2", L"%UFD%\\Drivers", L"", L""},
       {Folder(L"f:\\Drivers"), Install(kNetName), kEnd},
       kUnattendedProblemsLeft,
       {L"f:\\Drivers\\orvtest.inf"}},
      {"a stop during the driver-store phase: the folder phase walks nothing",
       [](Scene& s) {
         s.AddTestDriver(s.InstalledWindows() + L"orvtest.inf_amd64_1f2e");
         s.Storage(L"X:\\Drivers");
         s.installer.SetInstallHook([&s](const MemoryDeviceInstaller::Install&) { s.stop = 1; });
       },
       {L"2.0.3.2", L"X:\\Drivers", L"1", L""},
       {kStorePhase, Install(kNetName), Folder(L"X:\\Drivers"), kEnd},
       kUnattendedStopped,
       {kStore + std::wstring(L"orvtest.inf_amd64_1f2e\\orvtest.inf")}},
      {"7z.exe missing: nothing is installed, not even from a plain INF",
       [](Scene& s) { s.files.DeleteFile(L"X:\\Tools\\7z.exe"); s.AddTestDriver(L"X:\\Drivers"); },
       {L"2.0.3.2", L"X:\\Drivers", L"1", L""},
       {{L"\n\nX:\\Tools\\7z.exe not found\nProgram closed.", L"\nX:\\Tools\\7z.exe not found\nprogram exit.\n"}},
       kUnattendedNoArchiver,
       {}},
      {"bad input: a driver store that cannot be listed, a source path that is a file of another kind",
       [](Scene& s) {
         s.InstalledWindows();
         s.WriteFile(L"X:\\notes.txt", "no driver");
       },
       {L"2.0.3.2", L"X:\\notes.txt", L"1", L""},
       {kStorePhase, NotFound(L"d:\\Windows\\System32\\DriverStore"), Folder(L"X:\\notes.txt"), kEnd},
       kUnattendedProblemsLeft,
       {}},
      {"bad input: broken, corrupt, escaping and nested packages, odd INFs, a link loop, a deep non-ASCII "
       "tree, a device that goes before its install (a failed install: its texts and exit code)",
       [&deep](Scene& s) {
         s.AddTestDriver(L"X:\\src\\nic");
         s.Pack(L"X:\\Drivers\\nic-\u00fc.zip", L"nic");
         std::string zip;
         s.files.ReadFile(L"X:\\Drivers\\nic-\u00fc.zip", &zip);
         s.WriteFile(L"X:\\Drivers\\broken.zip", zip.substr(0, 40));
         s.WriteFile(L"X:\\Drivers\\corrupt.7z", "7z\xBC\xAF\x27\x1C not really");
         s.WriteFile(L"X:\\src\\evil.inf", "[Version]\r\nClass=Net\r\n");
         s.files.CreateDirectories(L"X:\\src\\deep");
         s.Pack(L"X:\\Drivers\\escape.zip", L"..\\evil.inf", L"X:\\src\\deep");  // stored as ../evil.inf
         s.Pack(L"X:\\src\\outer\\inner.zip", L"nic");
         s.Pack(L"X:\\Drivers\\nested.zip", L"outer\\inner.zip");
         s.WriteFile(L"X:\\Drivers\\empty.inf", "");
         std::string bytes;
         for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(i * 7);
         s.WriteFile(L"X:\\Drivers\\binary.inf", bytes);
         s.WriteFile(L"X:\\Drivers\\big.inf", "[Version]\r\n" + std::string(100u << 20, ';'));
         s.WriteFile(L"X:\\Drivers\\readme", "no extension");
         s.WriteFile(L"X:\\Drivers\\a.7z.txt", "another extension");
         s.Storage(deep);
         symlink("..", WideToUtf8(s.files.InnerPath(L"X:\\Drivers") + L"/loop").c_str());
         // The network adapter goes while its driver is being unpacked.
         s.before_unpack = [&s](const RecordingArchiver::Call& call) {
           if (Contains(call.parameters, L"*.*")) s.devices.RemoveDevice(kTestDevice);
         };
       },
       {L"2.0.3.2", L"X:\\Drivers", L"", L""},
       {Folder(L"X:\\Drivers"), Package(L"broken.zip"), kSearched, Package(L"corrupt.7z"), kSearched,
        Package(L"escape.zip"), kSearched, Package(L"nested.zip"), kSearched, Package(L"nic-\u00fc.zip"),
        Install(kNetName, false, true), kSearched, Install(kStorageName), kAll, kEnd},
       kUnattendedInstallFailed,
       {deep + L"\\contoso_storage.inf"}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    c.arrange(scene);
    const auto before = scene.Files();
    EXPECT_EQ(c.exit, RunUnattended(scene.run, scene.file_facts, c.request, scene.view, scene.stop));
    std::wstring window = L"\nWinPE: Win 10 (64 Bit)", logged = L"\nOrvane V.2.0.3.2\nOrvane driver installer for "
                                                                  L"WinPE\nDate: Day:6 Month:12 Year:2026\n\nWinPE: "
                                                                  L"Win 10 (64 Bit)\n\n";
    for (const Shown& piece : c.shown) {
      window += piece.window;
      logged += piece.logged;
    }
    EXPECT_EQ(ReplaceAll(window, L"\n", L"\r\n"), scene.view.log());
    EXPECT_EQ(WideToUtf8(ReplaceAll(logged, L"\n", L"\r\n")), scene.LogBytes());
    EXPECT_EQ(c.installs, scene.InstalledInfs());
    // Nothing written outside the run's own folders (all gone again), nothing
    // of the user's deleted.
    EXPECT_EQ(before, scene.Files());
  }
}

// --- the interactive scan -----------------------------------------------------

TEST(ScanDriverPath, ListsTheCandidatesAndAStoppedWalkKeepsThoseFoundSoFar) {
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped" : "whole walk");
    Scene scene;
    scene.Storage(L"X:\\Drivers");
    scene.AddTestDriver(L"X:\\src\\net");
    scene.WriteFile(L"X:\\src\\net\\display.inf",
                    "[Version]\r\nClass=Display\r\n[Manufacturer]\r\nA=M\r\n[M]\r\nVga=V,ORVANE\\ORVTEST_NET\r\n");
    scene.Pack(L"X:\\Drivers\\nic.zip", L"net");
    scene.Storage(L"X:\\Drivers\\z");
    if (stopped) scene.before_unpack = [&scene](const RecordingArchiver::Call&) { scene.stop = 1; };
    CandidateTable rows;
    ScanDriverPath(scene.run, scene.view, L"X:\\Drivers\\", rows, scene.stop);

    std::wstring lines;  // the columns name, provider, version, date; the icon's class
    for (const auto& line : scene.view.list()) {
      for (const std::wstring& column : line.columns) lines += column + L"|";
      lines += line.icon.class_name + L"\n";
    }
    const std::wstring storage = kStorageName + L"|Contoso Ltd.|9.1.0.1009|03/02/2019|SCSIAdapter\n",
                       net = kNetName + L"|Orvane Test|1.2.3.4|05/14/2024|Net\n";
    // The network driver serves the adapter with a problem and the working one.
    EXPECT_EQ(stopped ? storage : storage + net + net + storage, lines);
    EXPECT_EQ(stopped ? L"1 Driver found." : L"4 Driver found.", scene.view.text(ViewControl::SourceStatus1));
    EXPECT_EQ(L"Refresh", scene.view.text(ViewControl::SourceRefresh));
    EXPECT_EQ(L"X:\\Drivers\\contoso_storage.inf", scene.view.text(ViewControl::DriverInfValue));
    const CandidateRecord packed = rows.ForLine(stopped ? 0 : 1).value();
    EXPECT_EQ(stopped ? L"|||X:\\Drivers\\contoso_storage.inf"
                      : L"X:\\Drivers\\nic.zip|X:\\orvane_dps|net\\|X:\\orvane_dps\\net\\orvtest.inf",
              packed.package_path + L"|" + packed.unpack_folder + L"|" + packed.subfolder + L"|" + packed.inf_path);
    EXPECT_FALSE(scene.files.DirectoryExists(L"X:\\orvane_dps"));
  }

  // Without the archiver the scan does not start.
  Scene scene;
  scene.files.WriteFile(L"X:\\Tools\\7z.exe", "short");
  CandidateTable rows;
  ScanDriverPath(scene.run, scene.view, L"X:\\Drivers", rows, scene.stop);
  EXPECT_EQ((std::vector<std::wstring>{L"SetText SourceStatus1=X:\\Tools\\7z.exe  - not found.",
                                       L"Disable ImportSelected"}),
            scene.view.calls());
}

}  // namespace
}  // namespace orvane
#endif
