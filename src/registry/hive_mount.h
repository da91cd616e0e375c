// The registry of a Windows installation on the disks: its SYSTEM and
// SOFTWARE hive files mounted below HKEY_LOCAL_MACHINE as "X_System" and
// "X_Software", the control set it boots with, and the profile read from
// them. The running system's own Windows folder is read live, nothing loaded.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/system_info.h"

namespace orvane {

// Mount points below HKEY_LOCAL_MACHINE (machine-wide names).
constexpr wchar_t kSystemMountPoint[] = L"X_System";
constexpr wchar_t kSoftwareMountPoint[] = L"X_Software";

// Hive files, appended to the Windows folder.
constexpr wchar_t kSystemHiveFile[] = L"\\system32\\config\\SYSTEM";
constexpr wchar_t kSoftwareHiveFile[] = L"\\system32\\config\\Software";

// What an installation says about itself. Every later reader of its settings
// goes through system_root and software_root (key paths below
// HKEY_LOCAL_MACHINE, root "HKLM"); a missing value is "".
struct InstallationProfile {
  std::wstring windows_dir;      // 1: the folder given, unchanged
  std::wstring architecture;     // 2: x86, AMD64, ...
  std::wstring version;          // 3: major.minor (10.0), or the version text (6.1)
  std::wstring build;            // 4
  std::wstring program_files;    // 5
  std::wstring common_app_data;  // 6
  std::wstring computer_name;    // 7
  std::wstring language;         // 8: default language as stored (0407)
  std::wstring system_root;      // 9: X_System\ControlSet001, or System\CurrentControlSet
  std::wstring software_root;    // 10: X_Software, or Software
};

// Outcome of MountInstallationHives.
enum MountStatus : int {
  kMountOk = 0,             // roots set: hives loaded, or the running system
  kSystemHiveFailed = 1,    // the SYSTEM hive could not be loaded
  kSoftwareHiveFailed = 2,  // SYSTEM loaded, SOFTWARE not (SYSTEM stays loaded)
};

// Enables (enable != 0) or disables a privilege of the process. 1 when the
// token adjustment reports success (also for a privilege the token lacks).
int SetProcessPrivilege(Registry& registry, const std::wstring& privilege, int enable);

// Mounts the hives of the installation in windows_dir and fills *profile.
// When windows_dir is the running system's ("Windir", letter case ignored)
// nothing is loaded and the live registry is read. A mount point left in use
// (a run that ended before its unmount) is unloaded once and loaded again.
int MountInstallationHives(Registry& registry, SystemInfo& system, const std::wstring& windows_dir,
                           InstallationProfile* profile);

// Unloads both mount points; failures (nothing loaded) are ignored.
void UnmountInstallationHives(Registry& registry);

// A mount that is undone on every way out: the destructor (or Unmount) calls
// UnmountInstallationHives when this mount loaded any hive, and only then.
class MountedInstallation {
 public:
  MountedInstallation(Registry& registry, SystemInfo& system, const std::wstring& windows_dir);
  ~MountedInstallation();
  MountedInstallation(const MountedInstallation&) = delete;
  MountedInstallation& operator=(const MountedInstallation&) = delete;

  int status() const { return status_; }
  const InstallationProfile& profile() const { return profile_; }
  // True while hives of this mount are loaded.
  bool loaded() const { return loaded_; }
  void Unmount();

 private:
  Registry& registry_;
  InstallationProfile profile_;
  int status_ = kSystemHiveFailed;
  bool loaded_ = false;
};

}  // namespace orvane
