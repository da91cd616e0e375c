#include "sources/inf_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/host_platform.h"
#include "platform/memory/memory_file_system.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

ToolRun InvokeTool(FileSystem& files, const std::vector<std::wstring>& args) {
  ToolRun run;
  InfToolStreams streams;
  streams.out = [&run](const std::string& text) { run.out += text; };
  streams.err = [&run](const std::string& text) { run.err += text; };
  run.status = RunInfTool(args, files, streams);
  return run;
}

std::vector<std::wstring> MatchArgs(const std::wstring& devices,
                                    const std::wstring& language = L"0409") {
  return {L"match",  L"--arch", L"AMD64",         L"--version", L"10.0",      L"--build", L"19041",
          L"--lang", language,  L"--product-type", L"1",        L"--devices", devices};
}

// ---------------------------------------------------------------------------
// Command line

TEST(InfToolArgs, UsageErrorsExitWithTwoAndWriteOnlyToStderr) {
  MemoryFileSystem files;
  files.AddFile(L"/d.txt", "X\\1\n");
  files.AddFile(L"/a.inf", "[S]\nk=v\n");
  // match with every option: the cases below leave one out or add one.
  const std::vector<std::wstring> match = {L"match", L"--arch", L"x86", L"--version", L"6.1", L"--build", L"7601",
                                           L"--lang", L"0409", L"--product-type", L"1", L"--devices", L"/d.txt"};
  auto without = [&match](const std::wstring& option) {
    std::vector<std::wstring> args = match;
    const auto at = std::find(args.begin(), args.end(), option);
    args.erase(at, at + 2);
    args.push_back(L"/a.inf");
    return args;
  };
  auto with = [&match](std::vector<std::wstring> extra) {
    extra.insert(extra.begin() + 1, match.begin() + 1, match.end());
    extra.push_back(L"/a.inf");
    return extra;
  };
  const std::vector<std::vector<std::wstring>> bad = {
      {}, {L"matches"}, {L"MATCH"},
      // match without a required option or without a path; an unknown
      // option, an option given twice
      without(L"--devices"), without(L"--product-type"), match,
      with({L"match", L"--verbose"}), with({L"match", L"--arch", L"AMD64"}),
      {L"decoration", L"/a.inf", L"S", L"--arch"}, {L"decoration", L"--arch"}, {L"decoration", L"/a.inf", L"S"},
      {L"expand", L"/a.inf", L"%x%"}, {L"expand", L"--arch", L"x86", L"/a.inf", L"%x%"},
      {L"value", L"/a.inf", L"S"}, {L"value", L"/a.inf", L"S", L"k", L"d", L"extra"},
      {L"exists", L"--first", L"/a.inf", L"S"},
      // options come before the operands: a late --entry is a third operand
      {L"exists", L"/a.inf", L"S", L"--entry"}, {L"table", L"/a.inf"}, {L"table", L"--entry", L"/a.inf", L"S"},
  };
  for (const auto& args : bad) {
    const ToolRun run = InvokeTool(files, args);
    std::wstring joined;
    for (const auto& arg : args) joined += arg + L" ";
    EXPECT_EQ(run.status, 2) << joined;
    EXPECT_EQ(run.out, "") << joined;
    EXPECT_NE(run.err.find("usage"), std::string::npos) << joined;
  }
  // A devices file that cannot be read is an error naming it.
  const ToolRun run = InvokeTool(files, [] {
    auto args = MatchArgs(L"/missing.txt");
    args.push_back(L"/a.inf");
    return args;
  }());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("missing.txt"), std::string::npos);
}

