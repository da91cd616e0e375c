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

const wchar_t kNet[] = L"PCI\\VEN_8086&DEV_15B8\\3&0&FE";
const wchar_t kStorage[] = L"PCI\\VEN_1B4B&DEV_9230\\4&0&20";
const wchar_t kStore[] = L"d:\\Windows\\System32\\DriverStore\\FileRepository\\";
const wchar_t kNetFiles[][12] = {L"orvtest.inf", L"orvtest.sys", L"orvtest.dll", L"orvdata.cab"};

std::string DataFile(const std::string& name) {
  std::string bytes;
  MakeHostFileSystem()->ReadFile(Utf8ToWide(ORVANE_TEST_DATA_DIR "/" + name), &bytes);
  return bytes;
}

// Text with "\n" for every "\r\n" of the view or the file.
std::wstring Crlf(const std::wstring& text) { return ReplaceAll(text, L"\n", L"\r\n"); }

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
    testing_support::AddPresentDevice(*this, kNet, L"ORVANE\\ORVTEST_NET");
    testing_support::AddPresentDevice(*this, kStorage, L"PCI\\VEN_1B4B&DEV_9230&SUBSYS_92301B4B");
    testing_support::AddPresentDevice(*this, L"PCI\\VEN_8086&DEV_0001\\1", L"ORVANE\\ORVTEST_NET");  // works
    devices.SetProblem(kNet, 28);
    devices.SetProblem(kStorage, 28);
  }
  void Net(const std::wstring& folder) {
    for (const wchar_t* name : kNetFiles) WriteFile(folder + L"\\" + name, DataFile("drivers/orvtest/" + WideToUtf8(name)));
  }
  void Storage(const std::wstring& folder, const std::wstring& name = L"contoso_storage.inf") {
    WriteFile(folder + L"\\" + name, DataFile("inf/contoso_storage.inf"));
  }
  // Packs name, as seen from the folder `from`, into package.
  void Pack(const std::wstring& package, const std::wstring& name, const std::wstring& from = L"X:\\src") {
    real.RunAndWait(L"X:\\Tools\\7z.exe", L"a -spf \"" + package + L"\" " + name, from, kShowHidden, cancel);
  }
  void InstalledWindows() {
    AddDrive(L"D", kDriveFixed, L"Data");
    WriteFile(L"D:\\Windows\\System32\\cmd.exe", "MZ");
    file_facts.SetBinaryType(L"D:\\Windows\\System32\\cmd.exe", kBinary64Bit);
    file_facts.SetFileVersion(L"D:\\Windows\\System32\\cmd.exe", FileVersion{10, 0, 19041, 1});
  }
  // Every file of the scratch area with its size.
  std::map<std::wstring, int64_t> Snapshot(const std::wstring& folder = L"") {
    std::map<std::wstring, int64_t> found;
    std::vector<DirEntry> entries;
    scratch.files().ListDirectory(folder.empty() ? scratch.path() : folder, &entries);
    for (const DirEntry& entry : entries) {
      const std::wstring path = (folder.empty() ? scratch.path() : folder) + L"/" + entry.name;
      if (entry.is_directory && !entry.is_link) {
        for (const auto& inner : Snapshot(path)) found.insert(inner);
      } else if (entry.name != L"Orvane.log") {
        found[path.substr(scratch.path().size())] = static_cast<int64_t>(entry.size);
      }
    }
    return found;
  }
};

// --- the unattended run -----------------------------------------------------

const wchar_t kWindowHead[] = L"\nWinPE: Win 10 (64 Bit)";
const wchar_t kLogHead[] = L"\nOrvane V.2.0.3.2\nOrvane driver installer for WinPE\nDate: Day:6 Month:12 Year:2026\n"
                           L"\nWinPE: Win 10 (64 Bit)\n\n";
const wchar_t kNetInstalled[] = L"\n\n Driver found ( Orvane Test Network Adapter )\n"
                                L"( Orvane Test Network Adapter ) getting installed...\nInstallation successfull";
