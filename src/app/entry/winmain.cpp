// Process entry of orvane.exe: builds the Windows platform and runs start-up.
#include <windows.h>

#include "app/startup.h"
#include "platform/platform.h"
#include "platform/windows/windows_devices.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_registry.h"
#include "platform/windows/windows_startup_host.h"
#include "platform/windows/windows_system_info.h"

namespace {

int RunProgram() {
  orvane::WindowsRegistry registry;
  orvane::WindowsFileSystem files;
  orvane::WindowsSystemInfo system;
  orvane::WindowsDeviceSource devices;
  orvane::Platform platform{registry, files, system, devices};
  orvane::WindowsStartupHost host;

  // The run modes open their windows here. Until a mode has a window to
  // open, the process ends right after the choice, without showing anything.
  orvane::RunModes modes;
  modes.command_mode = [](const std::wstring&, const orvane::StartupOptions&) {};
  modes.interactive_mode = [] {};

  return orvane::ExitCodeOf(orvane::RunStartup(platform, host, ORVANE_ARCH_NAME, modes));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunProgram(); }