TEST(InfToolArgs, OptionsInAnyOrderUntilTheFirstOperandOrADoubleDash) {
  InfToolRequest request;
  ASSERT_EQ(ParseInfToolArgs({L"match", L"--first", L"--product-type", L"3", L"--devices", L"dev.txt", L"--lang",
                              L"0407", L"--build", L"", L"--version", L"6.3", L"--arch", L"x86", L"one.inf", L"--two"},
                             &request),
            L"");
  EXPECT_EQ(request.command, InfToolCommand::kMatch);
  EXPECT_TRUE(request.first);
  const SystemProfile& p = request.profile;  // an empty value is a value
  EXPECT_EQ(p.system_drive + L"|" + p.architecture + L"|" + p.version + L"|" + p.build + L"|" + p.language + L"|" +
                p.product_type + L"|" + request.devices_file,
            L"|x86|6.3||0407|3|dev.txt");
  // After the first operand everything is an operand.
  EXPECT_EQ(request.operands, (std::vector<std::wstring>{L"one.inf", L"--two"}));

  ASSERT_EQ(ParseInfToolArgs({L"value", L"--", L"--odd.inf", L"S", L"K"}, &request), L"");
  EXPECT_EQ(request.operands, (std::vector<std::wstring>{L"--odd.inf", L"S", L"K"}));
  ASSERT_EQ(ParseInfToolArgs({L"exists", L"--entry", L"a.inf", L"S"}, &request), L"");
  EXPECT_TRUE(request.require_entry);
  ASSERT_EQ(ParseInfToolArgs({L"expand", L"--lang", L"0407", L"a.inf", L"--lang"}, &request), L"");
  EXPECT_EQ(request.language, L"0407");
  EXPECT_EQ(request.operands[1], L"--lang");
}

// ---------------------------------------------------------------------------
// Output escaping

TEST(InfToolOutput, ControlCharactersAreEscapedAndNothingElse) {
  EXPECT_EQ(EscapeField(std::wstring(L"a\tb\x01\x1F\n\r", 7) + L'\0' + L"z"),
            "a\\u0009b\\u0001\\u001F\\u000A\\u000D\\u0000z");
  // Backslashes, quotes, DEL, blanks and non-ASCII pass through as UTF-8.
  EXPECT_EQ(EscapeField(L"PCI\\VEN_1\\u0009 \"x\"\x7F"), "PCI\\VEN_1\\u0009 \"x\"\x7F");
  EXPECT_EQ(EscapeField(L"f\u00FCr \u2122 \xD83D\xDE00"), "f\xC3\xBCr \xE2\x84\xA2 \xF0\x9F\x98\x80");
  EXPECT_EQ(OutputLine({L"a\tb", L"", L"c"}), "a\\u0009b\t\tc\n");
}

// ---------------------------------------------------------------------------
// Devices file

TEST(InfToolDevices, BlankLinesSeparateDevicesWhateverTheLineEnds) {
  const std::string bytes =
      "\xEF\xBB\xBF"
      "\r\n \t\n"                       // leading blank lines
      "PCI\\A\\1\r\nPCI\\A\r\n"         // CR LF
      "\r\n\r\n\t \x0B\r\n"             // several blank lines, one of blanks only
      "USB\\B\\2\rUSB\\B  \r\r"         // CR alone; trailing blanks kept
      "HDAUDIO\\C\\3\n \tHDAUDIO\\C\n"  // leading blanks kept
      "\n"
      "X\\\xC3\xA9\\4\n\xEF\xBB\xBFY";      // UTF-8; only a leading mark is skipped; no final line end
  EXPECT_EQ(DeviceListText(ParseDevicesFile(bytes)),
            L"PCI\\A\\1\nPCI\\A\n,USB\\B\\2\nUSB\\B  \n,HDAUDIO\\C\\3\n \tHDAUDIO\\C\n,X\\\u00E9\\4\n\uFEFFY\n");
  for (const char* empty : {"", "\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n \n\t"}) EXPECT_TRUE(ParseDevicesFile(empty).empty());
  EXPECT_EQ(DeviceListText({}), L"");
}

// ---------------------------------------------------------------------------
// Folder walk

