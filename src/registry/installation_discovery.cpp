#include "registry/installation_discovery.h"

#include <cwctype>

#include "registry/registry_access.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

const wchar_t kEntrySeparator[] = L" - (";

std::wstring UpperDrive(const std::wstring& drive) {
  std::wstring upper = drive;
  for (wchar_t& ch : upper) ch = static_cast<wchar_t>(std::towupper(ch));
  return upper;
}

// Runs a walk with file-system redirection off and restores it afterwards.
class RedirectionOff {
 public:
  explicit RedirectionOff(FileFacts& facts) : facts_(facts), state_(facts.DisableRedirection()) {}
  ~RedirectionOff() { facts_.RevertRedirection(state_); }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

 private:
  FileFacts& facts_;
  RedirectionState state_;
};

// The root folders of the fixed drives other than the environment's, as
// drive ("c:") and folder name, in drive order, then in listing order.
template <typename Visit>
void WalkRootFolders(const DiscoveryServices& services, Visit visit) {
  const std::wstring environment_drive = LowerText(PreinstallationDrive(services.registry, services.system));
  for (const std::wstring& drive : ListDrives(services.drives)) {
    if (services.drives.DriveType(drive + L"\\") != kDriveFixed) continue;
    if (!environment_drive.empty() && drive == environment_drive) continue;
    std::vector<DirEntry> entries;
    if (!services.files.ListDirectory(drive + L"\\", &entries)) continue;
    for (const DirEntry& entry : entries) {
      if (entry.is_directory) visit(drive, entry.name);
    }
  }
}

}  // namespace

std::vector<std::wstring> ListDrives(Drives& drives) {
  std::vector<std::wstring> names;
  for (const std::wstring& root : drives.LogicalDriveRoots()) {
    names.push_back(LowerText(root.substr(0, 2)));
  }
  return names;
}

std::wstring VolumeLabel(Drives& drives, const std::wstring& root) {
  std::wstring label;
  if (!drives.VolumeInformation(root, &label)) return L"";
  return label;
}

std::wstring BinaryArchitecture(FileFacts& facts, const std::wstring& path) {
  uint32_t type = 0;
  if (!facts.BinaryType(path, &type)) return L"";
  if (type == kBinary32Bit) return L"x86";
  if (type == kBinary64Bit) return L"AMD64";
  return L"";
}

std::wstring FileVersionText(FileFacts& facts, const std::wstring& path) {
  FileVersion version;
  if (!facts.FixedFileVersion(path, &version)) return L"";
  return DecimalText(version.major) + L"." + DecimalText(version.minor) + L"." + DecimalText(version.build) + L"." +
         DecimalText(version.revision);
}

std::wstring VersionFromBuild(const std::wstring& build) {
  struct Threshold {
    int64_t build;
    const wchar_t* version;
  };
  static const Threshold kThresholds[] = {
      {10240, L"10.0"}, {9600, L"6.3"}, {9200, L"6.2"}, {7600, L"6.1"},
      {6000, L"6.0"},   {3790, L"5.2"}, {2600, L"5.1"}, {2195, L"5.0"},
  };
  const int64_t number = ReadInteger(build);
  for (const Threshold& threshold : kThresholds) {
    if (number >= threshold.build) return threshold.version;
  }
  return L"";
}

std::wstring PreinstallationDrive(Registry& registry, SystemInfo& system) {
  const std::wstring options =
      ReadRegValue(registry, nullptr, L"HKLM", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions");
  if (!Contains(LowerText(options), L"minint")) return L"";
  return UpperDrive(system.GetEnvironment(L"Windir").substr(0, 2));
}

std::wstring InstallationEntryText(const FoundInstallation& installation) {
  return installation.windows_dir + kEntrySeparator + installation.label + L")";
}

std::wstring InstallationListText(const std::vector<FoundInstallation>& installations) {
  std::wstring list;
  for (const FoundInstallation& installation : installations) list += InstallationEntryText(installation) + L"|";
  return list;
}

std::wstring WindowsDirOfEntry(const std::wstring& entry) {
  const size_t end = entry.find(kEntrySeparator);
  return end == std::wstring::npos ? entry : entry.substr(0, end);
}

std::vector<FoundInstallation> ListInstallations(const DiscoveryServices& services) {
  std::vector<FoundInstallation> found;
  RedirectionOff redirection(services.facts);
  WalkRootFolders(services, [&](const std::wstring& drive, const std::wstring& name) {
    if (services.files.FileSize(drive + L"\\" + name + L"\\system32\\config\\system") <= 0) return;
    FoundInstallation installation;
    installation.windows_dir = UpperDrive(drive) + L"\\" + name;
    installation.label = VolumeLabel(services.drives, drive + L"\\");
    found.push_back(std::move(installation));
  });
  return found;
}

void FindInstallations(const DiscoveryServices& services, WindowView& view,
                       const std::function<bool(const std::wstring&)>& start_device_scan) {
  const std::vector<FoundInstallation> found = ListInstallations(services);
  if (found.empty()) {
    view.ShowPage(4);
  } else if (found.size() == 1) {
    view.ShowPage(2);
    // The starter does nothing while another worker runs.
    if (start_device_scan) start_device_scan(found.front().windows_dir);
  } else {
    view.ClearList(ViewControl::WindowsChoice);
    for (const FoundInstallation& installation : found) {
      view.AddListLine(ViewControl::WindowsChoice, {InstallationEntryText(installation)}, ItemIcon());
    }
    view.ShowPage(5);
  }
}

CommandTarget SelectCommandTarget(const DiscoveryServices& services, const SystemProfile& running) {
  struct Candidate {
    std::wstring version;
    std::wstring windows_dir;
  };
  std::vector<Candidate> candidates;
  const std::wstring architecture = LowerText(running.architecture);
  WalkRootFolders(services, [&](const std::wstring& drive, const std::wstring& name) {
    const std::wstring folder = drive + L"\\" + name;
    const std::wstring cmd = folder + L"\\System32\\cmd.exe";
    if (services.files.FileSize(cmd) <= 0) return;
    if (LowerText(BinaryArchitecture(services.facts, cmd)) != architecture) return;
    const std::wstring build = Field(FileVersionText(services.facts, cmd), L".", 3);
    candidates.push_back({VersionFromBuild(build), folder});
  });
  CommandTarget target;
  if (candidates.empty()) return target;
  const Candidate* chosen = &candidates.front();
  for (const Candidate& candidate : candidates) {
    if (candidate.version == running.version &&
        services.files.DirectoryExists(candidate.windows_dir + L"\\System32\\DriverStore")) {
      chosen = &candidate;
      break;
    }
  }
  target.display_name = WindowsDisplayName(chosen->version, running.architecture);
  target.bitness = BitnessText(running.architecture);
  target.driver_store = chosen->windows_dir + L"\\System32\\DriverStore";
  target.windows_dir = chosen->windows_dir;
  return target;
}

std::wstring CommandTargetText(const CommandTarget& target) {
  if (target.windows_dir.empty()) return L"";
  return target.display_name + L"\n" + target.bitness + L"\n" + target.driver_store + L"\n" + target.windows_dir;
}

}  // namespace orvane
