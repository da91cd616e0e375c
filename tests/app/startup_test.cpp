#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system_info.h"
#include "registry/registry_access.h"
#include "support/recording_startup_host.h"

namespace orvane {
namespace {

// --- command line and options ----------------------------------------------

TEST(ParseCommandLineText, SplitsAtBlanksOutsideQuotes) {
  const struct {
    const wchar_t* line;
    const wchar_t* program;
    const wchar_t* arguments;
  } cases[] = {
      {L"\"X:\\Tools\\orvane.exe\" -i:\"D:\\My Drivers\" -d", L"X:\\Tools\\orvane.exe", L"-i:D:\\My Drivers\n-d\n"},
      // Blanks in a row give empty fields; leading and trailing blanks and tabs go.
      {L"orvane.exe \t -f:50   -c:net \t", L"orvane.exe", L"-f:50\n\n\n-c:net\n"},
      // Every blank outside quotes separates, tabs included; inside quotes it stays.
      {L"orvane.exe -f:50\t-c:net\r-d \"-i:a\tb\"", L"orvane.exe", L"-f:50\n-c:net\n-d\n-i:a\tb\n"},
      // A quote in the middle of an argument groups only the blank it encloses.
      {L"orvane.exe -c:\"net, display\" x", L"orvane.exe", L"-c:net, display\nx\n"},
      {L"\"C:\\a b\\orvane.exe\"", L"C:\\a b\\orvane.exe", L"\n"},
      // Without the system's split the first token is skipped, never the whole line.
      {L"\"C:\\x y\\orvane.exe\" -d", L"", L"-d\n"},
      {L"C:\\x\\orvane.exe -i:D:\\ -d", L"Y:\\other.exe", L"-i:D:\\\n-d\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCommandLine(c.line, c.program), c.arguments) << c.line;
  RecordingStartupHost host;
  host.command_line = L"\"X:\\orvane.exe\" -I:D:\\Drv";
  host.arguments = {L"X:\\orvane.exe", L"-I:D:\\Drv"};
  EXPECT_EQ(ParseCommandLine(host), L"-I:D:\\Drv\n");
}

// The options as "source|percent|filter|store".
std::wstring Options(const StartupOptions& o) {
  return o.OptDriverSource + L"|" + std::to_wstring(o.OptCachePercent) + L"|" + o.OptFilterList + L"|" +
         o.OptDriverStore;
}

TEST(ReadOptions, PrefixesIgnoreCaseValuesKeepItLaterOnesWin) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      // clang-format off
      {L"-I:D:\\Drv\n-C:Net\n-F:20\n", L"D:\\Drv|20|,Net,|"},
      // "-d" must be the whole argument, in either case.
      {L"-dx\n-d:\n", L"|0||"}, {L"-D\n", L"|0||1"}, {L"x\n-d\n", L"|0||1"},
      {L"-i:A\n/q\n\n-i:B\n-f:10\n-f:30\n-c:net\n-c:\n", L"B|30||"}, {L"hello\n-x\n-i\n", L"|0||"},
      // The shared integer reading (hex, signs: ReadInteger's test); past the
      // 32-bit range the largest or smallest share, never a wrapped one.
      {L"-f:4294967346\n", L"|2147483647||"}, {L"-f:-4294967296\n", L"|-2147483648||"},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(Options(ReadOptions(c.first)), c.second) << c.first;
  EXPECT_EQ(ChooseRunMode(ReadOptions(L"-i:D:\\\n")), RunMode::kCommand);
}

TEST(NormaliseFilterList, BlanksGoEmptyEntriesCollapseAndTheListIsEnclosedInCommas) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"net, display", L",net,display,"}, {L" n e t\t", L",net,"}, {L",net,", L",net,"}, {L"", L""},
      {L" \t ", L""}, {L"net,,display", L",net,display,"}, {L"net,,,scsiadapter,", L",net,scsiadapter,"},
      {L",,", L""}};
  for (const auto& c : cases) EXPECT_EQ(NormaliseFilterList(c.first), c.second) << c.first;
}

constexpr uint64_t kMiB = 1024 * 1024;

