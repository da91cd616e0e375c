#include "install/host_import.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "devices/device_lists.h"
#include "devices/disks_volumes.h"
#include "inf/install_directives.h"
#include "install/run_folder.h"
#include "install/staging.h"
#include "sources/install_log.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

constexpr ItemColour kInstalledColour{0, 0, 255};
constexpr ItemColour kFailedColour{255, 0, 0};

// Running systems up to this major version get the files staged by the
// program and the staged INF copy installed.
constexpr int64_t kLastStagingVersion = 6;

std::wstring SystemLine(const SystemProfile& system) {
  return WindowsDisplayName(system.version, system.architecture) + L" (" + BitnessText(system.architecture) + L")";
}

void WriteHostImportHeader(InstallLog& log, const SystemProfile& running, const SystemProfile& source,
                           const LocalDate& today) {
  log.LogAppend(L"\r\nOrvane (Host-Install)");
  log.LogAppend(kProductLine);
  log.LogAppend(L"Date: Day:" + DecimalText(today.day) + L" Month:" + DecimalText(today.month) + L" Year:" +
                DecimalText(today.year));
  log.LogAppend(L"\r\nWinPE: " + SystemLine(running));
  log.LogAppend(L"Host OS: " + SystemLine(source));
}

// The record numbers of a group field ("3,4,").
std::vector<size_t> GroupMembers(const std::wstring& group) {
  std::vector<size_t> members;
  for (const std::wstring& field : SplitText(group, L",")) {
    const int64_t number = ReadInteger(field);
    if (number > 0) members.push_back(static_cast<size_t>(number));
  }
  return members;
}

bool IsStorageClass(const std::wstring& class_name) {
  const std::wstring lower = LowerText(class_name);
  return lower == L"hdc" || lower == L"scsiadapter";
}

size_t EnumeratorCount(Registry& registry) {
  const std::wstring list = ListEnumerators(registry);
  return static_cast<size_t>(std::count(list.begin(), list.end(), L','));
}

// The installation of the last scan as a system profile.
SystemProfile SourceProfileOf(const ScanHeader& header, const SystemProfile& running) {
  SystemProfile source;
  source.system_drive = header.windows_dir.substr(0, 2);
  source.windows_dir = header.windows_dir;
  source.architecture = header.architecture;
  source.version = header.version;
  source.program_files = header.program_files;
  source.language = running.language;
  source.product_type = L"1";
  return source;
}

// Where a device's driver is exported to: the installation's drive +
// "\DRVTemp"; "" when its Windows directory has no drive letter.
std::wstring ExportFolderBase(const SystemProfile& source) {
  const std::wstring& drive = source.system_drive;
  const bool letter = drive.size() == 2 && drive[1] == L':' && ((drive[0] >= L'A' && drive[0] <= L'Z') ||
                                                                  (drive[0] >= L'a' && drive[0] <= L'z'));
  return letter ? drive + L"\\DRVTemp" : L"";
}

class HostImport {
 public:
  HostImport(InstallServices& services, const SystemProfile& running, const SystemProfile& source)
      : s_(services), running_(running), source_(source) {}

  // Exports, prepares and installs the driver of one device; true when the
  // device installer reports it installed. A device whose export brought
  // no INF is not handed to the installer at all.
  bool Install(const DeviceRecord& device) {
    const InstallPlan plan = ExpandNeedsInclude(s_.files, source_.windows_dir + L"\\inf\\" + device.inf_name,
                                                device.install_section);
    // A fresh folder of the run's own: never one that was there before.
    const std::wstring export_folder = CreateRunFolder(s_.files, ExportFolderBase(source_));
    if (export_folder.empty()) return false;
    StagingList exported;
    for (size_t i = 0; i < plan.infs.size(); ++i) {
      StageExportFiles(s_.files, source_, plan.infs[i], Sections(plan, i), device.package_folder, export_folder,
                       &exported);
    }
    CopyStagedFiles(s_.files, s_.decompressor, exported);

    std::wstring inf_to_install = export_folder + L"\\" + device.inf_name;
    if (ReadInteger(running_.version) <= kLastStagingVersion) {
      inf_to_install = StageIntoRunningSystem(plan, export_folder, device.inf_name);
    }
    EnsureNetworkClass(s_.registry, s_.components, device.class_name);
    const bool installed = s_.files.FileExists(inf_to_install) &&
                           s_.installer.InstallDriverOnDevice(device.instance_id, inf_to_install) == kInstallOk;
    s_.files.DeleteTree(export_folder);
    return installed;
  }

 private:
  static std::wstring Sections(const InstallPlan& plan, size_t i) {
    return i < plan.section_lists.size() ? plan.section_lists[i] : std::wstring();
  }

