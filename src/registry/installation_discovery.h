// Windows installations on the machine's fixed disks. The window's flow lists
// every one and lets the user choose; the unattended flow picks one by
// itself. An installation is a folder in a drive's root; the environment's
// own drive (the one WinPE runs from) is never searched.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/window_view.h"
#include "platform/drives.h"
#include "platform/file_facts.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "registry/system_profile.h"

namespace orvane {

// What the discovery needs of the platform.
struct DiscoveryServices {
  Registry& registry;
  FileSystem& files;
  SystemInfo& system;
  Drives& drives;
  FileFacts& facts;
};

// The drives in the platform's order, each as its first two characters in
// lower case ("c:").
std::vector<std::wstring> ListDrives(Drives& drives);

// Label of the volume of a root path such as "c:\"; "" when it has none or
// cannot be read.
std::wstring VolumeLabel(Drives& drives, const std::wstring& root);

// "x86" for a 32-bit Windows executable, "AMD64" for a 64-bit one, "" for
// any other kind of file and when the query fails.
std::wstring BinaryArchitecture(FileFacts& facts, const std::wstring& path);

// The file's fixed version "major.minor.build.revision"; "" without one.
std::wstring FileVersionText(FileFacts& facts, const std::wstring& path);

// Windows version of a build number ("7601" gives 6.1, "22000" gives 10.0);
// "" below 2195 and for a text that is not a number.
std::wstring VersionFromBuild(const std::wstring& build);

// The drive the preinstallation environment runs from ("X:"), when the
// system says it is one (MININT among its start options); "" otherwise.
std::wstring PreinstallationDrive(Registry& registry, SystemInfo& system);

// One installation found by the window's flow.
struct FoundInstallation {
  std::wstring windows_dir;  // drive letter in upper case, "\", folder name as listed
  std::wstring label;        // the drive's volume label
};

// Its line in the choice list: "C:\Windows - (System)".
std::wstring InstallationEntryText(const FoundInstallation& installation);
// The installation list: each entry followed by "|".
std::wstring InstallationListText(const std::vector<FoundInstallation>& installations);
// The Windows folder of a choice line: the text before its first " - (".
std::wstring WindowsDirOfEntry(const std::wstring& entry);

// Every folder in the root of a fixed drive (not the environment's) whose
// system32\config\system is a file larger than 0 bytes, in drive order, then
// in listing order. File-system redirection is off during the walk.
std::vector<FoundInstallation> ListInstallations(const DiscoveryServices& services);

// The mode page's confirmation: page 4 when nothing was found; page 2 and
// start_device_scan(Windows folder) for one installation; the choice list
// and page 5 for several.
void FindInstallations(const DiscoveryServices& services, WindowView& view,
                       const std::function<bool(const std::wstring&)>& start_device_scan);

// The installation an unattended run takes drivers from.
struct CommandTarget {
  std::wstring display_name;  // WindowsDisplayName of its version
  std::wstring bitness;       // BitnessText of the running system's architecture
  std::wstring driver_store;  // Windows folder + "\System32\DriverStore"
  std::wstring windows_dir;   // "" when none was found
};

// Among the folders of the fixed drives (not the environment's) whose
// System32\cmd.exe is built for the running system's architecture, the
// first of the running system's version that has a driver store, else the
// first found. Redirection is left as it is.
CommandTarget SelectCommandTarget(const DiscoveryServices& services, const SystemProfile& running);

// The four lines joined by LF; "" when no installation was found.
std::wstring CommandTargetText(const CommandTarget& target);

}  // namespace orvane
