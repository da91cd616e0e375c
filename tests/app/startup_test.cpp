#include "app/startup.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_registry.h"
#include "registry/registry_access.h"
#include "platform/memory/memory_system_info.h"
#include "platform/memory/memory_file_system.h"
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
      {L"orvane.exe", L"orvane.exe", L"\n"},
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
std::wstring Options(const std::wstring& arguments) {
  const StartupOptions o = ReadOptions(arguments);
  return o.OptDriverSource + L"|" + std::to_wstring(o.OptCachePercent) + L"|" + o.OptFilterList + L"|" +
         o.OptDriverStore;
}

TEST(ReadOptions, PrefixesIgnoreCaseValuesKeepItLaterOnesWin) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"-I:D:\\Drv\n-C:Net\n-F:20\n", L"D:\\Drv|20|,Net,|"},
      // "-d" must be the whole argument, in either case.
      {L"-dx\n-d:\n", L"|0||"}, {L"-D\n", L"|0||1"}, {L"x\n-d\n", L"|0||1"},
      {L"-i:A\n/q\n\n-i:B\n-f:10\n-f:30\n-c:net\n-c:\n", L"B|30||"},
      {L"hello\n-x\n-i\n", L"|0||"},
      // The shared integer reading; past the 32-bit range the largest or
      // smallest share, never a wrapped one.
      {L"-f:$1A\n", L"|26||"}, {L"-f:%101\n", L"|5||"}, {L"-f:-5\n", L"|-5||"}, {L"-f:25%\n", L"|25||"},
      {L"-f:abc\n", L"|0||"}, {L"-f:4294967346\n", L"|2147483647||"}, {L"-f:-4294967296\n", L"|-2147483648||"},
  };
  for (const auto& c : cases) EXPECT_EQ(Options(c.first), c.second) << c.first;
  EXPECT_EQ(ChooseRunMode(ReadOptions(L"hello\n-f:50\n-c:net\n")), RunMode::kInteractive);
  EXPECT_EQ(ChooseRunMode(ReadOptions(L"-d\n")), RunMode::kCommand);
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

  EXPECT_EQ(ArchitectureWarning(L"AMD64", L"x86", L"Please use ", L" Version."), L"Please use 64 Bit Version.");
  EXPECT_EQ(ArchitectureWarning(L"x86", L"amd64", L"Please use ", L" Version."), L"Please use 32 Bit Version.");
  EXPECT_EQ(ArchitectureWarning(L"ARM64", L"x86", L"H", L"T"), L"HT");
  EXPECT_EQ(ArchitectureWarning(L"AMD64", L"amd64", L"H", L"T") + ArchitectureWarning(L"X86", L"x86", L"H", L"T"), L"");

  EXPECT_TRUE(IsPreinstallationBoot(L" MININT  NOEXECUTE=OPTIN"));
  EXPECT_TRUE(IsPreinstallationBoot(L"/minint"));
  EXPECT_FALSE(IsPreinstallationBoot(L""));
  EXPECT_FALSE(IsPreinstallationBoot(L" NOEXECUTE=OPTOUT  MINI NT"));
}

// --- the whole start-up ----------------------------------------------------

// The system drive X:, recording every write test.
class DriveFiles : public MemoryFileSystem {
 public:
  DriveFiles() : MemoryFileSystem(L'\\') { AddDirectory(L"X:"); }
  bool TouchFile(const std::wstring& path) override {
    touched.push_back(path);
    return writable && MemoryFileSystem::TouchFile(path);
  }
  bool writable = true;
  std::vector<std::wstring> touched;
};

class RunStartupTest : public ::testing::Test {
 protected:
  RunStartupTest() : platform_{registry_, files_, system_, devices_} {
    system_.SetEnvironment(L"windir", L"X:\\windows");
    system_.total_memory = 512 * kMiB;
    SetArchitecture(L"x86");
    SetStartOptions(L" MININT  NOEXECUTE=OPTIN");
    modes_.command_mode = [this](const std::wstring& version, const StartupOptions& options) {
      host_.events.push_back(L"command-mode " + version);
      command_options_ = options;
    };
    modes_.interactive_mode = [this] { host_.events.push_back(L"interactive-mode"); };
  }