TEST(StartupDecisions, CacheThresholdArchitectureWarningAndPreinstallationCheck) {
  const struct {
    uint64_t bytes;
    int32_t percent;
    uint64_t mib;
  } cases[] = {
      {512 * kMiB, 0, 64}, {2048 * kMiB, 0, 130}, {2048 * kMiB, -7, 130}, {7 * kMiB, 0, 0},
      {kMiB * 1000 + kMiB - 1, 0, 125},  // partial MiB dropped
      {2048 * kMiB, 50, 130}, {1099 * kMiB, 10, 100},  // 10 x 10, not 109
      {512 * kMiB, 20, 100}, {99 * kMiB, 50, 0}, {uint64_t{1} << 40, 2147483647, 130},  // no overflow
  };
  for (const auto& c : cases) EXPECT_EQ(CacheThresholdMiB(c.bytes, c.percent), c.mib) << c.bytes << " " << c.percent;

  EXPECT_EQ(ArchitectureWarning(L"x86", L"amd64", L"Please use ", L" Version."), L"Please use 32 Bit Version.");
  EXPECT_EQ(ArchitectureWarning(L"ARM64", L"x86", L"H", L"T"), L"HT");
  EXPECT_EQ(ArchitectureWarning(L"AMD64", L"amd64", L"H", L"T") + ArchitectureWarning(L"X86", L"x86", L"H", L"T"), L"");

  EXPECT_TRUE(IsPreinstallationBoot(L"/minint"));
  EXPECT_FALSE(IsPreinstallationBoot(L" NOEXECUTE=OPTOUT  MINI NT"));
}

// --- the whole start-up ----------------------------------------------------

// The system drive X:; each write test is an event of the host.
class DriveFiles : public MemoryFileSystem {
 public:
  explicit DriveFiles(std::vector<std::wstring>& events) : MemoryFileSystem(L'\\'), events_(events) {
    AddDirectory(L"X:");
  }
  bool TouchFile(const std::wstring& path) override {
    events_.push_back(L"touch:" + path);
    return writable && MemoryFileSystem::TouchFile(path);
  }
  bool writable = true;

 private:
  std::vector<std::wstring>& events_;
};

// A preinstallation environment (without start options: a missing value)
// with 512 MiB running the 32-bit build on a 32-bit system.
struct Startup {
  explicit Startup(const wchar_t* start_options) : files(host.events), platform{registry, files, system, devices} {
    system.SetEnvironment(L"windir", L"X:\\windows");
    system.total_memory = 512 * kMiB;
    SetArchitecture(L"x86");
    if (start_options)
      WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions", kRegSz,
                    start_options);
    modes.command_mode = [this](const std::wstring& version, const StartupOptions& options) {
      host.events.push_back(L"command-mode " + version + L" " + Options(options));
    };
    modes.interactive_mode = [this] { host.events.push_back(L"interactive-mode"); };
  }
  void SetArchitecture(const std::wstring& architecture) {
    WriteRegValue(registry, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                  L"PROCESSOR_ARCHITECTURE", kRegSz, architecture);
  }
  void SetArguments(const std::wstring& arguments) {
    host.command_line = L"\"X:\\Tools\\orvane.exe\" " + arguments;
    host.arguments = {L"X:\\Tools\\orvane.exe", arguments};
  }
  // Runs start-up of the 32-bit build: the host's events joined by ",", the
  // cache threshold written ("-" for none), then "|name size" of each file
  // left on the system drive.
  std::wstring Run(StartupOutcome expected) {
    StartupOptions options;
    EXPECT_EQ(RunStartup(platform, host, L"x86", modes, &options), expected);
    std::wstring trace;
    for (const std::wstring& event : host.events) trace += event + L",";
    uint32_t type = 0;
    std::vector<uint8_t> data;
    const bool written = registry.GetRaw(kHkeyLocalMachine, kWriteFilterKey, kWriteFilterValue, &type, &data);
    EXPECT_TRUE(!written || (type == kRegDword && data.size() == 4u)) << type << " " << data.size();
    trace +=
        written ? std::to_wstring(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24) : L"-";
    std::vector<DirEntry> left;
    files.ListDirectory(L"X:", &left);
    for (const DirEntry& entry : left) trace += L"|" + entry.name + L" " + std::to_wstring(entry.size);
    return trace;
  }

  MemoryRegistry registry;
  RecordingStartupHost host;
  DriveFiles files;
  MemorySystemInfo system;
  MemoryDeviceSource devices;
  Platform platform;
  RunModes modes;
};

