#include "sources/unattended_run.h"

#include <vector>

#include "install/install_candidate.h"
#include "registry/installation_discovery.h"
#include "sources/driver_scan.h"
#include "sources/driver_walk.h"
#include "sources/install_log.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

// Pauses that let the user read what happened.
constexpr uint32_t kArchiverMissingPauseMs = 1500;
constexpr uint32_t kAfterDriverStorePauseMs = 900;
constexpr uint32_t kClosingPauseMs = 800;

const wchar_t kDriverStoreRule[] = L"-------------- DriverStore ---------------------";
const wchar_t kFolderRule[] = L"-------------- Folder  ---------------------";

// Replaces every occurrence of from, letter case ignored.
std::wstring ReplaceNoCase(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  const std::wstring lower = LowerText(text);
  const std::wstring needle = LowerText(from);
  std::wstring result;
  size_t start = 0;
  for (size_t hit = lower.find(needle); hit != std::wstring::npos; hit = lower.find(needle, start)) {
    result += text.substr(start, hit - start) + to;
    start = hit + needle.size();
  }
  return result + text.substr(start);
}

// The first drive of that type (A: never) whose volume can be read and
// that holds drive + rest; "" when none does.
std::wstring DriveHolding(const std::vector<std::wstring>& drives, uint32_t type, const std::wstring& rest,
                          Drives& platform, FileSystem& files) {
  for (const std::wstring& drive : drives) {
    if (drive == L"a:") continue;
    const std::wstring root = drive + L"\\";
    if (!platform.VolumeInformation(root, nullptr)) continue;
    if (platform.DriveType(root) != type) continue;
    if (files.FileSize(ListablePath(drive + rest)) == kFileSizeMissing) continue;
    return drive;
  }
  return L"";
}

// The log file's and the window's line for a path that is not there.
void ReportNotFound(InstallServices& services, WindowView& view, const std::wstring& path) {
  LogWindowAppend(view, L"\r\n" + path + UiText(TxtNotFound));
  services.log.LogAppend(path + L" - not found.");
}

}  // namespace

std::wstring ExpandDriverSource(const std::wstring& source, const SystemProfile& running, Drives& drives,
                                FileSystem& files) {
  std::wstring path = WithoutTrailingSeparator(source);
  path = ReplaceNoCase(path, L"%Systemdrive%", running.system_drive);
  path = ReplaceNoCase(path, L"%Archit%", running.architecture);
  if (LowerText(path.substr(0, 5)) != L"%ufd%") return path;
  const std::wstring rest = path.substr(5);
  const std::vector<std::wstring> list = ListDrives(drives);
  std::wstring drive = DriveHolding(list, kDriveRemovable, rest, drives, files);
  // The CD/DVD pass runs in any case and wins.
  const std::wstring optical = DriveHolding(list, kDriveCdRom, rest, drives, files);
  if (!optical.empty()) drive = optical;
  if (drive.empty()) drive = running.system_drive;
  return drive + rest;
}

int RunUnattended(InstallServices& services, FileFacts& facts, const UnattendedRequest& request, WindowView& view,
                  std::atomic<uint8_t>& stop) {
  const std::wstring class_filter = LowerText(request.filter_list);
  const SystemProfile host = ReadRunningProfile(services.registry, services.system);
  const std::wstring source = ExpandDriverSource(request.driver_source, host, services.drives, services.files);

  services.log.Open(services.files, services.system.TempDirectory());
  // The log ends with the run, also with a run that is ended at once.
  struct LogCloser {
    InstallLog& log;
    ~LogCloser() { log.Close(); }
  } closer{services.log};
  WriteUnattendedHeader(services.log, view, request.version, host, services.clock.Today());

  const std::wstring program_folder = WithoutTrailingSeparator(services.system.ProgramFolder());
  if (!services.files.FileExists(ArchiverPath(program_folder))) {
    LogWindowAppend(view, L"\r\n\r\n" + program_folder + UiText(TxtArchiverMissing));
    services.log.LogAppend(L"\r\n" + program_folder + L"\\7z.exe not found\r\nprogram exit.");
    services.clock.Pause(kArchiverMissingPauseMs);
    return services.cancel.IsCancelled() ? kUnattendedStopped : kUnattendedNoArchiver;
  }

  services.devices.Reenumerate();
  DriverSearch search(services, view, host, class_filter, stop);
  search.ReadDevices();
  auto walk = [&](const std::wstring& folder) {
    const WalkEnd end = WalkDriverFolder(services.files, folder, [&] { return search.ShouldStop(); },
                                         [&](const WalkedFile& file) { search.SearchDriverFile(file.path); });
    if (end == WalkEnd::kNoRoot && !services.cancel.IsCancelled()) ReportNotFound(services, view, folder);
  };

  if (request.driver_store == L"1" && !search.NoDeviceLeft()) {
    LogWindowAppend(view, L"\r\n\r\n" + std::wstring(kDriverStoreRule));
    const DiscoveryServices discovery{services.registry, services.files, services.system, services.drives, facts};
    const CommandTarget target = SelectCommandTarget(discovery, host);
    if (target.windows_dir.empty()) {
      LogWindowAppend(view, L"\r\nDriverStore: " + UiText(TxtNotFound));
    } else {
      const std::wstring name = target.display_name + L" (" + target.bitness + L")";
      LogWindowAppend(view, L"\r\nDriverStore: " + name);
      LogWindowAppend(view, L"\r\nSource: " + target.windows_dir);
      services.log.LogAppend(kDriverStoreRule);
      services.log.LogAppend(L"\r\nDriverStore: " + name);
      services.log.LogAppend(L"Source: " + target.windows_dir + L"\r\n");
      walk(target.driver_store);
    }
    if (services.cancel.IsCancelled()) return kUnattendedStopped;
    services.clock.Pause(kAfterDriverStorePauseMs);
  }

  if (!source.empty() && !search.NoDeviceLeft()) {
    LogWindowAppend(view, L"\r\n\r\n" + UiText(TxtFolderRule));
    LogWindowAppend(view, L"\r\n" + UiText(TxtSearchFolder) + source);
    services.log.LogAppend(kFolderRule);
    services.log.LogAppend(L"Folder: " + source);
    const int64_t size = services.files.FileSize(ListablePath(source));
    if (size == kFileSizeMissing) {
      if (!services.cancel.IsCancelled()) ReportNotFound(services, view, source);
    } else if (size == kFileSizeFolder) {
      walk(source);
    } else {
      search.SearchDriverFile(source);
    }
  }
  if (services.cancel.IsCancelled()) return kUnattendedStopped;
  const bool stopped = stop == 1;

  view.SetText(ViewControl::CmdStatus, L"");
  if (search.NoDeviceLeft()) LogWindowAppend(view, L"\r\n\r\n" + UiText(TxtAllInstalled));
  LogWindowAppend(view, L"\r\n\r\n" + UiText(TxtProcessFinished));
  services.log.LogAppend(L"\r\nProcess finished");
  services.log.Close();
  services.clock.Pause(kClosingPauseMs);

  if (stopped) return kUnattendedStopped;
  if (search.failed() > 0) return kUnattendedInstallFailed;
  return search.NoDeviceLeft() ? kUnattendedAllWorking : kUnattendedProblemsLeft;
}

}  // namespace orvane
