#include "app/startup.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_registry.h"
#include "registry/registry_access.h"
#include "support/fake_system_info.h"
#include "support/recording_startup_host.h"

namespace orvane {
namespace {

// --- command line ---------------------------------------------------------

TEST(ParseCommandLineText, QuotedProgramPathAndQuotedArgument) {
  std::wstring line = L"\"X:\\Tools\\orvane.exe\" -i:\"D:\\My Drivers\" -d";
  EXPECT_EQ(ParseCommandLine(line, L"X:\\Tools\\orvane.exe"), L"-i:D:\\My Drivers\n-d\n");
}

TEST(ParseCommandLineText, UnquotedProgramPathBlanksAndControlCharacters) {
  // Blanks in a row give empty fields; leading and trailing blanks and tabs go.
  EXPECT_EQ(ParseCommandLine(L"orvane.exe \t -f:50   -c:net \t", L"orvane.exe"),
            L"-f:50\n\n\n-c:net\n");
  // Every blank outside quotes separates, tabs included; inside quotes it stays.
  EXPECT_EQ(ParseCommandLine(L"orvane.exe -f:50\t-c:net\r-d \"-i:a\tb\"", L"orvane.exe"),
            L"-f:50\n-c:net\n-d\n-i:a\tb\n");
  // A quote in the middle of an argument groups only the blank it encloses.
  EXPECT_EQ(ParseCommandLine(L"orvane.exe -c:\"net, display\" x", L"orvane.exe"),
            L"-c:net, display\nx\n");
}

TEST(ParseCommandLineText, NoArgumentsGiveOnlyTheClosingSeparator) {
  EXPECT_EQ(ParseCommandLine(L"\"C:\\a b\\orvane.exe\"", L"C:\\a b\\orvane.exe"), L"\n");
  EXPECT_EQ(ParseCommandLine(L"orvane.exe", L"orvane.exe"), L"\n");
}

TEST(ParseCommandLineText, WithoutTheSystemsSplitTheFirstTokenIsSkipped) {
  // Never the whole line: the program path itself must not become an option.
  EXPECT_EQ(ParseCommandLine(L"\"C:\\x y\\orvane.exe\" -d", L""), L"-d\n");
  EXPECT_EQ(ParseCommandLine(L"C:\\x\\orvane.exe -i:D:\\ -d", L"Y:\\other.exe"), L"-i:D:\\\n-d\n");
}

TEST(ParseCommandLine, UsesTheHostsLineAndFirstArgument) {
  RecordingStartupHost host;
  host.command_line = L"\"X:\\orvane.exe\" -I:D:\\Drv";
  host.arguments = {L"X:\\orvane.exe", L"-I:D:\\Drv"};
  EXPECT_EQ(ParseCommandLine(host), L"-I:D:\\Drv\n");
}

// --- options --------------------------------------------------------------

TEST(ReadOptions, PrefixesIgnoreCaseValuesKeepIt) {
  StartupOptions options = ReadOptions(L"-I:D:\\Drv\n-C:Net\n-F:20\n");
  EXPECT_EQ(options.OptDriverSource, L"D:\\Drv");
  EXPECT_EQ(options.OptFilterList, L",Net,");
  EXPECT_EQ(options.OptCachePercent, 20);
  EXPECT_EQ(options.OptDriverStore, L"");
}

TEST(ReadOptions, DriverStoreFlagMustBeTheWholeArgument) {
  EXPECT_EQ(ReadOptions(L"-dx\n").OptDriverStore, L"");
  EXPECT_EQ(ReadOptions(L"-d:\n").OptDriverStore, L"");
  EXPECT_EQ(ReadOptions(L"-D\n").OptDriverStore, L"1");
  EXPECT_EQ(ReadOptions(L"x\n-d\n").OptDriverStore, L"1");
}

TEST(ReadOptions, LaterOptionsReplaceEarlierOnesAndUnknownOnesAreIgnored) {
  StartupOptions options = ReadOptions(L"-i:A\n/q\n\n-i:B\n-f:10\n-f:30\n-c:net\n-c:\n");
  EXPECT_EQ(options.OptDriverSource, L"B");
  EXPECT_EQ(options.OptCachePercent, 30);
  EXPECT_EQ(options.OptFilterList, L"");
  StartupOptions none = ReadOptions(L"hello\n-x\n-i\n");
  EXPECT_EQ(none.OptDriverSource, L"");
  EXPECT_EQ(none.OptCachePercent, 0);
  EXPECT_EQ(ChooseRunMode(none), RunMode::kInteractive);
}

TEST(ReadOptions, CachePercentUsesTheSharedIntegerReading) {
  EXPECT_EQ(ReadOptions(L"-f:$1A\n").OptCachePercent, 26);
  EXPECT_EQ(ReadOptions(L"-f:%101\n").OptCachePercent, 5);
  EXPECT_EQ(ReadOptions(L"-f:-5\n").OptCachePercent, -5);
  EXPECT_EQ(ReadOptions(L"-f:25%\n").OptCachePercent, 25);
  EXPECT_EQ(ReadOptions(L"-f:abc\n").OptCachePercent, 0);
  // Past the 32-bit range: the largest or smallest share, never a wrapped one.
  EXPECT_EQ(ReadOptions(L"-f:4294967346\n").OptCachePercent, INT32_MAX);
  EXPECT_EQ(ReadOptions(L"-f:-4294967296\n").OptCachePercent, INT32_MIN);
}

TEST(NormaliseFilterList, BlanksGoAndTheListIsEnclosedInCommas) {
  EXPECT_EQ(NormaliseFilterList(L"net, display"), L",net,display,");
  EXPECT_EQ(NormaliseFilterList(L" n e t\t"), L",net,");
  EXPECT_EQ(NormaliseFilterList(L",net,"), L",net,");
  EXPECT_EQ(NormaliseFilterList(L""), L"");
  EXPECT_EQ(NormaliseFilterList(L" \t "), L"");
}

TEST(NormaliseFilterList, EmptyEntriesDoNotMergeNeighbouringClasses) {
  EXPECT_EQ(NormaliseFilterList(L"net,,display"), L",net,display,");
  EXPECT_EQ(NormaliseFilterList(L"net,,,scsiadapter,"), L",net,scsiadapter,");
  EXPECT_EQ(NormaliseFilterList(L",,"), L"");
}

// --- write-filter cache and run mode ---------------------------------------

constexpr uint64_t kMiB = 1024 * 1024;

TEST(CacheThresholdMiB, DefaultIsAnEighthCappedAt130) {
  EXPECT_EQ(CacheThresholdMiB(512 * kMiB, 0), 64u);
  EXPECT_EQ(CacheThresholdMiB(2048 * kMiB, 0), 130u);
  EXPECT_EQ(CacheThresholdMiB(2048 * kMiB, -7), 130u);
  EXPECT_EQ(CacheThresholdMiB(7 * kMiB, 0), 0u);
  EXPECT_EQ(CacheThresholdMiB(kMiB * 1000 + kMiB - 1, 0), 125u);  // partial MiB dropped
}

TEST(CacheThresholdMiB, PercentTruncatesTheUnitBeforeMultiplying) {
  EXPECT_EQ(CacheThresholdMiB(2048 * kMiB, 50), 130u);
  EXPECT_EQ(CacheThresholdMiB(1099 * kMiB, 10), 100u);  // 10 x 10, not 109
  EXPECT_EQ(CacheThresholdMiB(512 * kMiB, 20), 100u);
  EXPECT_EQ(CacheThresholdMiB(99 * kMiB, 50), 0u);
  EXPECT_EQ(CacheThresholdMiB(uint64_t{1} << 40, 2147483647), 130u);  // no overflow
}

TEST(ChooseRunMode, DriverSourceOrDriverStoreSelectTheCommandMode) {
  StartupOptions options;
  options.OptCachePercent = 50;
  options.OptFilterList = L",net,";
  EXPECT_EQ(ChooseRunMode(options), RunMode::kInteractive);
  options.OptDriverStore = L"1";
  EXPECT_EQ(ChooseRunMode(options), RunMode::kCommand);
  options.OptDriverStore.clear();
  options.OptDriverSource = L"D:\\";
  EXPECT_EQ(ChooseRunMode(options), RunMode::kCommand);
}

TEST(ArchitectureWarning, NamesTheRunningArchitecture) {
  EXPECT_EQ(ArchitectureWarning(L"AMD64", L"x86", L"Please use ", L" Version."),
            L"Please use 64 Bit Version.");
  EXPECT_EQ(ArchitectureWarning(L"x86", L"amd64", L"Please use ", L" Version."),
            L"Please use 32 Bit Version.");
  EXPECT_EQ(ArchitectureWarning(L"ARM64", L"x86", L"H", L"T"), L"HT");
  EXPECT_EQ(ArchitectureWarning(L"AMD64", L"amd64", L"H", L"T"), L"");
  EXPECT_EQ(ArchitectureWarning(L"X86", L"x86", L"H", L"T"), L"");
}

TEST(IsPreinstallationBoot, LooksForMinintInAnyCase) {
  EXPECT_TRUE(IsPreinstallationBoot(L" MININT  NOEXECUTE=OPTIN"));
  EXPECT_TRUE(IsPreinstallationBoot(L"/minint"));
  EXPECT_FALSE(IsPreinstallationBoot(L""));
  EXPECT_FALSE(IsPreinstallationBoot(L" NOEXECUTE=OPTOUT  MINI NT"));
}

// --- the whole start-up ----------------------------------------------------

// Files by path only; enough for the write test of the system drive.
class DriveFiles : public FileSystem {
 public:
  bool writable = true;
  std::set<std::wstring> files;
  std::vector<std::wstring> touched;