TEST(RunStartup, TraceOfEachStart) {
  const std::wstring started = L"query-service:fbwf,start-service:fbwf,";
  const std::wstring tested = L"touch:X:\\orvane-write-test-77-0.tmp,";
  const struct {
    std::string setting;
    const wchar_t* arguments;
    StartupOutcome outcome;
    std::wstring trace;
  } cases[] = {
      // A running write filter is left alone; a failed service start is not reported.
      {"filter running", L"", StartupOutcome::kInteractiveModeEnded,
       L"query-service:fbwf," + tested + L"mutex:Orvane,interactive-mode,-"},
      {"", L"", StartupOutcome::kInteractiveModeEnded, started + tested + L"mutex:Orvane,interactive-mode,64"},
      {"filter fails", L"", StartupOutcome::kInteractiveModeEnded,
       started + tested + L"mutex:Orvane,interactive-mode,64"},
      // The write test never touches an existing file.
      {"name taken", L"", StartupOutcome::kInteractiveModeEnded,
       started + L"touch:X:\\orvane-write-test-77-1.tmp,mutex:Orvane,interactive-mode,64|orvane-write-test-77-0.tmp 4"},
      {"drive read-only", L"", StartupOutcome::kDriveNotWritable,
       started + tested + L"box(Orvane 2.0.3.2: Description of storage media  X: is not possible.),64"},
      // A missing start options value counts as no preinstallation environment.
      {"desktop", L"", StartupOutcome::kNotPreinstallation, L"box(Orvane 2.0.3.2:               For WinPE only),-"},
      // The architecture warning comes first and start-up goes on.
      {"64-bit system", L"", StartupOutcome::kInteractiveModeEnded,
       L"box(Orvane 2.0.3.2: Please use 64 Bit Version.)," + started + tested + L"mutex:Orvane,interactive-mode,64"},
      // Command mode gets the options and skips the instance check, also
      // without the system's split of the command line.
      {"instance running", L"-i:\"D:\\My Drivers\" -c:\"net, display\" -D", StartupOutcome::kCommandModeEnded,
       started + tested + L"command-mode 2.0.3.2 D:\\My Drivers|0|,net,display,|1,64"},
      {"no split", L"-c:net -d", StartupOutcome::kCommandModeEnded,
       started + tested + L"command-mode 2.0.3.2 |0|,net,|1,64"},
      {"instance running", L"-f:10 -x", StartupOutcome::kAlreadyRunning,
       started + tested + L"mutex:Orvane,box(Orvane: allready running),front: Orvane,50"},
  };
  for (const auto& c : cases) {
    Startup start(c.setting == "desktop" ? nullptr : L" MININT  NOEXECUTE=OPTIN");
    start.host.service_running = c.setting == "filter running";
    start.host.service_starts = c.setting != "filter fails";
    start.files.writable = c.setting != "drive read-only";
    start.host.mutex_exists = c.setting == "instance running";
    if (c.setting == "name taken") start.files.AddFile(L"X:\\orvane-write-test-77-0.tmp", "keep");
    if (c.setting == "64-bit system") start.SetArchitecture(L"AMD64");
    if (*c.arguments) start.SetArguments(c.arguments);
    if (c.setting == "no split") start.host.arguments.clear();
    EXPECT_EQ(start.Run(c.outcome), c.trace) << c.setting;
  }
  EXPECT_EQ(std::to_string(ExitCodeOf(StartupOutcome::kInteractiveModeEnded)) + " " +
                std::to_string(ExitCodeOf(StartupOutcome::kNotPreinstallation)),
            "0 1");
}

}  // namespace
}  // namespace orvane
