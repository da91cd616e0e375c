// Process entry of orvane.exe: builds the Windows platform and runs start-up.
#include <windows.h>

#include <atomic>
#include <utility>

#include "app/startup.h"
#include "platform/platform.h"
#include "platform/windows/windows_devices.h"
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

  orvane::RunModes modes;
  modes.command_mode = [](const std::wstring& version, const orvane::StartupOptions& options) {
    orvane::RunCommandMode(version, options.OptDriverSource, options.OptFilterList, options.OptDriverStore,
                           UnattendedRunOfThisBuild);
  };
  modes.interactive_mode = [&devices] {
    orvane::MainWindowActions actions;
    actions.reenumerate_devices = [&devices] { orvane::ReEnumerateDevices(devices); };
    orvane::RunMainWindow(std::move(actions));
  };

  return orvane::ExitCodeOf(orvane::RunStartup(platform, host, ORVANE_ARCH_NAME, modes));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunProgram(); }