  bool TouchFile(const std::wstring& path) override {
    touched.push_back(path);
    if (!writable) return false;
    files.insert(path);
    return true;
  }
  bool DeleteFile(const std::wstring& path) override { return files.erase(path) > 0; }
  bool FileExists(const std::wstring& path) override { return files.count(path) > 0; }

  bool ReadFile(const std::wstring&, std::string*) override { return false; }
  bool WriteFile(const std::wstring&, const std::string&) override { return false; }
  bool AppendFile(const std::wstring&, const std::string&) override { return false; }
  bool CopyFile(const std::wstring&, const std::wstring&) override { return false; }
  bool DirectoryExists(const std::wstring&) override { return false; }
  bool CreateDirectories(const std::wstring&) override { return false; }
  bool ListDirectory(const std::wstring&, std::vector<DirEntry>*) override { return false; }
  bool DeleteTree(const std::wstring&) override { return false; }
  int64_t FileSize(const std::wstring&) override { return kFileSizeMissing; }
  bool GetAttributes(const std::wstring&, uint32_t*) override { return false; }
  bool SetAttributes(const std::wstring&, uint32_t) override { return false; }
  wchar_t Separator() const override { return L'\\'; }
};

class RunStartupTest : public ::testing::Test {
 protected:
  RunStartupTest() : platform_{registry_, files_, system_, devices_} {
    system_.SetEnvironment(L"windir", L"X:\\windows");
    system_.total_memory = 512 * kMiB;
    SetArchitecture(L"x86");
    SetStartOptions(L" MININT  NOEXECUTE=OPTIN");
    modes_.command_mode = [this](const std::wstring& version, const StartupOptions& options) {
      host_.events.push_back(L"command-mode");
      command_version_ = version;
      command_options_ = options;
    };
    modes_.interactive_mode = [this] { host_.events.push_back(L"interactive-mode"); };
  }

