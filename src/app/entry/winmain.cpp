// Process entry of orvane.exe: builds the Windows platform and runs start-up.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <utility>

#include "app/cancellation.h"
#include "app/driver_rows.h"
#include "app/startup.h"
#include "app/worker_state.h"
#include "devices/offline_scan.h"
#include "install/host_import.h"
#include "install/install_candidate.h"
#include "install/install_services.h"
#include "platform/platform.h"
#include "platform/system_clock.h"
#include "platform/windows/windows_archiver.h"
#include "platform/windows/windows_component_registration.h"
#include "platform/windows/windows_decompressor.h"
#include "platform/windows/windows_device_installer.h"
#include "platform/windows/windows_devices.h"
#include "platform/windows/windows_disks.h"
#include "platform/windows/windows_drives.h"
#include "platform/windows/windows_file_facts.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_registry.h"
#include "platform/windows/windows_startup_host.h"
#include "platform/windows/windows_system_info.h"
#include "registry/installation_discovery.h"
#include "sources/driver_scan.h"
#include "sources/unattended_run.h"
#include "ui/class_icon.h"
#include "ui/command_window.h"
#include "ui/main_window.h"

namespace {

int RunProgram() {
  orvane::WindowsRegistry registry;
  orvane::WindowsFileSystem files;
  orvane::WindowsSystemInfo system;
  orvane::WindowsDeviceSource devices;
  orvane::WindowsDrives drives;
  orvane::WindowsFileFacts facts;
  orvane::Platform platform{registry, files, system, devices};
  orvane::DiscoveryServices discovery{registry, files, system, drives, facts};
  orvane::WindowsStartupHost host;
  orvane::WindowsDisks disks;
  orvane::SystemClock clock;
  orvane::WindowsDecompressor decompressor;
  orvane::WindowsComponentRegistration components;
  orvane::WindowsDeviceInstaller installer;
  orvane::WindowsArchiver archiver;
  // The interactive workers are ended only when the window closes under one
  // of them: then this token is set, and no file is touched any more.
  orvane::CancellationToken interactive_token;
  orvane::CancellableFileSystem interactive_files(files, interactive_token);
  orvane::InstallServices interactive_services{registry, interactive_files, system, devices, drives,
                                               disks,    clock,      decompressor, components, installer,
                                               archiver, interactive_token, orvane::ProgramLog};

  orvane::RunModes modes;
  // The unattended mode's exit code: the run's own outcome, and 5 when the
  // window ended the run (Escape, close); the highest applies.
  std::atomic<int> command_exit{0};
  modes.command_mode = [&](const std::wstring& version, const orvane::StartupOptions& options) {
    auto run = [&](orvane::UnattendedRequest request, orvane::WindowView& view, std::atomic<uint8_t>& stop,
                   orvane::CancellationToken& cancel) {
      // Once the window ends the run, no file is touched any more.
      orvane::CancellableFileSystem run_files(files, cancel);
      orvane::InstallServices services{registry, run_files, system,     devices,   drives,   disks, clock,
                                       decompressor, components, installer, archiver, cancel, orvane::ProgramLog};
      const int code = orvane::RunUnattended(services, facts, request, view, stop);
      if (code > command_exit) command_exit = code;
    };
    const orvane::CommandModeEnd end = orvane::RunCommandMode(version, options.OptDriverSource,
                                                              options.OptFilterList, options.OptDriverStore, run);
    if (end == orvane::CommandModeEnd::kForcedEnd && command_exit < orvane::kUnattendedStopped) {
      command_exit = orvane::kUnattendedStopped;
    }
  };
  modes.interactive_mode = [&devices, &platform, &discovery, &interactive_services] {
    orvane::MainWindowActions actions;
    actions.reenumerate_devices = [&devices] { orvane::ReEnumerateDevices(devices); };
    actions.find_installations = [&discovery](orvane::WindowView& view,
                                              const std::function<bool(const std::wstring&)>& start_device_scan) {
      orvane::FindInstallations(discovery, view, start_device_scan);
    };
    actions.scan_installed_devices = [&platform](orvane::WindowView& view, const std::wstring& windows_directory) {
      orvane::ScanInstalledDevices(platform, view, windows_directory, orvane::DeviceTable);
    };
    actions.last_scanned_directory = [] { return orvane::DeviceTable.Header().windows_dir; };
    actions.item_icon = [](const orvane::ItemIcon& icon) {
      return orvane::ClassIcon(icon.class_name, icon.windows_directory);
    };
    actions.import_installed_drivers = [&interactive_services](orvane::WindowView& view) {
      orvane::ImportInstalledDrivers(interactive_services, view, orvane::DeviceTable);
    };
    actions.import_selected_candidate = [&interactive_services](orvane::WindowView& view) {
      orvane::ImportSelectedCandidate(interactive_services, view, orvane::DriverRows);
    };
    actions.scan_driver_path = [&interactive_services](orvane::WindowView& view, const std::wstring& path) {
      orvane::ScanDriverPath(interactive_services, view, path, orvane::DriverRows, orvane::StopRequested);
    };
    orvane::RunMainWindow(std::move(actions));
  };

  const orvane::StartupOutcome outcome = orvane::RunStartup(platform, host, ORVANE_ARCH_NAME, modes);
  const int code =
      outcome == orvane::StartupOutcome::kCommandModeEnded ? command_exit.load() : orvane::ExitCodeOf(outcome);
  // A close request ends the program even while a worker runs. A worker of
  // the window is cancelled (its archiver ends, it touches no file any more)
  // and gets a short grace to come back from its install step, which puts
  // the product type back; then the folders it made for itself go, as after
  // Escape in the command window. No worker is waited for beyond that: the
  // process ends here, before anything such a worker may still be using (the
  // platform objects above, the program-wide tables) is torn down under it.
  if (orvane::WorkerThread.AnyThreadAlive()) {
    interactive_token.Cancel();
    orvane::WorkerThread.WaitForEnd(std::chrono::milliseconds(orvane::kCmdForcedEndGraceMs));
    interactive_token.RemoveOwnedFolders(files);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  }
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunProgram(); }