TEST(InfToolWalk, FilesBelowAFolderInByteOrderOfTheirPaths) {
  MemoryFileSystem files(L'/', /*reverse_listing=*/true);
  files.AddFile(L"/drv/a/x.inf", "");
  files.AddFile(L"/drv/a-b.inf", "");     // "-" sorts before "/"
  files.AddFile(L"/drv/B.INF", "");       // upper case before lower case
  files.AddFile(L"/drv/a/deep/y.Inf", "");
  files.AddFile(L"/drv/\uFF21.inf", "");  // U+FF21 before U+1F600 in UTF-8 order
  files.AddFile(L"/drv/\xD83D\xDE00.inf", "");
  files.AddFile(L"/drv/readme.txt", "");
  files.AddFile(L"/drv/old.inf.bak", "");
  files.AddFile(L"/drv/inf", "");
  files.AddDirectory(L"/drv/folder.inf");  // a folder is not a file
  files.AddFile(L"/drv/linked/z.inf", "");
  files.MarkLink(L"/drv/linked");

  const std::vector<std::wstring> expected = {
      L"/drv/B.INF",   L"/drv/a-b.inf",      L"/drv/a/deep/y.Inf",
      L"/drv/a/x.inf", L"/drv/\uFF21.inf",   L"/drv/\xD83D\xDE00.inf"};
  EXPECT_EQ(CollectInfFiles(files, L"/drv"), expected);
  // A trailing separator is not doubled.
  EXPECT_EQ(CollectInfFiles(files, L"/drv/")[0], L"/drv/B.INF");
  // Not a folder: the path stands for itself, whether it exists or not.
  EXPECT_EQ(CollectInfFiles(files, L"/drv/readme.txt"),
            (std::vector<std::wstring>{L"/drv/readme.txt"}));
  EXPECT_EQ(CollectInfFiles(files, L"/nowhere"), (std::vector<std::wstring>{L"/nowhere"}));
  // Paths below a folder are built with the platform's separator.
  MemoryFileSystem windows(L'\\');
  windows.AddFile(L"C:\\pack\\net\\e1.inf", "");
  windows.AddFile(L"C:\\pack\\top.inf", "");
  EXPECT_EQ(CollectInfFiles(windows, L"C:\\pack"),
            (std::vector<std::wstring>{L"C:\\pack\\net\\e1.inf", L"C:\\pack\\top.inf"}));
  EXPECT_EQ(CollectInfFiles(windows, L"C:/pack/")[1], L"C:/pack/top.inf");
}

TEST(InfToolWalk, MatchReadsEveryInfOnceWhateverTheNumberOfDevices) {
  MemoryFileSystem files;
  std::string devices;
  for (int i = 0; i < 20; ++i) devices += "PCI\\D" + std::to_string(i) + "\\1\nPCI\\D" + std::to_string(i) + "\n\n";
  files.AddFile(L"/devices.txt", devices);
  // With --first a model needs directives in its install section: D7's "j" has none.
  const std::string inf = "[Manufacturer]\nM = S\n[S]\nd = i, PCI\\D3\ne = j, PCI\\D7\n[i]\nk = v\n";
  files.AddFile(L"/drv/a.inf", inf);
  files.AddFile(L"/drv/sub/b.inf", inf);
  for (const bool first : {false, true}) {
    auto args = MatchArgs(L"/devices.txt");
    args[2] = L"x86";
    if (first) args.push_back(L"--first");
    args.push_back(L"/drv");
    const size_t before = files.read_count();
    const ToolRun run = InvokeTool(files, args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(files.read_count() - before, 3u);  // the devices file and each INF once
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), first ? 2 : 4);
    EXPECT_EQ(run.out.find(first ? "/drv/a.inf\t4\td\tpci\\d3\\1\tpci\\d3\ti\t\tM"
                                 : "/drv/a.inf\td\tpci\\d3\\1\tpci\\d3\ti\t\tM"),
              0u)
        << run.out;
  }
}

// ---------------------------------------------------------------------------
// End to end over the INF files in the test data

class InfToolData : public ::testing::Test {
 protected:
  std::wstring Data(const std::wstring& relative) const {
    return Utf8ToWide(ORVANE_TEST_DATA_DIR) + L"/inf_tool/" + relative;
  }
  // How the walk prints a file below the pack folder.
  std::string Walked(const std::wstring& relative) const {
    return WideToUtf8(Data(L"pack") + files_->Separator() +
                      ReplaceAll(relative, L"/", std::wstring(1, files_->Separator())));
  }
  ToolRun RunTool(const std::vector<std::wstring>& args) { return InvokeTool(*files_, args); }

  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
};

