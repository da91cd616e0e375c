// orvane-inf's staging commands: exact output, and the directive rewrite over
// the real INF corpus (when present), which must keep every untouched byte.
// (That plans, staging and export end, agree with themselves and stay inside
// the export folder, the staging fuzz target checks for every input.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inf/inf_reader.h"
#include "sources/inf_tool.h"
#include "support/host_platform.h"
#include "platform/memory/memory_file_system.h"
#include "support/scratch_folder.h"
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

std::vector<std::wstring> System(const std::wstring& command, const std::wstring& windir,
                                 const std::wstring& arch) {
  return {command, L"--windir", windir, L"--programfiles", L"X:\\Program Files",
          L"--arch", arch, L"--lang", L"0409"};
}

TEST(InfToolStaging, ExactOutput) {
  MemoryFileSystem files;
  files.AddFile(L"/p/a.inf",
                "[DestinationDirs]\nDefaultDestDir=12\nF = 11,\"sub\"\n"
                "[S]\nInclude=b.inf\nNeeds=B\nCopyFiles=F,@t\x01.sys\n"
                "[F]\nf.sys,\"f src.sys\"\n"
                "[SourceDisksFiles]\nf src.sys=1,dir\n");
  std::vector<std::wstring> stage = System(L"stage", L"X:\\Windows", L"x86");
  stage.insert(stage.end(), {L"/p", L"a.inf", L"S,"});
  files.AddFile(L"X:/Windows/inf/e.inf", "[DestinationDirs]\nDefaultDestDir=12\n[S]\nCopyFiles=@e.sys\n");
  std::vector<std::wstring> exported = System(L"export", L"X:\\Windows", L"x86");
  exported.insert(exported.end(), {L"--store", L"e.inf_x86_1", L"--to", L"X:\\DRVTemp", L"e.inf", L"S,"});
  const struct {
    std::vector<std::wstring> args;
    std::string out;
  } cases[] = {
      {{L"dirids", L"--windir", L"X:\\Windows", L"--programfiles", L"P", L"--store", L"S",
        L"%13%\\a\tb"},
       "X:\\Windows\\System32\\DriverStore\\FileRepository\\S\\a\\u0009b\n"},
      {{L"destdir", L" 11,drivers\\ "}, "%11%\\drivers\n"},
      {{L"sourcedir", L"--arch", L"x86", L"/p/a.inf", L"B", L"f src.sys"}, "B\\dir\n"},
      {{L"copysections", L"/p/a.inf", L"DestinationDirs,f,"},
       "0\tDefaultDestDir=12|F= 11,\"sub\"|\n3\tDefaultDestDir=12|F = 11,\"sub\"|\n"
       "4\tf.sys,\"f src.sys\"|\n5\t\n"},
      {{L"plan", L"/p/a.inf", L"S"}, "a.inf|b.inf|\nS,|B,|\n"},
      {stage,
       "/p\\a.inf\tX:\\Windows\\inf\\a.inf\n"
       "/p\\t\\u0001.sys\tX:\\Windows\\System32\\Drivers\\t\\u0001.sys\n"
       "/p\\dir\\f src.sys\tX:\\Windows\\System32\\sub\\f.sys\n"},
      {exported, "X:\\Windows\\inf\\e.inf\tX:\\DRVTemp\\e.inf\nX:\\Windows\\System32\\Drivers\\e.sys\tX:\\DRVTemp\\e.sys\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(files, c.args);
    EXPECT_EQ(run.status, 0) << WideToUtf8(c.args[0]);
    EXPECT_EQ(run.out, c.out) << WideToUtf8(c.args[0]);
    EXPECT_EQ(run.err, "");
  }

  files.AddFile(L"/p/copy.inf", "  copyfiles=x\n");
  const ToolRun run = RunTool(files, {L"disable", L"/p/copy.inf"});
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(L"/p/copy.inf", &bytes));
  EXPECT_EQ(run.out + bytes, "; copyfiles=x\n");
}

// ---------------------------------------------------------------------------
// The real corpus

class CorpusStagingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_ = MakeHostFileSystem();
    root_ = Utf8ToWide(ORVANE_CORPUS_DIR) + L"/inf";
    if (!files_->DirectoryExists(root_)) GTEST_SKIP() << "no corpus at " << ORVANE_CORPUS_DIR;
    infs_ = CollectInfFiles(*files_, root_);
    ASSERT_GE(infs_.size(), 50u);
  }

  std::unique_ptr<FileSystem> files_;
  std::wstring root_;
  std::vector<std::wstring> infs_;
};

// The units of a file after its mark: bytes, or UTF-16 units.
std::u16string Units(const std::string& body, size_t width) {
  std::u16string units;
  for (size_t i = 0; i + width <= body.size(); i += width) {
    const unsigned high = width == 2 ? static_cast<unsigned char>(body[i + 1]) : 0;
    units += static_cast<char16_t>(static_cast<unsigned char>(body[i]) | high << 8);
  }
  return units;
}

TEST_F(CorpusStagingTest, DisableKeepsEveryUntouchedByte) {
  ScratchFolder scratch;
  size_t commented = 0;
  for (const std::wstring& path : infs_) {
    SCOPED_TRACE(WideToUtf8(path));
    std::string before;
    ASSERT_TRUE(files_->ReadFile(path, &before));
    const InfEncoding encoding = DetectInfEncoding(before);
    if (encoding == InfEncoding::kAnsi) before += "; \x81\x8D\x8F\x90\x9D\r\n  CopyFiles = \x81.sys\r\n";
    const std::wstring copy = scratch / L"copy.inf";
    ASSERT_TRUE(files_->WriteFile(copy, before));
    ASSERT_EQ(RunTool(*files_, {L"disable", copy}).status, 0);
    std::string after;
    ASSERT_TRUE(files_->ReadFile(copy, &after));

    const size_t begin = encoding == InfEncoding::kUtf16Le ? 2 : encoding == InfEncoding::kUtf8 ? 3 : 0;
    const size_t width = encoding == InfEncoding::kUtf16Le ? 2 : 1;
    ASSERT_EQ(after.substr(0, begin), before.substr(0, begin));
    std::u16string old = Units(before.substr(begin), width);
    const std::u16string now = Units(after.substr(begin), width);
    if (old.empty() || old.back() != u'\n') old += u"\r\n";
    // Each line comes back without its leading blanks, maybe behind "; ".
    size_t at = 0;
    for (size_t start = 0; start < old.size();) {
      const size_t end = old.find(u'\n', start) + 1;
      const size_t content = end - (end - start >= 2 && old[end - 2] == u'\r' ? 2 : 1);
      while (start < content && old[start] <= 32) ++start;
      const std::u16string line = old.substr(start, end - start);
      if (now.compare(at, line.size(), line) != 0) {
        ASSERT_EQ(now.substr(at, line.size() + 2), u"; " + line) << "at unit " << at;
        at += 2;
        ++commented;
      }
      at += line.size();
      start = end;
    }
    EXPECT_EQ(at, now.size());
  }
  EXPECT_GT(commented, 20u);
}

}  // namespace
}  // namespace orvane
