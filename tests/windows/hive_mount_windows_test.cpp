// Hive mounting against the real registry: hive files the platform writes
// from a key tree the test builds, loaded, read and unloaded with the restore
// privilege switched for real, and files it cannot load. (What the profile
// holds and how it is read, and the take-over of mount points a run before
// left loaded: tests/registry/hive_mount_test.cpp.)
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

class HiveMountWindowsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    UnmountInstallationHives(registry);
    registry.DeleteTree(kHkeyCurrentUser, kTreeRoot);
  }

  WindowsRegistry registry;
  WindowsSystemInfo system;
  ScratchFolder scratch;
};

// Mounted, read and unmounted; then files the registry cannot load: a status,
// and nothing left loaded (nor an empty key under the mount point's name) once
// the mount is over.
TEST_F(HiveMountWindowsTest, MountsReadsUnmountsAndFailsCleanly) {
  const std::wstring windows_dir = scratch / L"Windows";
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
  // Each tree below kTreeRoot goes into its hive file.
  registry.SetPrivilege(L"SeBackupPrivilege", true);
  for (const auto& [tree, file] : {std::pair{L"SYSTEM", kSystemHiveFile}, {L"SOFTWARE", kSoftwareHiveFile}}) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kTreeRoot) + L"\\" + tree).c_str(), 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSaveKeyW(key, (windows_dir + file).c_str(), nullptr)) << tree;
    RegCloseKey(key);
  }
  registry.SetPrivilege(L"SeBackupPrivilege", false);

  {
    MountedInstallation mount(registry, system, windows_dir);
    ASSERT_EQ(kMountOk, mount.status());
    const InstallationProfile& p = mount.profile();
    EXPECT_EQ(L"HIVE-TEST|10.0|X_System\\ControlSet002", p.computer_name + L"|" + p.version + L"|" + p.system_root);
  }
  EXPECT_FALSE(MountPointLoaded(kSystemMountPoint) || MountPointLoaded(kSoftwareMountPoint));

  const struct {
    const wchar_t* file;
    std::string bytes;
    int status;
  } unloadable[] = {{kSoftwareHiveFile, "regf", kSoftwareHiveFailed},
                    {kSystemHiveFile, std::string(4096, '\0'), kSystemHiveFailed}};
  for (const auto& c : unloadable) {
    ASSERT_TRUE(scratch.files().WriteFile(windows_dir + c.file, c.bytes));
    EXPECT_EQ(c.status, MountedInstallation(registry, system, windows_dir).status()) << c.file;
    EXPECT_FALSE(MountPointLoaded(kSystemMountPoint) || MountPointLoaded(kSoftwareMountPoint)) << c.file;
  }
}

}  // namespace
}  // namespace orvane
