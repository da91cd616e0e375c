// Hive mounting against the real registry: hive files written by the
// platform from a key tree the test builds, loaded, read, unloaded and
// loaded again, with the restore privilege switched for real. (What the
// profile holds and how it is read: tests/registry/hive_mount_test.cpp.)
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
    const struct {
      const wchar_t *key, *name;
      int32_t type;
      const wchar_t* data;
    } values[] = {
        {L"SYSTEM\\Select", L"Current", kRegDword, L"2"},
        {L"SYSTEM\\ControlSet002\\Control\\ComputerName\\ComputerName", L"ComputerName", kRegSz, L"HIVE-TEST"},
        {L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentMajorVersionNumber", kRegDword, L"10"},
        {L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentMinorVersionNumber", kRegDword, L"0"},
    };
    for (const auto& value : values) {
      ASSERT_EQ(0, WriteRegValue(registry, L"hkcu", std::wstring(kTreeRoot) + L"\\" + value.key, value.name, value.type,
                                 value.data));
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

// Mounted, read, unmounted; then again with the SYSTEM mount point left
// loaded by a run before, which is unloaded and loaded again. Then files the
// registry cannot load: a status, and nothing left loaded (nor an empty key
// under the mount point's name) once the mount is over.
TEST_F(HiveMountWindowsTest, MountsTakesOverAMountPointLeftLoadedAndFailsCleanly) {
  for (int round = 0; round < 2; ++round) {
    if (round == 1) {
      ASSERT_EQ(1, SetProcessPrivilege(registry, L"SeRestorePrivilege", 1));
      ASSERT_EQ(ERROR_SUCCESS,
                RegLoadKeyW(HKEY_LOCAL_MACHINE, kSystemMountPoint, (windows_dir + kSystemHiveFile).c_str()));
      SetProcessPrivilege(registry, L"SeRestorePrivilege", 0);
    }
    {
      MountedInstallation mount(registry, system, windows_dir);
      ASSERT_EQ(kMountOk, mount.status()) << round;
      EXPECT_TRUE(MountPointLoaded(kSystemMountPoint) && MountPointLoaded(kSoftwareMountPoint));
      const InstallationProfile& p = mount.profile();
      EXPECT_EQ(L"HIVE-TEST|10.0|X_System\\ControlSet002", p.computer_name + L"|" + p.version + L"|" + p.system_root)
          << round;
    }
    EXPECT_FALSE(MountPointLoaded(kSystemMountPoint) || MountPointLoaded(kSoftwareMountPoint)) << round;
  }

  ASSERT_TRUE(scratch.files().WriteFile(windows_dir + kSoftwareHiveFile, "regf"));
  {
    MountedInstallation mount(registry, system, windows_dir);
    EXPECT_EQ(kSoftwareHiveFailed, mount.status());
    EXPECT_EQ(L"", mount.profile().computer_name);
    EXPECT_TRUE(MountPointLoaded(kSystemMountPoint));
  }
  EXPECT_FALSE(MountPointLoaded(kSystemMountPoint) || MountPointLoaded(kSoftwareMountPoint));
  ASSERT_TRUE(scratch.files().WriteFile(windows_dir + kSystemHiveFile, std::string(4096, '\0')));
  EXPECT_EQ(kSystemHiveFailed, MountedInstallation(registry, system, windows_dir).status());
  EXPECT_FALSE(MountPointLoaded(kSystemMountPoint));
}

}  // namespace
}  // namespace orvane
