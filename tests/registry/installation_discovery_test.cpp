#include "registry/installation_discovery.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/installed_windows.h"
#include "support/recording_view.h"

namespace orvane {
namespace {

using testing_support::DiscoveryOf;

const char kHiveBytes[] = "regf";

// WinPE with the fixed drives C: ("System") and D: ("Data").
void Start(SimulatedMachine& machine) {
  testing_support::StartWinPe(machine);
  machine.AddDrive(L"C", kDriveFixed, L"System");
  machine.AddDrive(L"D", kDriveFixed, L"Data");
}

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(machine); }

  // A folder that counts as an installation: system32\config\system with bytes.
  void AddWindowsFolder(const std::wstring& dir, const std::string& hive = kHiveBytes) {
    ASSERT_TRUE(machine.WriteFile(dir + L"\\System32\\Config\\SYSTEM", hive));
  }
  std::wstring ListText() { return InstallationListText(ListInstallations(DiscoveryOf(machine))); }

  SimulatedMachine machine;
};

// Fixed drives only, folders only, hives with bytes only, never the
// environment's own drive in a preinstallation environment; drive order,
// then the drive's listing order.
TEST_F(DiscoveryTest, ListsInstallationsOnFixedDrivesOnly) {
  AddWindowsFolder(L"C:\\Windows");
  AddWindowsFolder(L"C:\\Win10");
  AddWindowsFolder(L"C:\\Empty", "");                                       // hive of 0 bytes
  ASSERT_TRUE(machine.WriteFile(L"C:\\Data\\system32\\config\\other", "x"));  // no hive
  ASSERT_TRUE(machine.WriteFile(L"C:\\system32\\config\\system", "x"));       // below the root itself
  AddWindowsFolder(L"D:\\Windows");
  AddWindowsFolder(L"X:\\Windows");  // the environment's drive
  // A volume whose information cannot be read shows no label.
  machine.files.MapDrive(L"I", machine.scratch / L"drive-I");
  machine.storage.AddDrive(L"I", kDriveFixed, L"Hidden", false);
  AddWindowsFolder(L"I:\\Windows");
  for (const auto& drive : {std::make_pair(L"E", kDriveRemovable), std::make_pair(L"F", kDriveRemote),
                            std::make_pair(L"G", kDriveCdRom), std::make_pair(L"H", kDriveRamDisk)}) {
    machine.AddDrive(drive.first, drive.second, L"Other");
    AddWindowsFolder(std::wstring(drive.first) + L":\\Windows");
  }

  std::wstring expected;
  std::vector<DirEntry> root;
  ASSERT_TRUE(machine.files.ListDirectory(L"C:\\", &root));
  for (const DirEntry& entry : root) {
    if (entry.name == L"Windows" || entry.name == L"Win10") expected += L"C:\\" + entry.name + L" - (System)|";
  }
  expected += L"D:\\Windows - (Data)|I:\\Windows - ()|";
  EXPECT_EQ(expected, ListText());
  EXPECT_EQ(0, machine.file_facts.RedirectionDepth());

  // The environment's drive is left out only in a preinstallation environment.
  const std::pair<const wchar_t*, bool> options[] = {
      {L" MININT  NOEXECUTE=OPTOUT", true}, {L"minint", true}, {L"/MiNiNt", true},
      {L" NOEXECUTE=OPTOUT", false},        {L"", false},
  };
  for (const auto& [text, skipped] : options) {
    WriteRegValue(machine.registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions", kRegSz,
                  text);
    EXPECT_EQ(expected + (skipped ? L"" : L"X:\\Windows - (Boot)|"), ListText()) << text;
  }
  // The drive letter of "Windir" counts in any letter case.
  WriteRegValue(machine.registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions", kRegSz,
                L"MININT");
  machine.system.SetEnvironment(L"windir", L"x:\\windows");
  EXPECT_EQ(expected, ListText());
}