const wchar_t kNetLogged[] = L"- Found - \nOrvane Test Network Adapter\nsuccessfully installed\n\n";
const wchar_t kStorageInstalled[] = L"\n\n Driver found ( Contoso SATA RAID Controller \u00ae )\n"
                                    L"( Contoso SATA RAID Controller \u00ae ) getting installed...\n"
                                    L"Installation successfull";
const wchar_t kStorageLogged[] = L"- Found - \nContoso SATA RAID Controller \u00ae\nsuccessfully installed\n\n";
const wchar_t kStoreHead[] = L"\n\n-------------- DriverStore ---------------------\nDriverStore: Win 10 (64 Bit)"
                             L"\nSource: d:\\Windows";
const wchar_t kStoreLogged[] = L"-------------- DriverStore ---------------------\n\nDriverStore: Win 10 (64 Bit)\n"
                               L"Source: d:\\Windows\n\n";

struct RunCase {
  const char* name;
  std::function<void(Scene&)> arrange;
  UnattendedRequest request;  // version, source, store, filter
  std::wstring window;        // after the head
  std::wstring logged;        // after the head
  int exit;
  std::vector<std::wstring> installs;  // INF installed per install, in order
};

TEST(RunUnattended, Scenarios) {
  const std::wstring folder_head = L"\n\n-------------- Folder  ---------------------\nSearchfolder: ";
  const std::wstring folder_logged = L"-------------- Folder  ---------------------\nFolder: ";
  const std::wstring end = L"\n\nProcess finished", logged_end = L"\nProcess finished\n";
  const std::wstring all = L"\n\nAll devices installed.";
  const std::wstring package = L"\n\nDecompress package... (storage.7z)  please wait\n"
                               L"Unpacking completed, searching for drivers...";
  const std::vector<RunCase> cases = {
      {"-i only: a plain INF and a .7z package; a folder of the user's under the unpack folder's name stays",
       [](Scene& s) {
         s.Net(L"X:\\Drivers");
         s.Storage(L"X:\\src\\contoso", L"Contoso.INF");
         s.Pack(L"X:\\Drivers\\storage.7z", L"contoso");
         s.WriteFile(L"X:\\orvane_dps\\keep.txt", "the user's");
       },
       {L"2.0.3.2", L"X:\\Drivers\\", L"", L""},
       folder_head + L"X:\\Drivers" + kNetInstalled + package +
           ReplaceAll(kStorageInstalled, L"\n( Contoso", L"\nDecompress driver..., please wait\n( Contoso") +
           L"\nFinished searching." +
           all + end,
       folder_logged + L"X:\\Drivers\n" + kNetLogged + L"decompress package...(storage.7z)\n" + kStorageLogged +
           logged_end,
       kUnattendedAllWorking,
       {L"X:\\Drivers\\orvtest.inf", L"X:\\orvane_dps.1\\contoso\\Contoso.INF"}},
      {"-d only: the driver store of the installed Windows",
       [](Scene& s) {
         s.InstalledWindows();
         s.Net(kStore + std::wstring(L"orvtest.inf_amd64_1f2e"));
       },
       {L"2.0.3.2", L"", L"1", L""},
       kStoreHead + std::wstring(kNetInstalled) + end,
       kStoreLogged + std::wstring(kNetLogged) + logged_end,
       kUnattendedProblemsLeft,
       {kStore + std::wstring(L"orvtest.inf_amd64_1f2e\\orvtest.inf")}},
      {"-d serves every device: the folder phase is skipped",
       [](Scene& s) {
         s.InstalledWindows();
         s.Net(kStore + std::wstring(L"orvtest.inf_amd64_1f2e"));
         s.Storage(kStore + std::wstring(L"contoso_storage.inf_amd64_77aa"));
         s.Net(L"X:\\Drivers");
       },
       {L"2.0.3.2", L"X:\\Drivers", L"1", L""},
       kStoreHead + std::wstring(kStorageInstalled) + kNetInstalled + all + end,
       kStoreLogged + std::wstring(kStorageLogged) + kNetLogged + logged_end,
       kUnattendedAllWorking,
       {kStore + std::wstring(L"contoso_storage.inf_amd64_77aa\\contoso_storage.inf"),
        kStore + std::wstring(L"orvtest.inf_amd64_1f2e\\orvtest.inf")}},
      {"class filter net: the storage driver in the same folder is skipped",
       [](Scene& s) {
         s.Storage(L"X:\\Drivers");
         s.Net(L"X:\\Drivers");
       },
       {L"2.0.3.2", L"X:\\Drivers", L"", L",NET,"},
       folder_head + L"X:\\Drivers" + kNetInstalled + end,
       folder_logged + L"X:\\Drivers\n" + kNetLogged + logged_end,
       kUnattendedProblemsLeft,
       {L"X:\\Drivers\\orvtest.inf"}},
      {"%ufd%: the CD/DVD drive that holds the path wins over the removable one",
       [](Scene& s) {
         s.AddDrive(L"E", kDriveRemovable, L"Stick");
         s.files.CreateDirectories(L"E:\\Drivers");
         s.AddDrive(L"F", kDriveCdRom, L"DVD");
         s.Net(L"F:\\Drivers");
       },
       {L"2.0.3.2", L"%UFD%\\Drivers", L"", L""},
       folder_head + L"f:\\Drivers" + kNetInstalled + end,
       folder_logged + L"f:\\Drivers\n" + kNetLogged + logged_end,
       kUnattendedProblemsLeft,
       {L"f:\\Drivers\\orvtest.inf"}},
      {"a stop during the driver-store phase: the folder phase walks nothing",
       [](Scene& s) {
         s.InstalledWindows();
         s.Net(kStore + std::wstring(L"orvtest.inf_amd64_1f2e"));
         s.Storage(L"X:\\Drivers");
         s.installer.SetInstallHook([&s](const MemoryDeviceInstaller::Install&) { s.stop = 1; });
       },
       {L"2.0.3.2", L"X:\\Drivers", L"1", L""},
       kStoreHead + std::wstring(kNetInstalled) + folder_head + L"X:\\Drivers" + end,
       kStoreLogged + std::wstring(kNetLogged) + folder_logged + L"X:\\Drivers\n" + logged_end,
       kUnattendedStopped,
       {kStore + std::wstring(L"orvtest.inf_amd64_1f2e\\orvtest.inf")}},
      {"7z.exe missing: nothing is installed, not even from a plain INF",
       [](Scene& s) {
         s.files.DeleteFile(L"X:\\Tools\\7z.exe");
         s.Net(L"X:\\Drivers");
       },
       {L"2.0.3.2", L"X:\\Drivers", L"1", L""},
       L"\n\nX:\\Tools\\7z.exe not found\nProgram closed.",
       L"\nX:\\Tools\\7z.exe not found\nprogram exit.\n",
       kUnattendedNoArchiver,
       {}},
      {"an install that fails",
       [](Scene& s) {
         s.Net(L"X:\\Drivers");
         s.installer.KeepProblem(true);
       },
       {L"2.0.3.2", L"X:\\Drivers", L"", L""},
       folder_head + L"X:\\Drivers" + ReplaceAll(kNetInstalled, L"successfull", L"failed") + end,
       folder_logged + L"X:\\Drivers\n" + ReplaceAll(kNetLogged, L"successfully installed", L"Installation failed") +
           logged_end,
       kUnattendedInstallFailed,
       {L"X:\\Drivers\\orvtest.inf"}},
      {"a device is served by the first of two matching INFs",
       [](Scene& s) {
         s.Net(L"X:\\Drivers");
         s.Net(L"X:\\Drivers\\again");
       },
       {L"2.0.3.2", L"X:\\Drivers", L"", L""},
       folder_head + L"X:\\Drivers" + kNetInstalled + end,
       folder_logged + L"X:\\Drivers\n" + kNetLogged + logged_end,
       kUnattendedProblemsLeft,
       {L"X:\\Drivers\\orvtest.inf"}},
      {"bad input: broken, corrupt, escaping and nested packages, odd INFs, a link loop, a deep non-ASCII "
       "tree, a device that goes before its install",
       [](Scene& s) {
         s.Net(L"X:\\src\\nic");
         s.Pack(L"X:\\Drivers\\nic-\u00fc.zip", L"nic");
         std::string zip;
         s.files.ReadFile(L"X:\\Drivers\\nic-\u00fc.zip", &zip);
         s.WriteFile(L"X:\\Drivers\\broken.zip", zip.substr(0, 40));
         s.WriteFile(L"X:\\Drivers\\corrupt.7z", "7z\xBC\xAF\x27\x1C not really");
         s.WriteFile(L"X:\\src\\evil.inf", "[Version]\r\nClass=Net\r\n");
         s.files.CreateDirectories(L"X:\\src\\deep");
         s.Pack(L"X:\\Drivers\\escape.zip", L"..\\evil.inf", L"X:\\src\\deep");
         s.Net(L"X:\\src\\inner");
         s.Pack(L"X:\\src\\outer\\inner.zip", L"inner");
         s.Pack(L"X:\\Drivers\\nested.zip", L"outer\\inner.zip");
         s.WriteFile(L"X:\\Drivers\\empty.inf", "");
         std::string binary;
         for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 7);
         s.WriteFile(L"X:\\Drivers\\binary.inf", binary);
         s.WriteFile(L"X:\\Drivers\\readme", "no extension");
         s.WriteFile(L"X:\\Drivers\\a.7z.txt", "another extension");
         std::wstring deep = L"X:\\Drivers\\\u00dcn\u00efc\u00f8d\u00e9";
         for (int i = 0; i < 300; ++i) deep += L"\\d";
         s.Storage(deep);
         symlink("..", WideToUtf8(s.files.InnerPath(L"X:\\Drivers") + L"/loop").c_str());
         // The network adapter goes while its driver is being unpacked.
         s.before_unpack = [&s](const RecordingArchiver::Call& call) {
           if (Contains(call.parameters, L"*.*")) s.devices.RemoveDevice(kNet);
         };
       },
       {L"2.0.3.2", L"X:\\Drivers", L"", L""},
       folder_head + L"X:\\Drivers" + L"\n\nDecompress package... (broken.zip)  please wait\n"
           L"Unpacking completed, searching for drivers...\nFinished searching.\n\n"
           L"Decompress package... (corrupt.7z)  please wait\n"
           L"Unpacking completed, searching for drivers...\nFinished searching.\n\n"
           L"Decompress package... (escape.zip)  please wait\n"
           L"Unpacking completed, searching for drivers...\nFinished searching.\n\n"
           L"Decompress package... (nested.zip)  please wait\n"
           L"Unpacking completed, searching for drivers...\nFinished searching.\n\n"
           L"Decompress package... (nic-\u00fc.zip)  please wait\nUnpacking completed, searching for drivers..." +
           ReplaceAll(ReplaceAll(kNetInstalled, L"\n( Orvane", L"\nDecompress driver..., please wait\n( Orvane"),
                      L"successfull", L"failed") +
           L"\nFinished searching." + kStorageInstalled + all + end,
       folder_logged + L"X:\\Drivers\ndecompress package...(broken.zip)\ndecompress package...(corrupt.7z)\n"
           L"decompress package...(escape.zip)\ndecompress package...(nested.zip)\n"
           L"decompress package...(nic-\u00fc.zip)\n" +
           ReplaceAll(kNetLogged, L"successfully installed", L"Installation failed") + kStorageLogged + logged_end,
       kUnattendedInstallFailed,
       {L"X:\\Drivers\\\u00dcn\u00efc\u00f8d\u00e9" + ReplaceAll(std::wstring(300, L'.'), L".", L"\\d") +
        L"\\contoso_storage.inf"}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    c.arrange(scene);
    const auto before = scene.Snapshot();
    EXPECT_EQ(c.exit, RunUnattended(scene.run, scene.file_facts, c.request, scene.view, scene.stop));
    EXPECT_EQ(Crlf(kWindowHead + c.window), scene.view.log());
    EXPECT_EQ(WideToUtf8(Crlf(kLogHead + c.logged)), scene.LogBytes());
    std::vector<std::wstring> installs;
    for (const auto& install : scene.installer.Installs()) installs.push_back(install.inf_path);
    EXPECT_EQ(c.installs, installs);
    // Nothing written outside the run's own folders (all gone again), nothing
    // of the user's deleted; the device list was read after a rescan.
    EXPECT_EQ(before, scene.Snapshot());
    EXPECT_EQ(c.exit == kUnattendedNoArchiver ? 0 : 1, scene.devices.ReenumerateCount());
  }
}

