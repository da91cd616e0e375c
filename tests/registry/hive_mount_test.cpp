#include "registry/hive_mount.h"

#include <gtest/gtest.h>

#include <string>

#include "support/installed_windows.h"

namespace orvane {
namespace {

using testing_support::AddFixtureInstallation;
using testing_support::AddInstallation;
using testing_support::kRegHeader;
using testing_support::ReadTestDataText;

bool MountPointLoaded(Registry& registry, const wchar_t* name) {
  Registry::Key key = 0;
  if (registry.OpenKey(kHkeyLocalMachine, name, kKeyRead, &key) != kRegOk) return false;
  registry.CloseKey(key);
  return true;
}

// The ten fields joined by "|".
std::wstring Fields(const InstallationProfile& p) {
  return p.windows_dir + L"|" + p.architecture + L"|" + p.version + L"|" + p.build + L"|" + p.program_files + L"|" +
         p.common_app_data + L"|" + p.computer_name + L"|" + p.language + L"|" + p.system_root + L"|" + p.software_root;
}

class HiveMountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::StartWinPe(machine);
    machine.AddDrive(L"C", kDriveFixed, L"System");
  }
  SimulatedMachine machine;
};

// Mounted, read, unmounted and mounted again; the privilege is on only
// around the loads. Then a run that ended before its unmount left both mount
// points in use: the next mount unloads each once and loads the installation
// asked for.
TEST_F(HiveMountTest, MountsUnmountsAndTakesOverMountPointsLeftInUse) {
  ASSERT_TRUE(AddFixtureInstallation(machine, L"C:\\Windows"));
  const std::wstring old_system = std::wstring(kRegHeader) +
                                  L"[HIVE\\Select]\r\n\"Current\"=dword:00000001\r\n"
                                  L"[HIVE\\ControlSet001\\Control\\ComputerName\\ComputerName]\r\n"
                                  L"\"ComputerName\"=\"OLD\"\r\n";
  ASSERT_TRUE(AddInstallation(machine, L"C:\\Old", old_system, std::wstring(kRegHeader) + L"[HIVE\\Microsoft]\r\n"));
  for (int round = 0; round < 3; ++round) {
    if (round == 2) {
      ASSERT_TRUE(machine.registry.SetPrivilege(L"SeRestorePrivilege", true));
      ASSERT_EQ(kRegOk, machine.registry.LoadHive(kSystemMountPoint, L"C:\\Old\\system32\\config\\SYSTEM"));
      ASSERT_EQ(kRegOk, machine.registry.LoadHive(kSoftwareMountPoint, L"C:\\Old\\system32\\config\\Software"));
      ASSERT_TRUE(machine.registry.SetPrivilege(L"SeRestorePrivilege", false));
    }
    InstallationProfile profile;
    ASSERT_EQ(kMountOk, MountInstallationHives(machine.registry, machine.system, L"C:\\Windows", &profile));
    EXPECT_EQ(
        L"C:\\Windows|AMD64|10.0|19045|C:\\Program Files|C:\\ProgramData|ACME-WS01|0407|"
        L"X_System\\ControlSet001|X_Software",
        Fields(profile))
        << round;
    UnmountInstallationHives(machine.registry);
    EXPECT_FALSE(MountPointLoaded(machine.registry, kSystemMountPoint)) << round;
    EXPECT_FALSE(MountPointLoaded(machine.registry, kSoftwareMountPoint)) << round;
    EXPECT_NE(kRegOk, machine.registry.LoadHive(L"Probe", L"C:\\Windows\\system32\\config\\SYSTEM")) << round;
  }
}

