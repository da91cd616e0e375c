// The unattended run of the command mode: without a question to the user it
// installs drivers for every device of the running system that reports a
// problem, first from the driver store of an installed Windows (option -d),
// then from the driver path (option -i:), and logs every step in the command
// window and in the log file. It stops early once every device has a driver,
// on the stop button, or at once when the window ends it (Escape).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "app/window_view.h"
#include "app/worker_state.h"
#include "install/install_services.h"
#include "platform/drives.h"
#include "platform/file_facts.h"
#include "registry/system_profile.h"

namespace orvane {

// Exit codes of the unattended mode, for the scripts that start it. When
// several apply, the highest wins.
constexpr int kUnattendedAllWorking = 0;    // no device reports a problem at the end (or none did)
constexpr int kUnattendedProblemsLeft = 1;  // devices still report one; no install failed
constexpr int kUnattendedInstallFailed = 2; // at least one install failed
constexpr int kUnattendedNoArchiver = 4;    // ended early: 7z.exe is missing
constexpr int kUnattendedStopped = 5;       // the user stopped the run (Cancel or Escape)

// The driver path with its placeholders filled in: trailing "\" removed,
// "%Systemdrive%" and "%Archit%" replaced anywhere (letter case ignored),
// and "%ufd%" at the very start replaced by the CD/DVD drive, else the
// removable drive, that holds the rest of the path (first in drive order;
// drive A: is never asked), else by the running system's drive.
std::wstring ExpandDriverSource(const std::wstring& source, const SystemProfile& running, Drives& drives,
                                FileSystem& files);

// The whole run. services.files should refuse work once services.cancel is
// set (a CancellableFileSystem on it); drives and facts serve the search for
// the installed Windows. Returns the exit code of the run; a run ended by
// the token returns kUnattendedStopped without its closing steps.
int RunUnattended(InstallServices& services, FileFacts& facts, const UnattendedRequest& request, WindowView& view,
                  std::atomic<uint8_t>& stop);

}  // namespace orvane