  void SetArchitecture(const std::wstring& architecture) {
    WriteRegValue(registry_, L"hklm",
                  L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                  L"PROCESSOR_ARCHITECTURE", kRegSz, architecture);
  }
  void SetStartOptions(const std::wstring& options) {
    WriteRegValue(registry_, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions",
                  kRegSz, options);
  }
  void SetArguments(const std::wstring& arguments) {
    host_.command_line = L"\"X:\\Tools\\orvane.exe\" " + arguments;
    host_.arguments = {L"X:\\Tools\\orvane.exe", arguments};
  }
  StartupOutcome Run(const std::wstring& expected_architecture = L"x86") {
    return RunStartup(platform_, host_, expected_architecture, modes_, &options_);
  }
  bool CacheThreshold(uint32_t* value) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!registry_.GetRaw(kHkeyLocalMachine, kWriteFilterKey, kWriteFilterValue, &type, &data) ||
        type != kRegDword || data.size() != 4) {
      return false;
    }
    *value = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    return true;
  }

  MemoryRegistry registry_;
  DriveFiles files_;
  FakeSystemInfo system_;
  MemoryDeviceSource devices_;
  Platform platform_;
  RecordingStartupHost host_;
  RunModes modes_;
  StartupOptions options_;
  std::wstring command_version_;
  StartupOptions command_options_;
};

