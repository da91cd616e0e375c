#include "install/install_candidate.h"

#include "devices/disks_volumes.h"
#include "inf/install_directives.h"
#include <memory>

#include "install/run_folder.h"
#include "install/staging.h"
#include "registry/registry_access.h"
#include "sources/install_log.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kProductOptions[] = L"System\\CurrentControlSet\\Control\\ProductOptions";

// Where the texts of one install go.
class InstallReport {
 public:
  InstallReport(InstallCaller caller, WindowView& view, InstallLog& log) : caller_(caller), view_(view), log_(log) {}

  bool unattended() const { return caller_ == InstallCaller::Unattended; }

  void Found(const std::wstring& device_name) {
    if (!unattended()) return;
    LogWindowAppend(view_, L"\r\n" + UiText(TxtDriverFoundSuffix) + L" ( " + device_name + L" )");
    log_.LogAppend(L"- Found - \r\n" + device_name);
  }
  void Unpacking() { Progress(UiText(TxtDecompressDriver)); }
  void Installing(const std::wstring& device_name) {
    if (unattended()) {
      LogWindowAppend(view_, L"\r\n( " + device_name + L" )" + UiText(TxtGettingInstalled));
    } else {
      view_.SetText(ViewControl::SourceStatus1, UiText(TxtInstallDriver));
      view_.SetText(ViewControl::SourceStatus2, device_name);
    }
  }
  void Result(bool installed) {
    const std::wstring& text = UiText(installed ? TxtInstallOk : TxtInstallFailed);
    if (unattended()) {
      LogWindowAppend(view_, L"\r\n" + text);
      log_.LogAppend(installed ? L"successfully installed\r\n" : L"Installation failed\r\n");
    } else {
      view_.SetText(ViewControl::SourceStatus1, text);
    }
  }
  void NewPartitions(const std::wstring& report) {
    if (!unattended() && !report.empty()) view_.SetText(ViewControl::SourceStatus2, report);
  }

 private:
  void Progress(const std::wstring& text) {
    if (unattended()) {
      LogWindowAppend(view_, L"\r\n" + text);
    } else {
      view_.SetText(ViewControl::SourceStatus1, text);
    }
  }

  InstallCaller caller_;
  WindowView& view_;
  InstallLog& log_;
};

// Stages the driver's files into the running Windows itself and returns the
// staged INF copy, which is what gets installed then.
std::wstring StageForOldSystem(InstallServices& services, const SystemProfile& target, const std::wstring& inf_path,
                               const std::wstring& install_section) {
  const size_t slash = inf_path.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : inf_path.substr(0, slash);
  const std::wstring name = slash == std::wstring::npos ? inf_path : inf_path.substr(slash + 1);
  const InstallPlan plan = ExpandNeedsInclude(services.files, inf_path, install_section);
  StagingList list;
  for (size_t i = 0; i < plan.infs.size(); ++i) {
    if (!services.files.FileExists(folder + L"\\" + plan.infs[i])) continue;
    const std::wstring sections = i < plan.section_lists.size() ? plan.section_lists[i] : std::wstring();
    StageDriverFiles(services.files, target, folder, plan.infs[i], sections, &list);
  }
  CopyStagedFiles(services.files, services.decompressor, list);
  const std::wstring inf_folder = target.windows_dir + L"\\inf\\";
  for (const std::wstring& staged : plan.infs) DisableFileDirectives(services.files, inf_folder + staged);
  return inf_folder + name;
}

bool IsStorageClass(const std::wstring& setup_class) {
  const std::wstring lower = LowerText(setup_class);
  return lower == L"hdc" || lower == L"scsiadapter";
}

}  // namespace

std::wstring ArchiverPath(const std::wstring& program_folder) {
  std::wstring folder = program_folder;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder + L"\\7z.exe";
}

std::wstring DriverUnpackParameters(const std::wstring& package, const std::wstring& subfolder,
                                    const std::wstring& unpack_folder) {
  return L"x \"" + package + L"\" -aoa -r -ssw \"" + subfolder + L"*.*\" -o\"" + unpack_folder + L"\"";
}

std::wstring InfUnpackParameters(const std::wstring& package, const std::wstring& unpack_folder) {
  return L"x \"" + package + L"\" -aoa -r -ssw *.inf -o\"" + unpack_folder + L"\"";
}

std::wstring DecorationProductType(const std::wstring& models_decoration) {
  return Field(models_decoration, L".", 5);
}