const char kPci[] = "pci\\ven_1234&dev_5678&subsys_00021234\\3&1&0&10";
const char kUsb[] = "usb\\vid_0bda&pid_8153\\000001";

TEST_F(InfToolData, MatchOverAFolderGivesEveryMatchInWalkOrder) {
  auto args = MatchArgs(Data(L"devices.txt"));
  args.push_back(Data(L"pack"));
  const ToolRun run = RunTool(args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string zeta = Walked(L"Zeta/STORAGE.INF");
  const std::string legacy = Walked(L"acme-legacy.inf");
  const std::string net = Walked(L"acme/net.inf");
  const std::string expected =
      // Two manufacturers list the device: one record each.
      zeta + "\tzeta raid\t" + kPci + "\tpci\\ven_1234&dev_5678&subsys_00021234\tzeta_inst.NTAMD64" +
      "\t.NTamd64\tZeta\t11/30/2019\t10.0.1.7\tSCSIAdapter\n" +
      zeta + "\tOther RAID \xE2\x84\xA2\t" + kPci +
      "\tpci\\ven_1234&dev_5678&subsys_00021234\tother_inst.NT\t.NTamd64\tOther \xC3\x89lectronique" +
      "\t11/30/2019\t10.0.1.7\tSCSIAdapter\n" +
      legacy + "\told adapter\t" + kPci + "\tpci\\ven_1234&dev_5678\tlegacy_install\t.NTamd64" +
      "\tAcme Legacy\t01/02/2010\t9.8\tNet\n" +
      net + "\tAcme Gigabit Adapter\t" + kPci + "\tpci\\ven_1234&dev_5678\tnic_install.NTAMD64" +
      "\t.NTamd64.10.0\tAcme Corp\t05/14/2021\t1.2.3.4\tNet\n" +
      net + "\tliteral adapter\t" + kUsb + "\tusb\\vid_0bda&pid_8153\tnic_install.NTAMD64" +
      "\t.NTamd64.10.0\tAcme Corp\t05/14/2021\t1.2.3.4\tNet\n";
  EXPECT_EQ(run.out, expected);
}

TEST_F(InfToolData, ReaderCommands) {
  const std::wstring net = Data(L"pack/acme/net.inf");
  const std::wstring zeta = Data(L"pack/Zeta/STORAGE.INF");
  const std::pair<std::vector<std::wstring>, const char*> cases[] = {
      {{L"decoration", L"--arch", L"AMD64", net, L"Nic_Install"}, ".NTAMD64\n"},
      {{L"decoration", L"--arch", L"x86", net, L"Nic_Install"}, "\n"},
      {{L"expand", L"--lang", L"0407", net, L"[%NIC.DESC%|%Mfg%|%none%]"},
       "[Acme Gigabit-Netzwerkkarte f\xC3\xBCr Server|Acme Corp|%none%]\n"},
      {{L"value", net, L"nic.reg", L" TABBED "}, " \"a\\u0009b\"\n"},
      {{L"value", net, L"nic.reg", L"absent", L"fallback"}, "fallback\n"},
      {{L"table", net, L"NIC.REG"}, "Tabbed \t \"a\\u0009b\"\nSpaced Key  \t value with\n"},
      {{L"table", net, L"Nowhere"}, ""},
      {{L"exists", zeta, L"Zeta_Inst.NTamd64"}, "true\n"},
      {{L"exists", L"--entry", zeta, L"Zeta_Inst.NTamd64"}, "false\n"},
      // A file that cannot be read reads as an empty one.
      {{L"value", Data(L"pack/none.inf"), L"a", L"b", L"c"}, "c\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(c.first);
    EXPECT_EQ(run.status, 0) << WideToUtf8(c.first[0] + L" " + c.first.back());
    EXPECT_EQ(run.out, c.second) << WideToUtf8(c.first[0] + L" " + c.first.back());
  }
}

}  // namespace
}  // namespace orvane
