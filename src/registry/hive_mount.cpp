#include "registry/hive_mount.h"

#include "registry/registry_access.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

const wchar_t kRestorePrivilege[] = L"SeRestorePrivilege";

std::wstring ReadHklm(Registry& registry, const std::wstring& root, const std::wstring& path,
                      const std::wstring& name) {
  // Without a root the key would name a path of the running system's own
  // registry; there is nothing to read.
  if (root.empty()) return L"";
  return ReadRegValue(registry, nullptr, L"HKLM", root + path, name);
}

bool MountPointInUse(Registry& registry, const wchar_t* name) {
  Registry::Key key = 0;
  if (registry.OpenKey(kHkeyLocalMachine, name, kKeyRead, &key) != kRegOk) return false;
  registry.CloseKey(key);
  return true;
}

// Loads one hive file under its mount point with the restore privilege on.
// A name that a run before left in use is unloaded once and loaded again.
// Some registries leave an empty key behind when a file cannot be loaded;
// it is removed, so that a failed load leaves the name free.
bool LoadHive(Registry& registry, const wchar_t* name, const std::wstring& file) {
  SetProcessPrivilege(registry, kRestorePrivilege, 1);
  long result = registry.LoadHive(name, file);
  if (result != kRegOk && MountPointInUse(registry, name)) {
    registry.UnloadHive(name);
    result = registry.LoadHive(name, file);
    if (result != kRegOk && MountPointInUse(registry, name)) registry.UnloadHive(name);
  }
  SetProcessPrivilege(registry, kRestorePrivilege, 0);
  return result == kRegOk;
}

// The control set number as three digits: "1" gives 001, "12" 012, a longer
// text keeps its first three characters, a missing value gives 000.
std::wstring ControlSetDigits(const std::wstring& current) {
  std::wstring digits = current;
  if (digits.size() > 3) digits.resize(3);
  while (digits.size() < 3) digits.insert(digits.begin(), L'0');
  return digits;
}

void FillProfile(Registry& registry, InstallationProfile* profile) {
  const std::wstring& system = profile->system_root;
  const std::wstring& software = profile->software_root;
  const std::wstring current_version = L"\\Microsoft\\Windows NT\\CurrentVersion";
  profile->architecture =
      ReadHklm(registry, system, L"\\Control\\Session Manager\\Environment", L"PROCESSOR_ARCHITECTURE");
  const std::wstring major = ReadHklm(registry, software, current_version, L"CurrentMajorVersionNumber");
  if (!major.empty()) {
    profile->version = major + L"." + ReadHklm(registry, software, current_version, L"CurrentMinorVersionNumber");
  } else {
    profile->version = ReadHklm(registry, software, current_version, L"CurrentVersion");
  }
  profile->build = ReadHklm(registry, software, current_version, L"CurrentBuild");
  profile->program_files = ReadHklm(registry, software, L"\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
  profile->common_app_data = ReadHklm(registry, software,
                                      L"\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                      L"Common AppData");
  profile->computer_name =
      ReadHklm(registry, system, L"\\Control\\ComputerName\\ComputerName", L"ComputerName");
  profile->language = ReadHklm(registry, system, L"\\control\\Nls\\Language", L"Default");
}

int Mount(Registry& registry, SystemInfo& system, const std::wstring& windows_dir, InstallationProfile* profile,
          bool* loaded) {
  *loaded = false;
  *profile = InstallationProfile();
  profile->windows_dir = windows_dir;
  int status = kMountOk;
  if (LowerText(windows_dir) == LowerText(system.GetEnvironment(L"Windir"))) {
    profile->system_root = L"System\\CurrentControlSet";
    profile->software_root = L"Software";
  } else if (!LoadHive(registry, kSystemMountPoint, windows_dir + kSystemHiveFile)) {
    status = kSystemHiveFailed;
  } else {
    *loaded = true;
    if (!LoadHive(registry, kSoftwareMountPoint, windows_dir + kSoftwareHiveFile)) {
      status = kSoftwareHiveFailed;
    } else {
      const std::wstring current =
          ReadRegValue(registry, nullptr, L"HKLM", std::wstring(kSystemMountPoint) + L"\\Select", L"Current");
      profile->system_root = std::wstring(kSystemMountPoint) + L"\\ControlSet" + ControlSetDigits(current);
      profile->software_root = kSoftwareMountPoint;
    }
  }
  FillProfile(registry, profile);
  return status;
}

}  // namespace

int SetProcessPrivilege(Registry& registry, const std::wstring& privilege, int enable) {
  return registry.SetPrivilege(privilege, enable != 0) ? 1 : 0;
}

int MountInstallationHives(Registry& registry, SystemInfo& system, const std::wstring& windows_dir,
                           InstallationProfile* profile) {
  bool loaded = false;
  return Mount(registry, system, windows_dir, profile, &loaded);
}

void UnmountInstallationHives(Registry& registry) {
  SetProcessPrivilege(registry, kRestorePrivilege, 1);
  registry.UnloadHive(kSystemMountPoint);
  registry.UnloadHive(kSoftwareMountPoint);
  SetProcessPrivilege(registry, kRestorePrivilege, 0);
}

MountedInstallation::MountedInstallation(Registry& registry, SystemInfo& system, const std::wstring& windows_dir)
    : registry_(registry) {
  status_ = Mount(registry, system, windows_dir, &profile_, &loaded_);
}

MountedInstallation::~MountedInstallation() { Unmount(); }

void MountedInstallation::Unmount() {
  if (!loaded_) return;
  loaded_ = false;
  UnmountInstallationHives(registry_);
}

}  // namespace orvane