int InstallCandidateFor(InstallCaller caller, InstallServices& services, WindowView& view,
                        const SystemProfile& target, const CandidateRecord& candidate) {
  if (services.cancel.IsCancelled()) return kInstallCancelled;
  InstallReport report(caller, view, services.log);
  const std::wstring& device_name = candidate.match.description;
  report.Found(device_name);

  const bool from_package = !candidate.package_path.empty();
  std::wstring unpack_folder = candidate.unpack_folder;
  std::wstring inf_path = candidate.inf_path;
  // The interactive import unpacks into a folder of its own, made afresh on
  // a free name and deleted once the install is over: the scan's folder is
  // gone by now, and whatever has that name now is not the program's.
  std::unique_ptr<ScopedRunFolder> own_folder;
  if (from_package && caller == InstallCaller::Interactive) {
    own_folder = std::make_unique<ScopedRunFolder>(services.files, services.cancel,
                                                   PackageUnpackFolder(services.system.TempDirectory()));
    const std::wstring scanned = candidate.unpack_folder + L"\\";
    if (own_folder->path().empty() || candidate.unpack_folder.empty() ||
        !EqualsNoCase(inf_path.substr(0, scanned.size()), scanned)) {
      report.Result(false);
      return kCandidateUnusable;
    }
    unpack_folder = own_folder->path();
    inf_path = unpack_folder + inf_path.substr(candidate.unpack_folder.size());
  }
  if (from_package) {
    report.Unpacking();
    if (!unpack_folder.empty()) {
      services.archiver.RunAndWait(ArchiverPath(services.system.ProgramFolder()),
                                   DriverUnpackParameters(candidate.package_path, candidate.subfolder, unpack_folder),
                                   L"", kShowHidden, services.cancel);
    }
    // An archiver ended by the cancel leaves a half-unpacked folder: nothing
    // is installed from it.
    if (services.cancel.IsCancelled()) return kInstallCancelled;
  }
  report.Installing(device_name);

  // The unpack folder of the interactive import goes once the install is
  // over (the unattended search removes its own folder itself).
  auto remove_unpacked = [&] { own_folder.reset(); };

  // A run being ended reads no more files (they all read as missing).
  if (services.cancel.IsCancelled()) return kInstallCancelled;
  const std::wstring device = TrimBlanks(candidate.match.instance_id, kTrimBoth);
  if (device.empty() || inf_path.empty() || !services.files.FileExists(inf_path)) {
    report.Result(false);
    remove_unpacked();
    return kCandidateUnusable;
  }

  std::wstring inf_to_install = inf_path;
  if (static_cast<int>(ReadDecimal(target.version)) < 6) {
    inf_to_install = StageForOldSystem(services, target, inf_path, candidate.match.install_section);
  }
  EnsureNetworkClass(services.registry, services.components, LowerText(candidate.match.setup_class));

  const std::wstring wanted_type = DecorationProductType(candidate.match.models_decoration);
  const bool swap_type = !wanted_type.empty() && wanted_type != target.product_type;
  if (swap_type) {
    WriteRegValue(services.registry, L"hklm", kProductOptions, L"ProductType", kRegSz, ProductTypeName(wanted_type));
  }
  const std::wstring disks_before = ListDisks(services.disks, L"");

  int result = kInstallCancelled;
  if (!services.cancel.IsCancelled()) result = services.installer.InstallDriverOnDevice(device, inf_to_install);
  // The system's own product type comes back whatever became of the install.
  if (swap_type) {
    WriteRegValue(services.registry, L"hklm", kProductOptions, L"ProductType",
                  kRegSz, ProductTypeName(target.product_type));
  }
  if (result == kInstallCancelled) return result;

  report.Result(result == kInstallOk);
  remove_unpacked();
  if (IsStorageClass(candidate.match.setup_class)) {
    report.NewPartitions(AssignNewVolumeLetters(services.registry, services.drives, services.disks, services.clock,
                                                disks_before));
  }
  return result;
}

int InstallCandidate(InstallServices& services, WindowView& view, const SystemProfile& target,
                     const std::wstring& candidate_text) {
  return InstallCandidateFor(InstallCaller::Unattended, services, view, target, ParseCandidate(candidate_text));
}

void ImportSelectedCandidate(InstallServices& services, WindowView& view, const CandidateTable& rows) {
  const std::optional<CandidateRecord> candidate = rows.ForLine(view.SelectedListLine(ViewControl::DriverList));
  if (!candidate) return;
  const SystemProfile target = ReadRunningProfile(services.registry, services.system);
  InstallCandidateFor(InstallCaller::Interactive, services, view, target, *candidate);
}

}  // namespace orvane