// The boot control set and the version as each kind of installation keeps them.
TEST_F(HiveMountTest, ControlSetAndVersionRules) {
  struct Case {
    const wchar_t* select;    // .reg lines of [HIVE\Select], or null for no Select key
    const wchar_t* versions;  // .reg lines of CurrentVersion
    const wchar_t* root_version_architecture;  // only control set 001 exists: the others lead nowhere
  };
  const Case cases[] = {
      {L"\"Current\"=dword:00000001",
       L"\"CurrentMajorVersionNumber\"=dword:0000000a\r\n"
       L"\"CurrentMinorVersionNumber\"=dword:00000000\r\n\"CurrentVersion\"=\"6.3\"",
       L"X_System\\ControlSet001|10.0|x86"},
      {L"\"Current\"=dword:0000000c", L"\"CurrentVersion\"=\"6.1\"", L"X_System\\ControlSet012|6.1|"},
      {L"\"Current\"=dword:000004d2", L"\"CurrentMajorVersionNumber\"=dword:0000000a", L"X_System\\ControlSet123|10.|"},
      {nullptr, L"\"CurrentVersion\"=\"5.1\"", L"X_System\\ControlSet000|5.1|"}};
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring dir = L"C:\\Win" + std::to_wstring(n++);
    std::wstring system = std::wstring(kRegHeader) + L"[HIVE\\ControlSet001\\Control\\Session Manager\\Environment]\r\n"
                                                     L"\"PROCESSOR_ARCHITECTURE\"=\"x86\"\r\n";
    if (c.select) system += std::wstring(L"[HIVE\\Select]\r\n") + c.select + L"\r\n";
    const std::wstring software =
        std::wstring(kRegHeader) + L"[HIVE\\Microsoft\\Windows NT\\CurrentVersion]\r\n" + c.versions + L"\r\n";
    ASSERT_TRUE(AddInstallation(machine, dir, system, software)) << dir;
    MountedInstallation mount(machine.registry, machine.system, dir);  // a failed mount has an empty profile
    const InstallationProfile& p = mount.profile();
    EXPECT_EQ(c.root_version_architecture, p.system_root + L"|" + p.version + L"|" + p.architecture) << dir;
  }
}

TEST_F(HiveMountTest, RunningSystemIsReadLiveInAnyLetterCase) {
  for (const wchar_t* dir : {L"X:\\Windows", L"x:\\WINDOWS"}) {
    MountedInstallation mount(machine.registry, machine.system, dir);
    EXPECT_FALSE(mount.loaded() || MountPointLoaded(machine.registry, kSystemMountPoint));
    EXPECT_EQ(std::wstring(dir) + L"|AMD64|10.0|19041|X:\\Program Files|||0409|System\\CurrentControlSet|Software",
              Fields(mount.profile()));
  }
}

// Half-present hives (OnlySoftware has no SYSTEM file): a status, an empty
// profile, and nothing left loaded once the mount is over. (Files the real
// registry cannot load: tests/windows/hive_mount_windows_test.cpp.)
TEST_F(HiveMountTest, FailedLoadsLeaveNothingBehind) {
  const std::wstring system = ReadTestDataText("installed_windows/system.reg");
  const std::wstring software = ReadTestDataText("installed_windows/software.reg");
  ASSERT_TRUE(AddInstallation(machine, L"C:\\OnlySystem", system, L""));
  ASSERT_TRUE(AddInstallation(machine, L"C:\\OnlySoftware", L"", software));
  const struct {
    const wchar_t* dir;
    int status;
  } cases[] = {{L"C:\\OnlySoftware", kSystemHiveFailed}, {L"C:\\OnlySystem", kSoftwareHiveFailed}};
  for (const auto& c : cases) {
    {
      MountedInstallation mount(machine.registry, machine.system, c.dir);
      EXPECT_EQ(c.status, mount.status()) << c.dir;
      EXPECT_EQ(c.status == kSoftwareHiveFailed, MountPointLoaded(machine.registry, kSystemMountPoint)) << c.dir;
      EXPECT_EQ(std::wstring(c.dir) + L"|||||||||", Fields(mount.profile()));
    }
    EXPECT_FALSE(MountPointLoaded(machine.registry, kSystemMountPoint)) << c.dir;
    EXPECT_FALSE(MountPointLoaded(machine.registry, kSoftwareMountPoint)) << c.dir;
  }
}

}  // namespace
}  // namespace orvane
