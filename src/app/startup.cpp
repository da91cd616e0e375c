#include "app/startup.h"

#include <algorithm>
#include <cstdint>

#include "registry/registry_access.h"
#include "registry/system_profile.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {

namespace {

// Where the system's own split ends the program path: a quoted path runs to
// the closing quote, an unquoted one to the first blank.
size_t EndOfProgramToken(const std::wstring& command_line) {
  size_t pos = 0;
  if (!command_line.empty() && command_line[0] == L'"') {
    size_t close = command_line.find(L'"', 1);
    return close == std::wstring::npos ? command_line.size() : close;
  }
  while (pos < command_line.size() && command_line[pos] != L' ' && command_line[pos] != L'\t') {
    ++pos;
  }
  return pos;
}

}  // namespace

std::wstring VersionedTitle() { return std::wstring(L"Orvane ") + ProgramVersion; }

std::wstring ParseCommandLine(const std::wstring& command_line, const std::wstring& program_path) {
  // The text after the program path. A path the system unquoted or unescaped
  // on its way into the split may not occur literally; then the first token
  // is skipped by the system's own rule instead of taking the whole line.
  std::wstring rest;
  size_t found = program_path.empty() ? std::wstring::npos : command_line.find(program_path);
  if (found != std::wstring::npos) {
    rest = command_line.substr(found + program_path.size());
  } else {
    rest = command_line.substr(EndOfProgramToken(command_line));
  }
  if (!rest.empty() && rest[0] == L'"') rest.erase(0, 1);
  rest = TrimBlanks(rest, kTrimBoth);

  std::wstring out;
  out.reserve(rest.size() + 1);
  bool quoted = false;
  for (wchar_t ch : rest) {
    if (ch == L'"') {
      quoted = !quoted;
    } else if (IsBlank(ch) && !quoted) {
      out += L'\n';
    } else {
      out += ch;
    }
  }
  out += L'\n';
  return out;
}

std::wstring NormaliseFilterList(const std::wstring& value) {
  std::wstring list = TrimBlanks(value, kTrimAll);
  if (list.empty()) return list;
  // Empty entries collapse to one separator, so "net,,display" still lists
  // both classes and a value that already carries commas stays a list.
  std::wstring out = L",";
  for (wchar_t ch : list) {
    if (ch == L',' && out.back() == L',') continue;
    out += ch;
  }
  if (out.back() != L',') out += L',';
  return out == L"," ? std::wstring() : out;
}

StartupOptions ReadOptions(const std::wstring& arguments) {
  StartupOptions options;
  std::vector<std::wstring> fields = SplitText(arguments, L"\n");
  // The piece after the closing "\n" is not an argument.
  if (!fields.empty() && !arguments.empty() && arguments.back() == L'\n') fields.pop_back();
  for (const std::wstring& field : fields) {
    std::wstring prefix = LowerText(field.substr(0, 3));
    std::wstring value = field.size() > 3 ? field.substr(3) : std::wstring();
    if (prefix == L"-i:") {
      options.OptDriverSource = value;
    } else if (prefix == L"-f:") {
      // A share past the 32-bit range reads as its largest (or smallest) value.
      const int64_t percent = ReadInteger(value);
      options.OptCachePercent = static_cast<int32_t>(
          std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, percent)));
    } else if (prefix == L"-c:") {
      options.OptFilterList = NormaliseFilterList(value);
    } else if (LowerText(field) == L"-d") {
      options.OptDriverStore = L"1";
    }
  }
  return options;
}

uint64_t CacheThresholdMiB(uint64_t memory_bytes, int32_t percent) {
  uint64_t mib = memory_bytes / 1024 / 1024;
  uint64_t threshold = percent > 0 ? mib / 100 * static_cast<uint64_t>(percent) : mib / 8;
  return threshold > kMaxCacheThresholdMiB ? kMaxCacheThresholdMiB : threshold;
}

RunMode ChooseRunMode(const StartupOptions& options) {
  if (!options.OptDriverSource.empty() || options.OptDriverStore == L"1") return RunMode::kCommand;
  return RunMode::kInteractive;
}

std::wstring ArchitectureWarning(const std::wstring& running_architecture,
                                 const std::wstring& expected_architecture,
                                 const std::wstring& head, const std::wstring& tail) {
  if (LowerText(running_architecture) == LowerText(expected_architecture)) return std::wstring();
  return head + BitnessText(running_architecture) + tail;
}