TEST(RunUnattended, AHundredMegabyteInfIsMatchedLikeAnyOther) {
  Scene scene;
  std::string inf = DataFile("drivers/orvtest/orvtest.inf");
  const std::string padding(98, ';');
  inf.reserve(100u << 20);
  while (inf.size() < (100u << 20)) inf += padding + "\r\n";
  scene.WriteFile(L"X:\\Drivers\\big.inf", inf);
  EXPECT_EQ(kUnattendedProblemsLeft,
            RunUnattended(scene.run, scene.file_facts, {L"2.0.3.2", L"X:\\Drivers", L"", L""}, scene.view, scene.stop));
  EXPECT_EQ(1u, scene.installer.Installs().size());
}

TEST(RunUnattended, PlaceholdersOfTheDriverPath) {
  Scene scene;
  scene.AddDrive(L"E", kDriveRemovable);
  scene.files.CreateDirectories(L"E:\\Drivers");
  scene.AddDrive(L"F", kDriveCdRom);  // holds no Drivers folder
  const SystemProfile running = scene.Profile();
  const struct {
    const wchar_t* given;
    const wchar_t* expanded;
  } cases[] = {
      {L"%systemDRIVE%\\Drivers\\%archit%\\", L"X:\\Drivers\\AMD64"},
      {L"%Ufd%\\Drivers", L"e:\\Drivers"},
      {L"%ufd%\\Other", L"X:\\Other"},
      {L"X:\\%ufd%\\Drivers", L"X:\\%ufd%\\Drivers"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expanded, ExpandDriverSource(c.given, running, scene.storage, scene.files)) << c.given;
  }
}

