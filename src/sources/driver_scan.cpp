#include "sources/driver_scan.h"

#include <utility>
#include <vector>

#include "devices/device_lists.h"
#include "inf/inf_reader.h"
#include "install/install_candidate.h"
#include "install/run_folder.h"
#include "sources/driver_walk.h"
#include "sources/install_log.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

// The smallest archiver the interactive scan accepts.
constexpr int64_t kMinArchiverBytes = 10;

DeviceIdList IndexOf(const std::vector<DeviceIdentifiers>& devices) {
  std::vector<std::vector<std::wstring>> items;
  items.reserve(devices.size());
  for (const DeviceIdentifiers& device : devices) {
    std::vector<std::wstring> ids{device.instance_id};
    ids.insert(ids.end(), device.hardware_ids.begin(), device.hardware_ids.end());
    ids.insert(ids.end(), device.compatible_ids.begin(), device.compatible_ids.end());
    items.push_back(std::move(ids));
  }
  return DeviceIdList::FromItems(items);
}

bool IsDisplayClass(const std::wstring& setup_class) { return LowerText(setup_class) == L"display"; }

// Runs the archiver on a package for its INF files only, into folder.
void UnpackInfFiles(InstallServices& services, const std::wstring& package, const std::wstring& folder) {
  if (folder.empty()) return;
  services.archiver.RunAndWait(ArchiverPath(services.system.ProgramFolder()), InfUnpackParameters(package, folder),
                               L"", kShowHidden, services.cancel);
}

bool EndsInInf(const std::wstring& name) {
  return name.size() >= 4 && LowerText(name.substr(name.size() - 4)) == L".inf";
}

}  // namespace

bool ClassPassesFilter(const std::wstring& setup_class, const std::wstring& class_filter) {
  if (IsDisplayClass(setup_class)) return false;
  return class_filter.empty() || Contains(class_filter, L"," + LowerText(setup_class) + L",");
}

// --- interactive --------------------------------------------------------------

namespace {

// The candidates of one INF: every match that is not of the display class.
void AddCandidates(InstallServices& services, WindowView& view, const SystemProfile& host, const DeviceIdList& devices,
                   CandidateTable& rows, CandidateRecord base) {
  const InfDocument inf = InfDocument::Load(services.files, base.inf_path);
  if (!inf.loaded()) return;
  for (DriverMatch& match : MatchInfDevices(inf, host, devices)) {
    if (IsDisplayClass(match.setup_class)) continue;
    base.match = std::move(match);
    rows.Add(base);
    view.SetText(ViewControl::SourceCounter, DecimalText(static_cast<int64_t>(rows.Count())));
  }
}

}  // namespace

void CheckDriverFile(InstallServices& services, WindowView& view, const SystemProfile& host,
                     const std::wstring& path, const DeviceIdList& devices, CandidateTable& rows,
                     std::atomic<uint8_t>& stop) {
  const std::wstring name = FileNameOf(path);
  switch (KindOfDriverFile(path)) {
    case DriverFileKind::kInf: {
      view.SetText(ViewControl::SourceStatus1, UiText(TxtCheck) + name);
      view.SetText(ViewControl::SourceStatus2, L"");
      CandidateRecord candidate;
      candidate.inf_path = path;
      AddCandidates(services, view, host, devices, rows, std::move(candidate));
      return;
    }
    case DriverFileKind::kPackage: {
      view.SetText(ViewControl::SourceStatus1, name);
      view.SetText(ViewControl::SourceStatus2, UiText(TxtDecompressPackage) + UiText(TxtPleaseWait));
      {
        ScopedRunFolder unpacked(services.files, services.cancel, PackageUnpackFolder(services.system.TempDirectory()));
        UnpackInfFiles(services, path, unpacked.path());
        if (!unpacked.path().empty()) {
          WalkDriverFolder(
              services.files, unpacked.path(), [&] { return stop == 1 || services.cancel.IsCancelled(); },
              [&](const WalkedFile& file) {
                if (!EndsInInf(file.name)) return;
                view.SetText(ViewControl::SourceStatus2, UiText(TxtCheck) + file.name);
                CandidateRecord candidate;
                candidate.inf_path = file.path;
                candidate.package_path = path;
                candidate.unpack_folder = unpacked.path();
                candidate.subfolder = file.relative;
                AddCandidates(services, view, host, devices, rows, std::move(candidate));
              });
        }
      }
      view.SetText(ViewControl::SourceStatus2, L"");
      return;
    }
    case DriverFileKind::kOther:
      return;
  }
}