TEST_F(RunStartupTest, InteractiveStartInOrder) {
  EXPECT_EQ(Run(), StartupOutcome::kInteractiveModeEnded);
  std::vector<std::wstring> expected = {L"query-service:fbwf", L"start-service:fbwf",
                                        L"mutex:Orvane", L"interactive-mode"};
  EXPECT_EQ(host_.events, expected);
  uint32_t threshold = 0;
  ASSERT_TRUE(CacheThreshold(&threshold));
  EXPECT_EQ(threshold, 64u);
  // The write test used its own name on the system drive and left nothing behind.
  ASSERT_EQ(files_.touched.size(), 1u);
  EXPECT_EQ(files_.touched[0].rfind(L"X:\\orvane-write-test-", 0), 0u);
  EXPECT_TRUE(files_.files.empty());
  EXPECT_EQ(ExitCodeOf(StartupOutcome::kInteractiveModeEnded), 0);
}

TEST_F(RunStartupTest, OutsidePreinstallationEnvironmentStopsWithBox) {
  SetStartOptions(L" NOEXECUTE=OPTIN");
  EXPECT_EQ(Run(), StartupOutcome::kNotPreinstallation);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, L"Orvane 2.0.3.2");
  EXPECT_EQ(host_.messages[0].text, L"              For WinPE only");
  EXPECT_EQ(host_.events, std::vector<std::wstring>{L"message"});
  uint32_t threshold = 0;
  EXPECT_FALSE(CacheThreshold(&threshold));
  EXPECT_NE(ExitCodeOf(StartupOutcome::kNotPreinstallation), 0);
}

TEST_F(RunStartupTest, MissingStartOptionsCountAsNoPreinstallation) {
  MemoryRegistry empty;
  WriteRegValue(empty, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                L"PROCESSOR_ARCHITECTURE", kRegSz, L"x86");
  Platform platform{empty, files_, system_, devices_};
  EXPECT_EQ(RunStartup(platform, host_, L"x86", modes_), StartupOutcome::kNotPreinstallation);
}

TEST_F(RunStartupTest, GermanUserGetsGermanBoxes) {
  system_.language = 0x0407;
  SetStartOptions(L"");
  Run();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, L"     Nur unter WinPE starten");
  // Only the primary-language bits count: Swiss German is German too.
  host_.messages.clear();
  system_.language = 0x0807;
  Run();
  EXPECT_EQ(host_.messages[0].text, L"     Nur unter WinPE starten");
}