  // The exported driver's files go where its INF puts them in the running
  // Windows; the copy of the INF in its inf folder, with the file directives
  // turned into comments, is what gets installed then.
  std::wstring StageIntoRunningSystem(const InstallPlan& plan, const std::wstring& export_folder,
                                      const std::wstring& inf_name) {
    StagingList staged;
    for (size_t i = 0; i < plan.infs.size(); ++i) {
      if (!s_.files.FileExists(export_folder + L"\\" + plan.infs[i])) continue;
      StageDriverFiles(s_.files, running_, export_folder, plan.infs[i], Sections(plan, i), &staged);
    }
    CopyStagedFiles(s_.files, s_.decompressor, staged);
    const std::wstring inf_folder = running_.windows_dir + L"\\inf\\";
    for (const std::wstring& inf : plan.infs) DisableFileDirectives(s_.files, inf_folder + inf);
    return inf_folder + inf_name;
  }

  InstallServices& s_;
  const SystemProfile& running_;
  const SystemProfile& source_;
};

}  // namespace

void ImportInstalledDrivers(InstallServices& services, WindowView& view, const DeviceScanTable& table) {
  const ViewControl tree = ViewControl::DeviceTree;
  std::vector<int> checked;
  const int items = view.TreeItemCount(tree);
  for (int index = 0; index < items; ++index) {
    if (view.IsTreeItemChecked(tree, index)) checked.push_back(index);
  }
  if (checked.empty()) return;

  const SystemProfile running = ReadRunningProfile(services.registry, services.system);
  const SystemProfile source = SourceProfileOf(table.Header(), running);
  InstallLog& log = services.log;
  log.Open(services.files, services.system.TempDirectory());
  WriteHostImportHeader(log, running, source, services.clock.Today());

  const std::wstring disks_before = ListDisks(services.disks, L"");
  const size_t enumerators_before = EnumeratorCount(services.registry);
  bool storage = false;
  size_t installed_items = 0;
  const std::wstring total = DecimalText(static_cast<int64_t>(checked.size()));
  HostImport import(services, running, source);

  for (size_t k = 0; k < checked.size(); ++k) {
    const int item = checked[k];
    const std::optional<DeviceRecord> last = table.Record(static_cast<size_t>(view.TreeItemData(tree, item)));
    const std::vector<size_t> members = last ? GroupMembers(last->group) : std::vector<size_t>();
    // An item without devices behind it has installed nothing.
    size_t failures = members.empty() ? 1 : 0;
    for (size_t j = 0; j < members.size(); ++j) {
      const std::optional<DeviceRecord> device = table.Record(members[j]);
      const std::wstring description = device ? device->description : std::wstring();
      const std::wstring suffix =
          members.size() > 1 ? L" (" + DecimalText(static_cast<int64_t>(j + 1)) + L")" : std::wstring();
      view.SetText(ViewControl::DeviceStatus1,
                   UiText(TxtInstallingPrefix) + DecimalText(static_cast<int64_t>(k + 1)) + L" / " + total);
      view.SetText(ViewControl::DeviceStatus2, description + suffix);
      log.LogAppend(L"\r\nInstall: " + description + suffix);

      if (device && import.Install(*device)) {
        view.SetText(ViewControl::DeviceStatus2, UiText(TxtInstallOk));
        log.LogAppend(L"successfully installed");
        view.SetTreeItemColour(tree, item, kInstalledColour);
      } else {
        ++failures;
        view.SetText(ViewControl::DeviceStatus2, UiText(TxtInstallFailed));
        log.LogAppend(L"Installation failed");
      }
      if (device && IsStorageClass(device->class_name)) storage = true;
    }
    view.SetTreeItemChecked(tree, item, false);
    if (failures == 0) {
      ++installed_items;
    } else {
      view.SetTreeItemColour(tree, item, kFailedColour);
    }
  }

  std::wstring message;
  if (EnumeratorCount(services.registry) > enumerators_before) {
    message += UiText(TxtAnotherDevice);
    log.LogAppend(L"another device can be installed.");
  }
  if (storage) {
    const std::wstring volumes =
        AssignNewVolumeLetters(services.registry, services.drives, services.disks, services.clock, disks_before);
    if (!volumes.empty()) {
      message += volumes;
      log.LogAppend(volumes);
    }
  }
  view.SetText(ViewControl::DeviceStatus1, DecimalText(static_cast<int64_t>(installed_items)) + L" / " + total +
                                               UiText(TxtDriversInstalledSuffix));
  view.SetText(ViewControl::DeviceStatus2, message);
  view.Focus(ViewControl::DeviceImport);
  log.Close();
}

}  // namespace orvane