// No installation: page 4; one: its scan starts; more: the choice on page 5.
TEST_F(DiscoveryTest, ShowsThePageForTheNumberFound) {
  std::vector<std::wstring> started;
  const std::pair<const wchar_t*, const wchar_t*> steps[] = {
      {L"", L"4:"}, {L"C:\\Windows", L"2:"}, {L"D:\\Win10", L"5:C:\\Windows - (System)|D:\\Win10 - (Data)|"}};
  for (const auto& [dir, shown] : steps) {
    if (*dir) AddWindowsFolder(dir);
    RecordingView view;
    FindInstallations(DiscoveryOf(machine), view, [&](const std::wstring& found) {
      started.push_back(found);
      return true;
    });
    std::wstring lines;
    for (const auto& line : view.list(ViewControl::WindowsChoice)) lines += line.columns.at(0) + L"|";
    EXPECT_EQ(shown, std::to_wstring(view.page()) + L":" + lines);
  }
  EXPECT_EQ(std::vector<std::wstring>{L"C:\\Windows"}, started);
  EXPECT_EQ(L"D:\\Win10", WindowsDirOfEntry(L"D:\\Win10 - (Data)"));
}

// The edges of the build thresholds, and builds that are no number.
TEST(VersionFromBuildTest, LastThresholdReachedWins) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"2194", L""},       {L"2195", L"5.0"}, {L"3790", L"5.2"},  {L"7601", L"6.1"},
      {L"9599", L"6.2"},    {L"9600", L"6.3"}, {L"10239", L"6.3"}, {L"10240", L"10.0"},
      {L" 19045", L"10.0"}, {L"abc", L""},     {L"-7601", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, VersionFromBuild(c.first)) << c.first;
}

// The unattended run's choice: the running system's architecture decides
// which installations count; among them the running system's version with a
// driver store wins, else the first found. (The version is the build of
// cmd.exe's version resource.)
TEST_F(DiscoveryTest, CommandTargetFollowsArchitectureVersionAndDriverStore) {
  const FileVersion win7{6, 1, 7601, 17514};
  const FileVersion win10{10, 0, 19041, 1};
  struct Folder {
    const wchar_t* dir;
    uint32_t type;
    const FileVersion* version;
    bool driver_store;
    const char* bytes = "MZ";
  };
  struct Case {
    const char* name;
    std::vector<Folder> folders;
    const wchar_t* expected;  // Windows folder chosen (drive as listed: lower case), "" for none
    const wchar_t* display_name;
  };
  const std::vector<Case> cases = {
      {"only 32-bit", {{L"C:\\Windows", kBinary32Bit, &win10, true}}, L"", L""},
      {"10.0 with store wins", {{L"C:\\Win7", kBinary64Bit, &win7, true}, {L"D:\\Windows", kBinary64Bit, &win10, true}},
       L"d:\\Windows", L"Win 10"},
      {"no store: first found", {{L"C:\\Win7", kBinary64Bit, &win7, true}, {L"D:\\Windows", kBinary64Bit, &win10, false}},
       L"c:\\Win7", L"Win 7"},
      {"no version resource", {{L"C:\\Windows", kBinary64Bit, nullptr, true}}, L"c:\\Windows", L"unknown"},
      {"environment drive", {{L"X:\\Windows", kBinary64Bit, &win10, true}}, L"", L""},
      {"empty cmd.exe", {{L"C:\\Windows", kBinary64Bit, &win10, true, ""}}, L"", L""},
      {"32-bit skipped", {{L"C:\\Old", kBinary32Bit, &win10, true}, {L"D:\\Windows", kBinary64Bit, &win7, false}},
       L"d:\\Windows", L"Win 7"},
  };
  for (const Case& c : cases) {
    SimulatedMachine fresh;
    Start(fresh);
    for (const Folder& folder : c.folders) {
      const std::wstring cmd = std::wstring(folder.dir) + L"\\System32\\cmd.exe";
      ASSERT_TRUE(fresh.WriteFile(cmd, folder.bytes));
      fresh.file_facts.SetBinaryType(cmd, folder.type);
      if (folder.version) fresh.file_facts.SetFileVersion(cmd, *folder.version);
      if (folder.driver_store) fresh.files.CreateDirectories(std::wstring(folder.dir) + L"\\System32\\DriverStore");
    }
    const CommandTarget target =
        SelectCommandTarget(DiscoveryOf(fresh), ReadRunningProfile(fresh.registry, fresh.system));
    const std::wstring dir = c.expected;
    EXPECT_EQ(
        dir + L"|" +
            (dir.empty() ? L""
                         : std::wstring(c.display_name) + L"\n64 Bit\n" + dir + L"\\System32\\DriverStore\n" + dir),
        target.windows_dir + L"|" + CommandTargetText(target))
        << c.name;
  }
}

}  // namespace
}  // namespace orvane
