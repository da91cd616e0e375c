#include <windows.h>

#include "platform/windows/windows_startup_host.h"
#include "platform/windows/system_library.h"

namespace orvane {

namespace {

class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE h) : h_(h) {}
  ~ServiceHandle() {
    if (h_) CloseServiceHandle(h_);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  SC_HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  SC_HANDLE h_;
};

}  // namespace

void WindowsStartupHost::ShowMessage(const std::wstring& title, const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_SETFOREGROUND);
}

bool WindowsStartupHost::CreateInstanceMutex(const std::wstring& name) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return true;
  }
  if (mutex) instance_mutex_ = mutex;
  return false;
}

void WindowsStartupHost::BringWindowToFront(const std::wstring& title) {
  if (HWND window = FindWindowW(nullptr, title.c_str())) SetForegroundWindow(window);
}

bool WindowsStartupHost::IsServiceRunning(const std::wstring& name) {
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_INTERROGATE));
  if (!service) return false;
  SERVICE_STATUS status;
  ZeroMemory(&status, sizeof status);
  return ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &status) != 0;
}

bool WindowsStartupHost::StartServiceByName(const std::wstring& name) {
  ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, GENERIC_READ | SC_MANAGER_CONNECT));
  if (!manager) return false;
  ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), GENERIC_EXECUTE));
  if (!service) return false;
  return StartServiceW(service.get(), 0, nullptr) != 0;
}

std::wstring WindowsStartupHost::CommandLine() {
  const wchar_t* line = GetCommandLineW();
  return line ? std::wstring(line) : std::wstring();
}

std::vector<std::wstring> WindowsStartupHost::CommandLineArguments() {
  std::vector<std::wstring> args;
  SystemLibrary shell(L"Shell32.dll");
  using SplitFn = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  auto split = shell.FindAs<SplitFn>("CommandLineToArgvW");
  if (!split) return args;
  int count = 0;
  LPWSTR* argv = split(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

std::wstring WindowsStartupHost::UniqueToken() {
  return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
         std::to_wstring(counter_++);
}

}  // namespace orvane
