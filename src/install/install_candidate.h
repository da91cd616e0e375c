// Installing one driver candidate on the running system: unpacking its
// folder from a package, staging its files on systems before version 6,
// the network component, the product type the INF's models ask for, the
// device install itself, the report, and drive letters after a storage
// driver. Two callers share the steps: the import of the selected line of
// the manual page and the unattended search.
#pragma once

#include <string>

#include "app/driver_rows.h"
#include "app/window_view.h"
#include "install/install_services.h"
#include "registry/system_profile.h"

namespace orvane {

// Results of an install of a candidate besides the device installer's own
// (kInstallOk and the other kInstall... codes).
constexpr int kCandidateUnusable = -1;  // a needed field is empty or the INF is not there: nothing installed
constexpr int kInstallCancelled = -2;   // the run was ended before the install began: nothing installed

// Who installs, which decides where the texts go.
enum class InstallCaller {
  Interactive,  // the manual page: SourceStatus1 / SourceStatus2
  Unattended,   // the command window's log view and the log file
};

// The archiver beside the program: the program's folder without its
// trailing "\" + "\7z.exe".
std::wstring ArchiverPath(const std::wstring& program_folder);

// Parameters that unpack every file of the INF's subfolder of a package into
// the unpack folder: x "PACKAGE" -aoa -r -ssw "SUBFOLDER*.*" -o"UNPACK".
std::wstring DriverUnpackParameters(const std::wstring& package, const std::wstring& subfolder,
                                    const std::wstring& unpack_folder);
// Parameters that unpack only the INF files of a package, with their
// folders: x "PACKAGE" -aoa -r -ssw *.inf -o"UNPACK".
std::wstring InfUnpackParameters(const std::wstring& package, const std::wstring& unpack_folder);

// The product type an INF's models decoration asks for: the fifth
// "."-separated field of field 5 (".NTx86.5.2.3" gives "3"); "" for none.
std::wstring DecorationProductType(const std::wstring& models_decoration);

// Installs one candidate for the caller and reports it. target is the
// running system's profile (read afresh by the caller). Returns the device
// installer's result, or kCandidateUnusable / kInstallCancelled when no
// install was made. Every result but kInstallOk is reported as a failure;
// kInstallCancelled reports nothing (the run is being ended).
int InstallCandidateFor(InstallCaller caller, InstallServices& services, WindowView& view,
                        const SystemProfile& target, const CandidateRecord& candidate);

// The unattended run's step for one match: candidate text as the search
// builds it (13 "\n"-separated fields, 10 for a plain INF).
int InstallCandidate(InstallServices& services, WindowView& view, const SystemProfile& target,
                     const std::wstring& candidate_text);

// The worker of the manual page's import button: installs the candidate
// behind the selected line of the driver list. Does nothing when no line
// with a candidate is selected.
void ImportSelectedCandidate(InstallServices& services, WindowView& view, const CandidateTable& rows);

}  // namespace orvane