TEST_F(RunStartupTest, ArchitectureWarningComesFirstAndStartUpGoesOn) {
  SetArchitecture(L"AMD64");
  EXPECT_EQ(Run(L"x86"), StartupOutcome::kInteractiveModeEnded);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, L"Orvane 2.0.3.2");
  EXPECT_EQ(host_.messages[0].text, L"Please use 64 Bit Version.");
  EXPECT_EQ(host_.events.front(), L"message");
  // The 64-bit build on a 64-bit system says nothing.
  host_.messages.clear();
  EXPECT_EQ(Run(L"amd64"), StartupOutcome::kInteractiveModeEnded);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(RunStartupTest, RunningWriteFilterIsLeftAlone) {
  host_.service_running = true;
  Run();
  uint32_t threshold = 0;
  EXPECT_FALSE(CacheThreshold(&threshold));
  EXPECT_TRUE(host_.started_services.empty());
}

TEST_F(RunStartupTest, CachePercentOptionSetsThresholdButNotTheMode) {
  system_.total_memory = 1000 * kMiB;
  SetArguments(L"-f:5");
  EXPECT_EQ(Run(), StartupOutcome::kInteractiveModeEnded);
  uint32_t threshold = 0;
  ASSERT_TRUE(CacheThreshold(&threshold));
  EXPECT_EQ(threshold, 50u);
  EXPECT_EQ(options_.OptCachePercent, 5);
}

TEST_F(RunStartupTest, FailedServiceStartIsNotReported) {
  host_.service_starts = false;
  EXPECT_EQ(Run(), StartupOutcome::kInteractiveModeEnded);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(RunStartupTest, UnwritableSystemDriveStopsWithBox) {
  files_.writable = false;
  EXPECT_EQ(Run(), StartupOutcome::kDriveNotWritable);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, L"Orvane 2.0.3.2");
  EXPECT_EQ(host_.messages[0].text, L"Description of storage media  X: is not possible.");
  EXPECT_EQ(host_.events.back(), L"message");
}

TEST_F(RunStartupTest, WriteTestNeverTouchesAnExistingFile) {
  files_.files.insert(L"X:\\orvane-write-test-77-0.tmp");
  Run();
  ASSERT_EQ(files_.touched.size(), 1u);
  EXPECT_NE(files_.touched[0], L"X:\\orvane-write-test-77-0.tmp");
  EXPECT_EQ(files_.files, std::set<std::wstring>{L"X:\\orvane-write-test-77-0.tmp"});
}

TEST_F(RunStartupTest, CommandModeGetsOptionsAndSkipsTheInstanceCheck) {
  host_.mutex_exists = true;
  SetArguments(L"-i:\"D:\\My Drivers\" -c:\"net, display\" -D");
  EXPECT_EQ(Run(), StartupOutcome::kCommandModeEnded);
  EXPECT_EQ(host_.events.back(), L"command-mode");
  for (const std::wstring& event : host_.events) EXPECT_NE(event.rfind(L"mutex", 0), 0u);
  EXPECT_EQ(command_version_, L"2.0.3.2");
  EXPECT_EQ(command_options_.OptDriverSource, L"D:\\My Drivers");
  EXPECT_EQ(command_options_.OptFilterList, L",net,display,");
  EXPECT_EQ(command_options_.OptDriverStore, L"1");
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(RunStartupTest, OptionsAreReadEvenWithoutTheSystemsSplit) {
  host_.command_line = L"\"X:\\Tools\\orvane.exe\" -d";
  host_.arguments.clear();
  EXPECT_EQ(Run(), StartupOutcome::kCommandModeEnded);
  EXPECT_EQ(command_options_.OptDriverStore, L"1");
}

TEST_F(RunStartupTest, SecondInteractiveStartShowsBoxAndFrontsTheFirst) {
  host_.mutex_exists = true;
  SetArguments(L"-f:10 -x");
  EXPECT_EQ(Run(), StartupOutcome::kAlreadyRunning);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, L"Orvane");
  EXPECT_EQ(host_.messages[0].text, L"allready running");
  EXPECT_EQ(host_.fronted_windows, std::vector<std::wstring>{L" Orvane"});
  EXPECT_EQ(host_.events.back(), L"front");
}

}  // namespace
}  // namespace orvane