void ScanDriverPath(InstallServices& services, WindowView& view, const std::wstring& chosen, CandidateTable& rows,
                    std::atomic<uint8_t>& stop) {
  const std::wstring program_folder = WithoutTrailingSeparator(services.system.ProgramFolder());
  if (services.files.FileSize(ArchiverPath(program_folder)) < kMinArchiverBytes) {
    view.SetText(ViewControl::SourceStatus1, program_folder + L"\\7z.exe " + UiText(TxtNotFound));
    view.SetEnabled(ViewControl::ImportSelected, false);
    return;
  }
  view.SetEnabled(ViewControl::ImportSelected, true);

  stop = 0;
  view.SetText(ViewControl::SourceRefresh, UiText(TxtCancel));
  view.ClearList(ViewControl::DriverList);
  for (ViewControl value : {ViewControl::DriverTypeValue, ViewControl::DriverHardwareIdValue,
                            ViewControl::DriverInfValue, ViewControl::DriverPackageValue}) {
    view.SetText(value, L"");
  }
  const std::wstring path = WithoutTrailingSeparator(chosen);
  view.SetText(ViewControl::SourceCounter, L"");
  const SystemProfile host = ReadRunningProfile(services.registry, services.system);
  const DeviceIdList devices = IndexOf(ReadDeviceIdentifiers(services.registry, services.devices, kAllDevices));

  const int64_t size = services.files.FileSize(ListablePath(path));
  if (path.empty() || size == kFileSizeMissing) {
    view.SetText(ViewControl::SourceStatus1, path + UiText(TxtNotFound));
    view.SetText(ViewControl::SourceRefresh, UiText(TxtRefresh));
    return;
  }

  rows.Clear();
  if (size == kFileSizeFolder) {
    WalkDriverFolder(
        services.files, path, [&] { return stop == 1 || services.cancel.IsCancelled(); },
        [&](const WalkedFile& file) { CheckDriverFile(services, view, host, file.path, devices, rows, stop); });
  } else {
    CheckDriverFile(services, view, host, path, devices, rows, stop);
  }

  // The list is filled only now, from a table that no longer changes.
  const std::vector<CandidateRecord> candidates = rows.All();
  for (const CandidateRecord& candidate : candidates) {
    const DriverMatch& match = candidate.match;
    view.AddListLine(ViewControl::DriverList,
                     {match.description, match.manufacturer, match.driver_version, match.driver_date},
                     ItemIcon{match.setup_class, host.windows_dir});
  }
  if (!candidates.empty()) ShowCandidateDetails(view, candidates.front());

  view.SetText(ViewControl::SourceCounter, L"");
  if (candidates.empty()) {
    view.SetText(ViewControl::SourceStatus1, path);
    view.SetText(ViewControl::SourceStatus2, UiText(TxtNoDriverFound));
  } else {
    const std::wstring count = DecimalText(static_cast<int64_t>(candidates.size()));
    view.SetText(ViewControl::SourceStatus1, count + UiText(TxtDriversFound));
    view.SetText(ViewControl::SourceStatus2, L"");
  }
  view.SetText(ViewControl::SourceRefresh, UiText(TxtRefresh));
}

// --- unattended ---------------------------------------------------------------

DriverSearch::DriverSearch(InstallServices& services, WindowView& view, const SystemProfile& host,
                           const std::wstring& class_filter, std::atomic<uint8_t>& stop)
    : services_(services), view_(view), host_(host), class_filter_(class_filter), stop_(stop) {}

void DriverSearch::ReadDevices() {
  const std::vector<DeviceIdentifiers> devices =
      ReadDeviceIdentifiers(services_.registry, services_.devices, kProblemDevices);
  device_list_ = DeviceIdsText(devices);
  devices_ = IndexOf(devices);
  waiting_.clear();
  for (size_t i = 0; i < devices_.size(); ++i) waiting_.insert(devices_.InstanceId(i));
}

bool DriverSearch::ShouldStop() const {
  return stop_ == 1 || services_.cancel.IsCancelled() || NoDeviceLeft();
}

std::wstring DriverSearch::SearchDriverFile(const std::wstring& path) {
  switch (KindOfDriverFile(path)) {
    case DriverFileKind::kInf:
      SearchInf(path, L"", L"", L"");
      break;
    case DriverFileKind::kPackage:
      SearchPackage(path);
      break;
    case DriverFileKind::kOther:
      break;
  }
  return device_list_;
}

void DriverSearch::SearchInf(const std::wstring& inf_path, const std::wstring& package,
                             const std::wstring& unpack_folder, const std::wstring& subfolder) {
  view_.SetText(ViewControl::CmdStatus, UiText(TxtCheck) + FileNameOf(inf_path));
  const InfDocument inf = InfDocument::Load(services_.files, inf_path);
  if (!inf.loaded()) return;
  for (DriverMatch& match : MatchInfDevices(inf, host_, devices_)) {
    if (services_.cancel.IsCancelled()) return;
    if (!ClassPassesFilter(match.setup_class, class_filter_)) continue;
    // A device that got its driver from an earlier match is served once.
    if (waiting_.count(match.instance_id) == 0) continue;
    CandidateRecord candidate;
    candidate.match = std::move(match);
    candidate.inf_path = inf_path;
    candidate.package_path = package;
    candidate.unpack_folder = unpack_folder;
    candidate.subfolder = subfolder;
    LogWindowAppend(view_, L"\r\n");
    const int result = InstallCandidate(services_, view_, host_, CandidateText(candidate));
    if (result == kInstallCancelled) return;
    if (result == kInstallOk) {
      ++installed_;
    } else {
      ++failed_;
    }
    ReadDevices();
  }
}

void DriverSearch::SearchPackage(const std::wstring& package) {
  const std::wstring name = FileNameOf(package);
  LogWindowAppend(view_, L"\r\n\r\n" + UiText(TxtDecompressPackage) + L" (" + name + L") " + UiText(TxtPleaseWait));
  services_.log.LogAppend(L"decompress package...(" + name + L")");
  {
    ScopedRunFolder unpacked(services_.files, services_.cancel, PackageUnpackFolder(services_.system.TempDirectory()));
    UnpackInfFiles(services_, package, unpacked.path());
    if (services_.cancel.IsCancelled()) return;
    LogWindowAppend(view_, L"\r\n" + UiText(TxtUnpackDone));
    if (!unpacked.path().empty()) {
      WalkDriverFolder(
          services_.files, unpacked.path(), [this] { return ShouldStop(); },
          [&](const WalkedFile& file) {
            if (EndsInInf(file.name)) SearchInf(file.path, package, unpacked.path(), file.relative);
          });
    }
  }
  if (services_.cancel.IsCancelled()) return;
  LogWindowAppend(view_, L"\r\n" + UiText(TxtSearchDone));
}

}  // namespace orvane
