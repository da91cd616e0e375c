// Process entry of orvane.exe: builds the Windows platform and runs start-up.
#include <windows.h>

#include <atomic>
#include <utility>

#include "app/cancellation.h"
#include "app/driver_rows.h"
#include "app/startup.h"
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
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_registry.h"
#include "platform/windows/windows_startup_host.h"
#include "platform/windows/windows_system_info.h"
#include "ui/command_window.h"
#include "ui/main_window.h"

namespace {

// The unattended installation (device list, driver store and folder walks)
// is not part of this build: the run says so in the window and ends, and the
// window closes a second later.
void UnattendedRunOfThisBuild(orvane::UnattendedRequest request, orvane::WindowView& view,
                              std::atomic<uint8_t>&, orvane::CancellationToken&) {
  const std::wstring notice = L"Unattended driver installation is not available in this build.";
  view.AppendLog(L"Orvane " + request.version + L"\r\n" + notice + L"\r\n");
  view.SetText(orvane::ViewControl::CmdStatus, notice);
}

int RunProgram() {
  orvane::WindowsRegistry registry;
  orvane::WindowsFileSystem files;
  orvane::WindowsSystemInfo system;
  orvane::WindowsDeviceSource devices;
  orvane::Platform platform{registry, files, system, devices};
  orvane::WindowsStartupHost host;
  orvane::WindowsDrives drives;
  orvane::WindowsDisks disks;
  orvane::SystemClock clock;
  orvane::WindowsDecompressor decompressor;
  orvane::WindowsComponentRegistration components;
  orvane::WindowsDeviceInstaller installer;
  orvane::WindowsArchiver archiver;
  // The interactive import has no forced end: its token is never set.
  orvane::CancellationToken interactive_token;
  orvane::InstallServices interactive_services{registry, files,      system,    devices,  drives,
                                               disks,    clock,      decompressor, components, installer,
                                               archiver, interactive_token, orvane::ProgramLog};

  orvane::RunModes modes;
  modes.command_mode = [](const std::wstring& version, const orvane::StartupOptions& options) {
    orvane::RunCommandMode(version, options.OptDriverSource, options.OptFilterList, options.OptDriverStore,
                           UnattendedRunOfThisBuild);
  };
  modes.interactive_mode = [&devices, &interactive_services] {
    orvane::MainWindowActions actions;
    actions.reenumerate_devices = [&devices] { orvane::ReEnumerateDevices(devices); };
    actions.import_selected_candidate = [&interactive_services](orvane::WindowView& view) {
      orvane::ImportSelectedCandidate(interactive_services, view, orvane::DriverRows);
    };
    orvane::RunMainWindow(std::move(actions));
  };

  return orvane::ExitCodeOf(orvane::RunStartup(platform, host, ORVANE_ARCH_NAME, modes));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunProgram(); }
