// Process start: environment checks, command-line options, the write-filter
// cache, the write test of the system drive and the choice of the run mode.
//
// The decisions are plain functions over texts and numbers; RunStartup only
// puts them in order over the platform and a StartupHost (message boxes, the
// instance mutex, the service manager, the command line).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace orvane {

// The program's version as shown in titles and windows.
constexpr wchar_t ProgramVersion[] = L"2.0.3.2";

// Title of the message boxes shown during start-up: "Orvane " + version.
std::wstring VersionedTitle();
// Title of the box shown when another interactive instance runs.
constexpr wchar_t kAlreadyRunningTitle[] = L"Orvane";
// Name of the single-instance mutex and title of the main window.
constexpr wchar_t kInstanceMutexName[] = L"Orvane";
constexpr wchar_t kMainWindowTitle[] = L" Orvane";
// Service name of the file-based write filter and where its cache size lives.
constexpr wchar_t kWriteFilterService[] = L"fbwf";
constexpr wchar_t kWriteFilterKey[] = L"SYSTEM\\ControlSet001\\Services\\FBWF";
constexpr wchar_t kWriteFilterValue[] = L"WinPECacheThreshold";
// The write-filter cache never gets more than this many MiB.
constexpr uint64_t kMaxCacheThresholdMiB = 130;

// Option settings taken from the command line.
struct StartupOptions {
  std::wstring OptDriverSource;   // "-i:" driver source for the unattended run
  int32_t OptCachePercent = 0;    // "-f:" share of memory for the cache; 0 = default
  std::wstring OptFilterList;     // "-c:" class list as ",a,b," or ""
  std::wstring OptDriverStore;    // "-d": "1" or ""
};

// Arguments as one text: each argument followed by "\n". command_line is the
// process's full command line, program_path the first element as the system
// splits it. Blanks (codes up to 32, tabs included) outside double quotes
// separate arguments (several blanks give empty arguments); quotes group and
// are removed.
std::wstring ParseCommandLine(const std::wstring& command_line, const std::wstring& program_path);

// Reads the options out of the "\n"-joined argument text. Unknown arguments
// are ignored; a later option replaces an earlier one.
StartupOptions ReadOptions(const std::wstring& arguments);

// Normalises a "-c:" value to ",class1,class2," with no blanks and no empty
// entries; "" when it lists nothing.
std::wstring NormaliseFilterList(const std::wstring& value);

// Write-filter cache size in MiB for the given physical memory: one eighth of
// the memory by default, percent per cent of it when percent > 0 (the
// per-cent unit is truncated to whole MiB first), never above 130.
uint64_t CacheThresholdMiB(uint64_t memory_bytes, int32_t percent);

enum class RunMode { kCommand, kInteractive };

// The unattended command mode runs when a driver source or the driver store is asked for.
RunMode ChooseRunMode(const StartupOptions& options);

// Text of the architecture warning, or "" when the running architecture is
// the one this build was made for (both compared lower-cased).
std::wstring ArchitectureWarning(const std::wstring& running_architecture,
                                 const std::wstring& expected_architecture,
                                 const std::wstring& head, const std::wstring& tail);

// Does the boot option text mark a preinstallation environment?
bool IsPreinstallationBoot(const std::wstring& start_options);

// The platform services start-up needs beyond the Platform families.
class StartupHost {
 public:
  virtual ~StartupHost() = default;
  // A message box without owner, with an OK button; returns when it is closed.
  virtual void ShowMessage(const std::wstring& title, const std::wstring& text) = 0;
  // Creates the named single-instance mutex and keeps it for the life of the
  // process. True when another process already holds one of that name; the
  // new handle is then released and closed again.
  virtual bool CreateInstanceMutex(const std::wstring& name) = 0;
  // Brings the top-level window with exactly this title to the foreground, if any.
  virtual void BringWindowToFront(const std::wstring& title) = 0;
  // True only when the service answers an interrogation.
  virtual bool IsServiceRunning(const std::wstring& name) = 0;
  // True only when the service was opened and started.
  virtual bool StartServiceByName(const std::wstring& name) = 0;
  // The process's full command line.
  virtual std::wstring CommandLine() = 0;
  // The command line split by the system's rules: the program path first,
  // then the arguments. Empty when the split is not available.
  virtual std::vector<std::wstring> CommandLineArguments() = 0;
  // A text that differs between processes and between calls in one process,
  // for temporary names that must not collide with anything else.
  virtual std::wstring UniqueToken() = 0;
};

// The same for the running process, through the host.
std::wstring ParseCommandLine(StartupHost& host);

// The mode that start-up hands over to. Both return when their window's work
// is done; the process ends afterwards.
struct RunModes {
  std::function<void(const std::wstring& version, const StartupOptions& options)> command_mode;
  std::function<void()> interactive_mode;
};

enum class StartupOutcome {
  kCommandModeEnded,
  kInteractiveModeEnded,
  kNotPreinstallation,  // stopped: not a preinstallation environment
  kDriveNotWritable,    // stopped: the system drive cannot be written
  kAlreadyRunning,      // stopped: another interactive instance runs
};

// Exit code of the process for each outcome: 0 after a run mode, else 1 to 3.
int ExitCodeOf(StartupOutcome outcome);

// The whole start-up in its fixed order. expected_architecture is the
// processor architecture this build was made for ("x86" or "amd64"). The
// options read are stored in *options when it is given.
StartupOutcome RunStartup(Platform& platform, StartupHost& host,
                          const std::wstring& expected_architecture, const RunModes& modes,
                          StartupOptions* options = nullptr);

// Asks the configuration manager to rescan the whole device tree.
inline void ReEnumerateDevices(DeviceSource& devices) { devices.Reenumerate(); }

}  // namespace orvane
