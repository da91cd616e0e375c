// Hive mounting against the real registry: hive files written by the
// platform from a key tree the test builds, loaded, read, unloaded and
// loaded again, with the restore privilege switched for real.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/windows/windows_registry.h"
#include "platform/windows/windows_system_info.h"
#include "registry/hive_mount.h"
#include "registry/registry_access.h"
#include "support/scratch_folder.h"

namespace orvane {
namespace {

const wchar_t kTreeRoot[] = L"Software\\OrvaneHiveTest";

bool MountPointLoaded(const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Writes the key tree below HKCU\<kTreeRoot>\<name> into a hive file and
// removes the tree again.
bool SaveHive(WindowsRegistry& registry, const std::wstring& name, const std::wstring& file) {
  HKEY key = nullptr;
  const std::wstring path = std::wstring(kTreeRoot) + L"\\" + name;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DeleteFileW(file.c_str());
  registry.SetPrivilege(L"SeBackupPrivilege", true);
  const LONG saved = RegSaveKeyW(key, file.c_str(), nullptr);
  registry.SetPrivilege(L"SeBackupPrivilege", false);
  RegCloseKey(key);
  return saved == ERROR_SUCCESS;
}

class HiveMountWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_dir = scratch / L"Windows";
    ASSERT_TRUE(scratch.files().CreateDirectories(windows_dir + L"\\system32\\config"));
    const std::wstring system = std::wstring(kTreeRoot) + L"\\SYSTEM";
    const std::wstring software = std::wstring(kTreeRoot) + L"\\SOFTWARE";
    const struct {
      const std::wstring& hive;
      const wchar_t* key;
      const wchar_t* name;
      int32_t type;
      const wchar_t* data;
    } values[] = {
        {system, L"Select", L"Current", kRegDword, L"2"},
        {system, L"ControlSet002\\Control\\Session Manager\\Environment", L"PROCESSOR_ARCHITECTURE", kRegSz, L"AMD64"},
        {system, L"ControlSet002\\Control\\ComputerName\\ComputerName", L"ComputerName", kRegSz, L"HIVE-TEST"},
        {system, L"ControlSet002\\Control\\Nls\\Language", L"Default", kRegSz, L"0407"},
        {software, L"Microsoft\\Windows NT\\CurrentVersion", L"CurrentMajorVersionNumber", kRegDword, L"10"},
        {software, L"Microsoft\\Windows NT\\CurrentVersion", L"CurrentMinorVersionNumber", kRegDword, L"0"},
        {software, L"Microsoft\\Windows NT\\CurrentVersion", L"CurrentBuild", kRegSz, L"19045"},
        {software, L"Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", kRegSz, L"C:\\Program Files"},
        {software, L"Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", L"Common AppData", kRegSz,
         L"C:\\ProgramData"},
    };
    for (const auto& value : values) {
      ASSERT_EQ(0, WriteRegValue(registry, L"hkcu", value.hive + L"\\" + value.key, value.name, value.type, value.data));
    }
    ASSERT_TRUE(SaveHive(registry, L"SYSTEM", windows_dir + kSystemHiveFile));
    ASSERT_TRUE(SaveHive(registry, L"SOFTWARE", windows_dir + kSoftwareHiveFile));
    registry.DeleteTree(kHkeyCurrentUser, kTreeRoot);
  }
  void TearDown() override {
    UnmountInstallationHives(registry);
    registry.DeleteTree(kHkeyCurrentUser, kTreeRoot);
  }

  WindowsRegistry registry;
  WindowsSystemInfo system;
  ScratchFolder scratch;
  std::wstring windows_dir;
};

TEST_F(HiveMountWindowsTest, MountsReadsUnmountsAndMountsAgain) {
  for (int round = 0; round < 2; ++round) {
    InstallationProfile profile;
    ASSERT_EQ(kMountOk, MountInstallationHives(registry, system, windows_dir, &profile)) << round;
    EXPECT_TRUE(MountPointLoaded(kSystemMountPoint));
    EXPECT_TRUE(MountPointLoaded(kSoftwareMountPoint));
    EXPECT_EQ(L"AMD64", profile.architecture);
    EXPECT_EQ(L"10.0", profile.version);
    EXPECT_EQ(L"C:\\ProgramData", profile.common_app_data);
    EXPECT_EQ(L"HIVE-TEST", profile.computer_name);
    EXPECT_EQ(L"X_System\\ControlSet002", profile.system_root);
    UnmountInstallationHives(registry);
    EXPECT_FALSE(MountPointLoaded(kSystemMountPoint));
    EXPECT_FALSE(MountPointLoaded(kSoftwareMountPoint));
  }
}

// A mount point a run before left loaded is unloaded and loaded again.
TEST_F(HiveMountWindowsTest, TakesOverAMountPointLeftLoaded) {
  ASSERT_EQ(1, SetProcessPrivilege(registry, L"SeRestorePrivilege", 1));
  ASSERT_EQ(ERROR_SUCCESS,
            RegLoadKeyW(HKEY_LOCAL_MACHINE, kSystemMountPoint, (windows_dir + kSystemHiveFile).c_str()));
  SetProcessPrivilege(registry, L"SeRestorePrivilege", 0);
  {
    MountedInstallation mount(registry, system, windows_dir);
    EXPECT_EQ(kMountOk, mount.status());
    EXPECT_EQ(L"HIVE-TEST", mount.profile().computer_name);
  }
  EXPECT_FALSE(MountPointLoaded(kSystemMountPoint));
  EXPECT_FALSE(MountPointLoaded(kSoftwareMountPoint));
}

TEST_F(HiveMountWindowsTest, UnloadableFilesGiveAStatusAndLeaveNothingLoaded) {
  // A truncated SOFTWARE hive: SYSTEM loads, SOFTWARE does not.
  ASSERT_TRUE(scratch.files().WriteFile(windows_dir + kSoftwareHiveFile, "regf"));
  {
    MountedInstallation mount(registry, system, windows_dir);
    EXPECT_EQ(kSoftwareHiveFailed, mount.status());
    EXPECT_EQ(L"", mount.profile().computer_name);
    EXPECT_TRUE(MountPointLoaded(kSystemMountPoint));
  }
  EXPECT_FALSE(MountPointLoaded(kSystemMountPoint));
  ASSERT_TRUE(scratch.files().WriteFile(windows_dir + kSystemHiveFile, std::string(4096, '\0')));
  {
    MountedInstallation mount(registry, system, windows_dir);
    EXPECT_EQ(kSystemHiveFailed, mount.status());
  }
  EXPECT_FALSE(MountPointLoaded(kSystemMountPoint));
  EXPECT_EQ(0, SetProcessPrivilege(registry, L"SeNoSuchPrivilege", 1));
}

}  // namespace
}  // namespace orvane
