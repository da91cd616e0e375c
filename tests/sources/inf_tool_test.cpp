// orvane-inf: its command line, output format and exit codes, and one run of
// each command. What the engine decides is proved in tests/inf.
#include "sources/inf_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "support/host_platform.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

ToolRun RunTool(FileSystem& files, const std::vector<std::wstring>& args) {
  ToolRun run;
  InfToolStreams streams;
  streams.out = [&run](const std::string& text) { run.out += text; };
  streams.err = [&run](const std::string& text) { run.err += text; };
  run.status = RunInfTool(args, files, streams);
  return run;
}

// The arguments of a command line whose words are separated by single blanks.
std::vector<std::wstring> Words(const std::wstring& line) {
  return line.empty() ? std::vector<std::wstring>() : SplitText(line, L" ");
}

const wchar_t kMatch[] = L"match --arch AMD64 --version 10.0 --build 19041 --lang 0409 --product-type 1 --devices ";

// ---------------------------------------------------------------------------
// Command line

TEST(InfToolArgs, UsageErrorsExitWithTwoAndWriteOnlyToStderr) {
  MemoryFileSystem files;
  files.AddFile(L"/d.txt", "X\\1\n");
  files.AddFile(L"/a.inf", "[S]\nk=v\n");
  const std::wstring match = std::wstring(kMatch) + L"/d.txt";
  const std::wstring bad[] = {L"", L"matches", L"MATCH",
                              // match without a required option or without a path; an unknown
                              // option, an option given twice
                              L"match --arch x86 --version 6.1 --build 7601 --lang 0409 --devices /d.txt /a.inf", match,
                              match + L" --verbose /a.inf", match + L" --arch x86 /a.inf",
                              L"decoration /a.inf S --arch", L"decoration --arch", L"decoration /a.inf S",
                              L"expand /a.inf %x%", L"expand --arch x86 /a.inf %x%", L"value /a.inf S",
                              L"value /a.inf S k d extra", L"exists --first /a.inf S",
                              // options come before the operands: a late --entry is a third operand
                              L"exists /a.inf S --entry", L"table /a.inf", L"table --entry /a.inf S"};
  for (const std::wstring& line : bad) {
    const ToolRun run = RunTool(files, Words(line));
    EXPECT_EQ(run.out + "#" + std::to_string(run.status), "#2") << line;
    EXPECT_NE(run.err.find("usage"), std::string::npos) << line;
  }
  // A devices file that cannot be read is an error naming it.
  const ToolRun run = RunTool(files, Words(std::wstring(kMatch) + L"/missing.txt /a.inf"));
  EXPECT_EQ(run.out + "#" + std::to_string(run.status), "#2");
  EXPECT_NE(run.err.find("missing.txt"), std::string::npos);
}

TEST(InfToolArgs, OptionsInAnyOrderUntilTheFirstOperandOrADoubleDash) {
  InfToolRequest request;
  ASSERT_EQ(ParseInfToolArgs({L"match", L"--first", L"--product-type", L"3", L"--devices", L"dev.txt", L"--lang",
                              L"0407", L"--build", L"", L"--version", L"6.3", L"--arch", L"x86", L"one.inf", L"--two"},
                             &request),
            L"");
  const SystemProfile& p = request.profile;  // an empty value is a value
  EXPECT_EQ(p.system_drive + L"|" + p.architecture + L"|" + p.version + L"|" + p.build + L"|" + p.language + L"|" +
                p.product_type + L"|" + request.devices_file,
            L"|x86|6.3||0407|3|dev.txt");
  // After the first operand everything is an operand.
  EXPECT_EQ(request.operands, (std::vector<std::wstring>{L"one.inf", L"--two"}));

  ASSERT_EQ(ParseInfToolArgs(Words(L"value -- --odd.inf S K"), &request), L"");
  EXPECT_EQ(request.operands, (std::vector<std::wstring>{L"--odd.inf", L"S", L"K"}));
  // The options of the reader commands (--lang, --entry, --arch) are shown
  // taken by their runs in InfToolData.ReaderCommands.
}

// ---------------------------------------------------------------------------
// Output escaping and the devices file

TEST(InfToolOutput, ControlCharactersAreEscapedAndNothingElse) {
  EXPECT_EQ(EscapeField(std::wstring(L"a\tb\x01\x1F\n\r", 7) + L'\0' + L"z"),
            "a\\u0009b\\u0001\\u001F\\u000A\\u000D\\u0000z");
  // Backslashes, quotes, DEL, blanks and non-ASCII pass through as UTF-8.
  EXPECT_EQ(EscapeField(L"PCI\\VEN_1\\u0009 \"x\"\x7F f\u00FCr \u2122 \xD83D\xDE00"),
            "PCI\\VEN_1\\u0009 \"x\"\x7F f\xC3\xBCr \xE2\x84\xA2 \xF0\x9F\x98\x80");
}