// --- the interactive scan -----------------------------------------------------

TEST(ScanDriverPath, ListsTheCandidatesAndAStoppedWalkKeepsThoseFoundSoFar) {
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped" : "whole walk");
    Scene scene;
    scene.Storage(L"X:\\Drivers");
    scene.Net(L"X:\\src\\net");
    scene.WriteFile(L"X:\\src\\net\\display.inf",
                    "[Version]\r\nClass=Display\r\n[Manufacturer]\r\nA=M\r\n[M]\r\nVga=V,ORVANE\\ORVTEST_NET\r\n");
    scene.Pack(L"X:\\Drivers\\nic.zip", L"net");
    scene.Storage(L"X:\\Drivers\\z");
    if (stopped) scene.before_unpack = [&scene](const RecordingArchiver::Call&) { scene.stop = 1; };
    CandidateTable rows;
    ScanDriverPath(scene.run, scene.view, L"X:\\Drivers\\", rows, scene.stop);

    std::vector<std::wstring> lines;
    for (const auto& line : scene.view.list()) lines.push_back(line.columns[0] + L"|" + line.icon.class_name);
    std::vector<std::wstring> expected = {L"Contoso SATA RAID Controller \u00ae|SCSIAdapter"};
    if (!stopped) {
      expected.push_back(L"Orvane Test Network Adapter|Net");  // twice: the working adapter too
      expected.push_back(L"Orvane Test Network Adapter|Net");
      expected.push_back(expected[0]);
    }
    EXPECT_EQ(expected, lines);
    EXPECT_EQ(expected.size(), rows.Count());
    EXPECT_EQ(DecimalText(static_cast<int64_t>(expected.size())) + L" Driver found.",
              scene.view.text(ViewControl::SourceStatus1));
    EXPECT_EQ(L"Refresh", scene.view.text(ViewControl::SourceRefresh));
    EXPECT_EQ(L"X:\\Drivers\\contoso_storage.inf", scene.view.text(ViewControl::DriverInfValue));
    if (!stopped) {
      const CandidateRecord packed = *rows.ForLine(1);
      EXPECT_EQ(L"X:\\Drivers\\nic.zip|X:\\orvane_dps|net\\|X:\\orvane_dps\\net\\orvtest.inf",
                packed.package_path + L"|" + packed.unpack_folder + L"|" + packed.subfolder + L"|" + packed.inf_path);
    }
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
