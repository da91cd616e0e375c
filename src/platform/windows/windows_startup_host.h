// Start-up services of Windows: message boxes, the single-instance mutex, the
// service control manager and the process's command line.
#pragma once

#include "app/startup.h"

namespace orvane {

class WindowsStartupHost : public StartupHost {
 public:
  WindowsStartupHost() = default;
  // The instance mutex is deliberately kept open: the end of the process releases it.
  ~WindowsStartupHost() override = default;

  void ShowMessage(const std::wstring& title, const std::wstring& text) override;
  bool CreateInstanceMutex(const std::wstring& name) override;
  void BringWindowToFront(const std::wstring& title) override;
  bool IsServiceRunning(const std::wstring& name) override;
  bool StartServiceByName(const std::wstring& name) override;
  std::wstring CommandLine() override;
  std::vector<std::wstring> CommandLineArguments() override;
  std::wstring UniqueToken() override;

 private:
  void* instance_mutex_ = nullptr;
  unsigned counter_ = 0;
};

}  // namespace orvane