TEST(InfToolDevices, BlankLinesSeparateDevicesWhateverTheLineEnds) {
  const std::string bytes =
      "\xEF\xBB\xBF"
      "\r\n \t\n"                       // leading blank lines
      "PCI\\A\\1\r\nPCI\\A\r\n"         // CR LF
      "\r\n\r\n\t \x0B\r\n"             // several blank lines, one of blanks only
      "USB\\B\\2\rUSB\\B  \r\r"         // CR alone; trailing blanks kept
      "HDAUDIO\\C\\3\n \tHDAUDIO\\C\n"  // leading blanks kept
      "\n"
      "X\\\xC3\xA9\\4\n\xEF\xBB\xBFY";  // UTF-8; only a leading mark is skipped; no final line end
  EXPECT_EQ(DeviceListText(ParseDevicesFile(bytes)),
            L"PCI\\A\\1\nPCI\\A\n,USB\\B\\2\nUSB\\B  \n,HDAUDIO\\C\\3\n \tHDAUDIO\\C\n,X\\\u00E9\\4\n\uFEFFY\n");
  for (const char* empty : {"", "\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n \n\t"}) EXPECT_TRUE(ParseDevicesFile(empty).empty());
}

// ---------------------------------------------------------------------------
// Folder walk

TEST(InfToolWalk, FilesBelowAFolderInByteOrderOfTheirPaths) {
  MemoryFileSystem files(L'/', /*reverse_listing=*/true);
  files.AddFile(L"/drv/a/x.inf", "");
  files.AddFile(L"/drv/a-b.inf", "");  // "-" sorts before "/"
  files.AddFile(L"/drv/B.INF", "");    // upper case before lower case
  files.AddFile(L"/drv/a/deep/y.Inf", "");
  files.AddFile(L"/drv/\uFF21.inf", "");  // U+FF21 before U+1F600 in UTF-8 order
  files.AddFile(L"/drv/\xD83D\xDE00.inf", "");
  files.AddFile(L"/drv/readme.txt", "");
  files.AddFile(L"/drv/old.inf.bak", "");
  files.AddFile(L"/drv/inf", "");
  files.AddDirectory(L"/drv/folder.inf");  // a folder is not a file
  files.AddFile(L"/drv/linked/z.inf", "");
  files.MarkLink(L"/drv/linked");

  const std::vector<std::wstring> expected = {L"/drv/B.INF",   L"/drv/a-b.inf",    L"/drv/a/deep/y.Inf",
                                              L"/drv/a/x.inf", L"/drv/\uFF21.inf", L"/drv/\xD83D\xDE00.inf"};
  EXPECT_EQ(CollectInfFiles(files, L"/drv"), expected);
  // A trailing separator is not doubled.
  EXPECT_EQ(CollectInfFiles(files, L"/drv/")[0], L"/drv/B.INF");
  // Not a folder: the path stands for itself, whether it exists or not.
  EXPECT_EQ(CollectInfFiles(files, L"/drv/readme.txt"), (std::vector<std::wstring>{L"/drv/readme.txt"}));
  EXPECT_EQ(CollectInfFiles(files, L"/nowhere"), (std::vector<std::wstring>{L"/nowhere"}));
}

// The one run of match, with and without --first. The records are the
// engine's (the whole record of a real INF: DriverMatchTest.WorkedExample...);
// here the fields' order, the paths built with the file system's separator
// ("\\" here, "/" above) and one read of each INF.
TEST(InfToolWalk, MatchReadsEveryInfOnceWhateverTheNumberOfDevices) {
  MemoryFileSystem files(L'\\');
  std::string devices;
  for (int i = 0; i < 20; ++i) devices += "PCI\\D" + std::to_string(i) + "\\1\nPCI\\D" + std::to_string(i) + "\n\n";
  files.AddFile(L"\\devices.txt", devices);
  // With --first a model needs directives in its install section: D7's "j" has none.
  const std::string inf =
      "[Version]\nClass=Net\nDriverVer=05/14/2021,1.2.3.4\n"
      "[Manufacturer]\nM = S\n[S]\nd = i, PCI\\D3\ne = j, PCI\\D7\n[i]\nk = v\n";
  files.AddFile(L"\\drv\\a.inf", inf);
  files.AddFile(L"\\drv\\sub\\b.inf", inf);
  for (const bool first : {false, true}) {
    std::wstring line = std::wstring(kMatch) + L"\\devices.txt" + (first ? L" --first" : L"") + L" \\drv";
    line.replace(line.find(L"AMD64"), 5, L"x86");
    const size_t before = files.read_count();
    const ToolRun run = RunTool(files, Words(line));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(files.read_count() - before, 3u);  // the devices file and each INF once
    const std::string d = "d\tpci\\d3\\1\tpci\\d3\ti\t\tM\t05/14/2021\t1.2.3.4\tNet\n",
                      e = "e\tpci\\d7\\1\tpci\\d7\tj\t\tM\t05/14/2021\t1.2.3.4\tNet\n";
    EXPECT_EQ(run.out, first ? "\\drv\\a.inf\t4\t" + d + "\\drv\\sub\\b.inf\t4\t" + d
                             : "\\drv\\a.inf\t" + d + "\\drv\\a.inf\t" + e + "\\drv\\sub\\b.inf\t" + d +
                                   "\\drv\\sub\\b.inf\t" + e);
  }
}

