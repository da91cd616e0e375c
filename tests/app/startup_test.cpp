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

// The options as "source|percent|filter|store".
std::wstring Options(const StartupOptions& o) {
  return o.OptDriverSource + L"|" + std::to_wstring(o.OptCachePercent) + L"|" + o.OptFilterList + L"|" +
         o.OptDriverStore;
}

// What start-up reads out of a command line and the program path the system
// split off it: blanks outside quotes separate, quotes group and go; prefixes
// ignore case, values keep it, later options win.
TEST(ReadOptions, FromTheCommandLine) {
  const struct {
    const wchar_t* line;
    const wchar_t* program;
    const wchar_t* options;
  } cases[] = {
      // clang-format off
      {L"orvane.exe \t -f:50   -c:net \t", L"orvane.exe", L"|50|,net,|"},
      {L"orvane.exe -f:50\t-c:net\r-d \"-i:a\tb\"", L"orvane.exe", L"a\tb|50|,net,|1"},
      {L"\"C:\\a b\\orvane.exe\" -i:x", L"C:\\a b\\orvane.exe", L"x|0||"},
      // A program path that does not occur literally: the first token is skipped.
      {L"C:\\x\\orvane.exe -i:D:\\ -d", L"Y:\\other.exe", L"D:\\|0||1"},
      {L"x -I:D:\\Drv -C:Net -F:20", L"x", L"D:\\Drv|20|,Net,|"},
      // "-d" must be the whole argument, in either case.
      {L"x -dx -d:", L"x", L"|0||"}, {L"x -D", L"x", L"|0||1"}, {L"x x -d", L"x", L"|0||1"},
      {L"x -i:A /q  -i:B -f:10 -f:30 -c:net -c:", L"x", L"B|30||"}, {L"x hello -x -i", L"x", L"|0||"},
      // The shared integer reading (hex, signs: ReadInteger's test); past the
      // 32-bit range the largest or smallest share, never a wrapped one.
      {L"x -f:4294967346", L"x", L"|2147483647||"}, {L"x -f:-4294967296", L"x", L"|-2147483648||"},
      // The class list loses its blanks and empty entries and is enclosed in commas.
      {L"x \"-c: n e t\t\"", L"x", L"|0|,net,|"}, {L"x -c:,net,", L"x", L"|0|,net,|"}, {L"x -c:,,", L"x", L"|0||"},
      {L"x -c:net,,,scsiadapter,", L"x", L"|0|,net,scsiadapter,|"}, {L"x \"-c: \t\"", L"x", L"|0||"},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(Options(ReadOptions(ParseCommandLine(c.line, c.program))), c.options) << c.line;
  RecordingStartupHost host;  // the program path X:\Tools\orvane.exe
  host.command_line = L"\"X:\\Tools\\orvane.exe\" -I:D:\\Drv";
  EXPECT_EQ(ParseCommandLine(host), L"-I:D:\\Drv\n");
}

constexpr uint64_t kMiB = 1024 * 1024;

TEST(StartupDecisions, CacheThresholdArchitectureWarningAndPreinstallationCheck) {
  const struct {
    uint64_t bytes;
    int32_t percent;
    uint64_t mib;
  } cases[] = {
      // One eighth, a partial MiB dropped, or the share, per cent truncated to
      // whole MiB first (10 x 10, not 109); at most 130, and no overflow.
      {2048 * kMiB, 0, 130},  {2048 * kMiB, -7, 130}, {kMiB * 1000 + kMiB - 1, 0, 125},     {7 * kMiB, 0, 0},
      {1099 * kMiB, 10, 100}, {99 * kMiB, 50, 0},     {uint64_t{1} << 40, 2147483647, 130},
  };
  for (const auto& c : cases) EXPECT_EQ(CacheThresholdMiB(c.bytes, c.percent), c.mib) << c.bytes << " " << c.percent;

  EXPECT_EQ(ArchitectureWarning(L"x86", L"amd64", L"Please use ", L" Version."), L"Please use 32 Bit Version.");
  EXPECT_EQ(ArchitectureWarning(L"ARM64", L"x86", L"H", L"T"), L"HT");
  EXPECT_EQ(ArchitectureWarning(L"AMD64", L"amd64", L"H", L"T") + ArchitectureWarning(L"X86", L"x86", L"H", L"T"), L"");

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

TEST(RunStartup, TraceOfEachStart) {
  const std::wstring started = L"query-service:fbwf,start-service:fbwf,";
  const std::wstring tested = L"touch:X:\\orvane-write-test-77-0.tmp,";
  const struct {
    std::string setting;
    const wchar_t* arguments;
    StartupOutcome outcome;
    std::wstring trace;
  } cases[] = {
      // The architecture warning comes first and start-up goes on; a running
      // write filter is left alone.
      {"64-bit system, filter running", L"", StartupOutcome::kInteractiveModeEnded,
       L"box(Orvane 2.0.3.2: Please use 64 Bit Version.),query-service:fbwf," + tested +
           L"mutex:Orvane,interactive-mode,-"},
      // A failed service start is not reported; the write test never touches
      // an existing file.
      {"filter fails, name taken", L"", StartupOutcome::kInteractiveModeEnded,
       started + L"touch:X:\\orvane-write-test-77-1.tmp,mutex:Orvane,interactive-mode,64|orvane-write-test-77-0.tmp 4"},
      {"drive read-only", L"", StartupOutcome::kDriveNotWritable,
       started + tested + L"box(Orvane 2.0.3.2: Description of storage media  X: is not possible.),64"},
      // A missing start options value counts as no preinstallation environment.
      {"desktop", L"", StartupOutcome::kNotPreinstallation, L"box(Orvane 2.0.3.2:               For WinPE only),-"},
      // A driver source or the driver store each choose command mode, which gets
      // the options and skips the instance check, also without the system's
      // split of the command line.
      {"instance running", L"-i:\"D:\\My Drivers\" -c:\"net, display\"", StartupOutcome::kCommandModeEnded,
       started + tested + L"command-mode 2.0.3.2 D:\\My Drivers|0|,net,display,|,64"},
      {"no split", L"-c:net -d", StartupOutcome::kCommandModeEnded,
       started + tested + L"command-mode 2.0.3.2 |0|,net,|1,64"},
      // A class filter alone does not choose command mode.
      {"instance running", L"-f:10 -c:net -x", StartupOutcome::kAlreadyRunning,
       started + tested + L"mutex:Orvane,box(Orvane: allready running),front: Orvane,50"},
  };
  // Each start: a preinstallation environment (the desktop without start
  // options: a missing value) with 512 MiB, running the 32-bit build on a
  // 32-bit system unless the setting says otherwise. Its trace: the host's
  // events joined by ",", the cache threshold written ("-" for none), then
  // "|name size" of each file left on the system drive.
  for (const auto& c : cases) {
    auto is = [&c](const char* setting) { return c.setting.find(setting) != std::string::npos; };
    MemoryRegistry registry;
    RecordingStartupHost host;
    DriveFiles files(host.events);
    MemorySystemInfo system;
    MemoryDeviceSource devices;
    Platform platform{registry, files, system, devices};
    system.SetEnvironment(L"windir", L"X:\\windows");
    system.total_memory = 512 * kMiB;
    WriteRegValue(registry, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                  L"PROCESSOR_ARCHITECTURE", kRegSz, is("64-bit system") ? L"AMD64" : L"x86");
    if (!is("desktop"))
      WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions", kRegSz,
                    L" MININT  NOEXECUTE=OPTIN");
    host.service_running = is("filter running");
    host.service_starts = !is("filter fails");
    files.writable = !is("drive read-only");
    host.mutex_exists = is("instance running");
    if (is("name taken")) files.AddFile(L"X:\\orvane-write-test-77-0.tmp", "keep");
    if (*c.arguments) {
      host.command_line = L"\"X:\\Tools\\orvane.exe\" " + std::wstring(c.arguments);
      host.arguments = {L"X:\\Tools\\orvane.exe", c.arguments};
    }
    if (is("no split")) host.arguments.clear();
    RunModes modes;
    modes.command_mode = [&host](const std::wstring& version, const StartupOptions& options) {
      host.events.push_back(L"command-mode " + version + L" " + Options(options));
    };
    modes.interactive_mode = [&host] { host.events.push_back(L"interactive-mode"); };
    EXPECT_EQ(RunStartup(platform, host, L"x86", modes), c.outcome) << c.setting;

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
    EXPECT_EQ(trace, c.trace) << c.setting;
  }
}

}  // namespace
}  // namespace orvane