  void SetArchitecture(const std::wstring& architecture) {
    WriteRegValue(registry_, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                  L"PROCESSOR_ARCHITECTURE", kRegSz, architecture);
  }
  void SetStartOptions(const std::wstring& options) {
    WriteRegValue(registry_, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions", kRegSz, options);
  }
  void SetArguments(const std::wstring& arguments) {
    host_.command_line = L"\"X:\\Tools\\orvane.exe\" " + arguments;
    host_.arguments = {L"X:\\Tools\\orvane.exe", arguments};
  }
  // Runs start-up; the host's events joined by ",", each box as
  // "box(title: text)", then the cache threshold written ("-" for none).
  std::wstring Run(StartupOutcome expected, const std::wstring& expected_architecture = L"x86") {
    host_.events.clear();
    host_.messages.clear();
    EXPECT_EQ(RunStartup(platform_, host_, expected_architecture, modes_, &options_), expected);
    std::wstring trace;
    size_t box = 0;
    for (const std::wstring& event : host_.events) {
      if (event == L"message" && box < host_.messages.size()) {
        const RecordingStartupHost::Message& message = host_.messages[box++];
        trace += L"box(" + message.title + L": " + message.text + L"),";
      } else {
        trace += event + L",";
      }
    }
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!registry_.GetRaw(kHkeyLocalMachine, kWriteFilterKey, kWriteFilterValue, &type, &data)) return trace + L"-";
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(data.size(), 4u);
    return trace + std::to_wstring(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
  }

  MemoryRegistry registry_;
  DriveFiles files_;
  MemorySystemInfo system_;
  MemoryDeviceSource devices_;
  Platform platform_;
  RecordingStartupHost host_;
  RunModes modes_;
  StartupOptions options_;
  StartupOptions command_options_;
};

TEST_F(RunStartupTest, InteractiveStartInOrder) {
  // A running write filter is left alone.
  host_.service_running = true;
  EXPECT_EQ(Run(StartupOutcome::kInteractiveModeEnded), L"query-service:fbwf,mutex:Orvane,interactive-mode,-");
  // The write test used its own name on the system drive and left nothing behind.
  ASSERT_EQ(files_.touched.size(), 1u);
  EXPECT_EQ(files_.touched[0].rfind(L"X:\\orvane-write-test-", 0), 0u);
  std::vector<DirEntry> left;
  EXPECT_TRUE(files_.ListDirectory(L"X:", &left) && left.empty());
  EXPECT_EQ(ExitCodeOf(StartupOutcome::kInteractiveModeEnded), 0);

  host_.service_running = false;
  EXPECT_EQ(Run(StartupOutcome::kInteractiveModeEnded),
            L"query-service:fbwf,start-service:fbwf,mutex:Orvane,interactive-mode,64");
  // A failed service start is not reported.
  host_.service_starts = false;
  EXPECT_EQ(Run(StartupOutcome::kInteractiveModeEnded),
            L"query-service:fbwf,start-service:fbwf,mutex:Orvane,interactive-mode,64");
}

// The refusal outside a preinstallation environment, in English and German,
// is checked on the real program (tests/e2e/startup.sh).
TEST_F(RunStartupTest, RefusalsShowTheirBoxAndStop) {
  // A missing value counts as no preinstallation environment.
  MemoryRegistry empty;
  WriteRegValue(empty, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                L"PROCESSOR_ARCHITECTURE", kRegSz, L"x86");
  Platform platform{empty, files_, system_, devices_};
  EXPECT_EQ(RunStartup(platform, host_, L"x86", modes_), StartupOutcome::kNotPreinstallation);
  EXPECT_NE(ExitCodeOf(StartupOutcome::kNotPreinstallation), 0);

  files_.writable = false;
  EXPECT_EQ(Run(StartupOutcome::kDriveNotWritable),
            L"query-service:fbwf,start-service:fbwf,box(Orvane 2.0.3.2: Description of storage media  X: is not "
            L"possible.),64");
}

TEST_F(RunStartupTest, ArchitectureWarningComesFirstAndStartUpGoesOn) {
  SetArchitecture(L"AMD64");
  EXPECT_EQ(Run(StartupOutcome::kInteractiveModeEnded),
            L"box(Orvane 2.0.3.2: Please use 64 Bit Version.),query-service:fbwf,start-service:fbwf,mutex:Orvane,"
            L"interactive-mode,64");
  // The 64-bit build on a 64-bit system says nothing.
  EXPECT_EQ(Run(StartupOutcome::kInteractiveModeEnded, L"amd64"),
            L"query-service:fbwf,start-service:fbwf,mutex:Orvane,interactive-mode,64");
}

TEST_F(RunStartupTest, WriteTestNeverTouchesAnExistingFile) {
  files_.AddFile(L"X:\\orvane-write-test-77-0.tmp", "keep");
  Run(StartupOutcome::kInteractiveModeEnded);
  ASSERT_EQ(files_.touched.size(), 1u);
  EXPECT_NE(files_.touched[0], L"X:\\orvane-write-test-77-0.tmp");
  std::string bytes;
  EXPECT_TRUE(files_.ReadFile(L"X:\\orvane-write-test-77-0.tmp", &bytes));
  EXPECT_EQ(bytes, "keep");
}

TEST_F(RunStartupTest, CommandModeGetsOptionsAndSkipsTheInstanceCheck) {
  host_.mutex_exists = true;
  SetArguments(L"-i:\"D:\\My Drivers\" -c:\"net, display\" -D");
  EXPECT_EQ(Run(StartupOutcome::kCommandModeEnded),
            L"query-service:fbwf,start-service:fbwf,command-mode 2.0.3.2,64");
  EXPECT_EQ(command_options_.OptDriverSource + L"|" + command_options_.OptFilterList + L"|" +
                command_options_.OptDriverStore,
            L"D:\\My Drivers|,net,display,|1");
  // Options are read even without the system's split.
  host_.command_line = L"\"X:\\Tools\\orvane.exe\" -d";
  host_.arguments.clear();
  Run(StartupOutcome::kCommandModeEnded);
  EXPECT_EQ(command_options_.OptDriverStore, L"1");
}

TEST_F(RunStartupTest, SecondInteractiveStartShowsBoxAndFrontsTheFirst) {
  host_.mutex_exists = true;
  SetArguments(L"-f:10 -x");
  EXPECT_EQ(Run(StartupOutcome::kAlreadyRunning),
            L"query-service:fbwf,start-service:fbwf,mutex:Orvane,box(Orvane: allready running),front,50");
  EXPECT_EQ(host_.fronted_windows, std::vector<std::wstring>{L" Orvane"});
}

}  // namespace
}  // namespace orvane