bool IsPreinstallationBoot(const std::wstring& start_options) {
  return Contains(LowerText(start_options), L"minint");
}

std::wstring ParseCommandLine(StartupHost& host) {
  std::vector<std::wstring> args = host.CommandLineArguments();
  return ParseCommandLine(host.CommandLine(), args.empty() ? std::wstring() : args[0]);
}

int ExitCodeOf(StartupOutcome outcome) {
  switch (outcome) {
    case StartupOutcome::kCommandModeEnded:
    case StartupOutcome::kInteractiveModeEnded:
      return 0;
    case StartupOutcome::kNotPreinstallation:
      return 1;
    case StartupOutcome::kDriveNotWritable:
      return 2;
    case StartupOutcome::kAlreadyRunning:
      return 3;
  }
  return 1;
}

namespace {

// Creates (or opens) a file in the root of the drive and removes it again.
// The name carries the process and a counter, so no file of the user's is
// ever opened or deleted.
bool SystemDriveWritable(FileSystem& files, StartupHost& host, const std::wstring& drive) {
  std::wstring path;
  for (int attempt = 0; attempt < 16; ++attempt) {
    path = drive + L"\\orvane-write-test-" + host.UniqueToken() + L".tmp";
    if (!files.FileExists(path)) break;
  }
  if (!files.TouchFile(path)) return false;
  files.DeleteFile(path);
  return true;
}

}  // namespace

StartupOutcome RunStartup(Platform& platform, StartupHost& host,
                          const std::wstring& expected_architecture, const RunModes& modes,
                          StartupOptions* options_out) {
  const std::wstring title = VersionedTitle();

  LoadUiTexts(platform.system.UserDefaultLanguage());

  RegStatus status = 0;
  const std::wstring architecture =
      ReadRegValue(platform.registry, &status, L"HKLM",
                   L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                   L"PROCESSOR_ARCHITECTURE");
  const std::wstring windir = platform.system.GetEnvironment(L"Windir");
  const std::wstring system_drive = windir.substr(0, windir.find(L'\\'));

  std::wstring warning = ArchitectureWarning(architecture, expected_architecture,
                                             UiText(TxtUseVersionHead), UiText(TxtUseVersionTail));
  if (!warning.empty()) host.ShowMessage(title, warning);

  status = 0;
  std::wstring start_options = ReadRegValue(platform.registry, &status, L"HKLM",
                                            L"SYSTEM\\CurrentControlSet\\Control",
                                            L"SystemStartOptions");
  if (!IsPreinstallationBoot(start_options)) {
    host.ShowMessage(title, UiText(TxtWinPeOnly));
    return StartupOutcome::kNotPreinstallation;
  }

  // Options are read unless the system's split shows no argument at all;
  // without the split the line is still read, past its first token.
  StartupOptions options;
  std::vector<std::wstring> args = host.CommandLineArguments();
  if (args.size() != 1) {
    options = ReadOptions(ParseCommandLine(host.CommandLine(), args.empty() ? std::wstring() : args[0]));
  }
  if (options_out) *options_out = options;

  if (!host.IsServiceRunning(kWriteFilterService)) {
    uint64_t threshold =
        CacheThresholdMiB(platform.system.TotalPhysicalMemory(), options.OptCachePercent);
    WriteRegValue(platform.registry, L"hklm", kWriteFilterKey, kWriteFilterValue, kRegDword,
                  DecimalText(static_cast<int64_t>(threshold)));
    host.StartServiceByName(kWriteFilterService);
  }

  if (!SystemDriveWritable(platform.files, host, system_drive)) {
    host.ShowMessage(title, UiText(TxtNotWritableHead) + system_drive + UiText(TxtNotWritableTail));
    return StartupOutcome::kDriveNotWritable;
  }

  if (ChooseRunMode(options) == RunMode::kCommand) {
    if (modes.command_mode) modes.command_mode(ProgramVersion, options);
    return StartupOutcome::kCommandModeEnded;
  }

  if (host.CreateInstanceMutex(kInstanceMutexName)) {
    host.ShowMessage(kAlreadyRunningTitle, UiText(TxtAlreadyRunning));
    host.BringWindowToFront(kMainWindowTitle);
    return StartupOutcome::kAlreadyRunning;
  }

  if (modes.interactive_mode) modes.interactive_mode();
  return StartupOutcome::kInteractiveModeEnded;
}

}  // namespace orvane