// ---------------------------------------------------------------------------
// The reader commands, over the INF files in the test data

std::wstring Data(const std::wstring& relative) { return Utf8ToWide(ORVANE_TEST_DATA_DIR) + L"/inf_tool/" + relative; }

TEST(InfToolData, ReaderCommands) {
  const std::unique_ptr<FileSystem> files = MakeHostFileSystem();
  const std::wstring net = Data(L"pack/acme/net.inf");
  const std::wstring zeta = Data(L"pack/Zeta/STORAGE.INF");
  const std::pair<std::vector<std::wstring>, const char*> cases[] = {
      {{L"decoration", L"--arch", L"AMD64", net, L"Nic_Install"}, ".NTAMD64\n"},
      {{L"expand", L"--lang", L"0407", net, L"[%NIC.DESC%|%Mfg%|%none%]"},
       "[Acme Gigabit-Netzwerkkarte f\xC3\xBCr Server|Acme Corp|%none%]\n"},
      {{L"value", net, L"nic.reg", L" TABBED "}, " \"a\\u0009b\"\n"},
      {{L"value", net, L"nic.reg", L"absent", L"fallback"}, "fallback\n"},
      {{L"table", net, L"NIC.REG"}, "Tabbed \t \"a\\u0009b\"\nSpaced Key  \t value with\n"},
      {{L"exists", zeta, L"Zeta_Inst.NTamd64"}, "true\n"},
      {{L"exists", L"--entry", zeta, L"Zeta_Inst.NTamd64"}, "false\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(*files, c.first);
    EXPECT_EQ(run.out + "#" + std::to_string(run.status), c.second + std::string("#0"))
        << WideToUtf8(c.first[0] + L" " + c.first.back());
  }
}

// ---------------------------------------------------------------------------
// Staging commands

TEST(InfToolStaging, ExactOutput) {
  MemoryFileSystem files;
  files.AddFile(L"/p/a.inf",
                "[DestinationDirs]\nDefaultDestDir=12\nF = 11,\"sub\"\n"
                "[S]\nInclude=b.inf\nNeeds=B\nCopyFiles=F,@t\x01.sys\n"
                "[F]\nf.sys,\"f src.sys\"\n"
                "[SourceDisksFiles]\nf src.sys=1,dir\n");
  files.AddFile(L"X:/Windows/inf/e.inf", "[DestinationDirs]\nDefaultDestDir=12\n[S]\nCopyFiles=@e.sys\n");
  const std::wstring system = L" --windir X:\\Windows --programfiles X:\\Program_Files --arch x86 --lang 0409 ";
  const std::pair<std::vector<std::wstring>, std::string> cases[] = {
      {{L"dirids", L"--windir", L"X:\\Windows", L"--programfiles", L"P", L"--store", L"S", L"%13%\\a\tb"},
       "X:\\Windows\\System32\\DriverStore\\FileRepository\\S\\a\\u0009b\n"},
      {{L"destdir", L" 11,drivers\\ "}, "%11%\\drivers\n"},
      {{L"sourcedir", L"--arch", L"x86", L"/p/a.inf", L"B", L"f src.sys"}, "B\\dir\n"},
      {Words(L"copysections /p/a.inf DestinationDirs,f,"),
       "0\tDefaultDestDir=12|F= 11,\"sub\"|\n3\tDefaultDestDir=12|F = 11,\"sub\"|\n"
       "4\tf.sys,\"f src.sys\"|\n5\t\n"},
      {Words(L"plan /p/a.inf S"), "a.inf|b.inf|\nS,|B,|\n"},
      {Words(L"stage" + system + L"/p a.inf S,"),
       "/p\\a.inf\tX:\\Windows\\inf\\a.inf\n"
       "/p\\t\\u0001.sys\tX:\\Windows\\System32\\Drivers\\t\\u0001.sys\n"
       "/p\\dir\\f src.sys\tX:\\Windows\\System32\\sub\\f.sys\n"},
      {Words(L"export" + system + L"--store e.inf_x86_1 --to X:\\DRVTemp e.inf S,"),
       "X:\\Windows\\inf\\e.inf\tX:\\DRVTemp\\e.inf\nX:\\Windows\\System32\\Drivers\\e.sys\tX:\\DRVTemp\\e.sys\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(files, c.first);
    EXPECT_EQ(run.out + "#" + run.err + "#" + std::to_string(run.status), c.second + "##0") << WideToUtf8(c.first[0]);
  }

  files.AddFile(L"/p/copy.inf", "  copyfiles=x\n");
  const ToolRun run = RunTool(files, {L"disable", L"/p/copy.inf"});
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(L"/p/copy.inf", &bytes));
  EXPECT_EQ(run.out + bytes, "; copyfiles=x\n");
}

}  // namespace
}  // namespace orvane
