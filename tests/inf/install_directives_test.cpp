// Install plans across Include/Needs, and the directive rewrite of INF copies.
#include "inf/install_directives.h"

#include <gtest/gtest.h>

#include <utility>

#include "inf/inf_test_support.h"
#include "platform/memory/memory_file_system.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

TEST(InstallPlan, FollowsIncludeAndNeedsAndVisitsEveryPairOnce) {
  MemoryFileSystem files;
  files.AddFile(L"/d/a.inf",
                "[Plain]\nAddReg=x\n"
                "[TwoNeeds]\nNeeds = S2, S3\n"
                "[TwoEach]\nInclude = b.inf, c.inf\nNeeds = B1, C1\n"
                "[OneIncTwoNeeds]\nInclude = b.inf\nNeeds = B1,B2\n"
                "[TwoIncOneNeed]\nInclude = b.inf,c.inf\nNeeds = B1\n"
                "[Named]\nInclude = x=ks.inf, y=b.inf\nneeds=KS.Registration, B1\n"
                "[Loop]\nNeeds = Loop2\n[Loop2]\nNeeds = LOOP, Loop2\n"
                "[Across]\nInclude = b.inf\nNeeds = Back\n"
                "[Missing]\nInclude = none.inf\nNeeds = Gone\n");
  files.AddFile(L"/d/b.inf", "[B1]\nAddReg=y\n[Back]\nInclude=A.INF\nNeeds=across\n");
  files.AddFile(L"/d/c.inf", "[C1]\n");
  // A section and its plan: the INFs, "#", the section groups.
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"Plain", L"a.inf|#Plain,|"},
      {L"TwoNeeds", L"a.inf|#TwoNeeds,S2,S3,|"},
      {L"TwoEach", L"a.inf|b.inf|c.inf|#TwoEach,|B1,|C1,|"},
      // The second section waits for a file that never comes.
      {L"OneIncTwoNeeds", L"a.inf|b.inf|#OneIncTwoNeeds,|B1,|"},
      // The second file pairs with an empty section.
      {L"TwoIncOneNeed", L"a.inf|b.inf|c.inf|#TwoIncOneNeed,|B1,|,|"},
      {L"Named", L"a.inf|ks.inf|b.inf|#Named,|KS.Registration,|B1,|"},
      // Loops end: a pair already visited (letter case ignored) is skipped.
      {L"Loop", L"a.inf|#Loop,Loop2,|"},
      {L"Across", L"a.inf|b.inf|#Across,|Back,|"},
      {L"Missing", L"a.inf|none.inf|#Missing,|Gone,|"},
      {L"NoSuchSection", L"a.inf|#NoSuchSection,|"},
  };
  // (That each INF is read once, the staging fuzz target checks for every
  // input.)
  for (const auto& [section, expected] : cases) {
    const InstallPlan plan = ExpandNeedsInclude(files, L"/d\\a.inf", section);
    EXPECT_EQ(InfListText(plan) + L"#" + SectionGroupsText(plan), expected) << WideToUtf8(section);
  }
}

TEST(DisableFileDirectives, RewritesLinesKeepsEveryOtherByteAndLeavesReadOnlyFilesAlone) {
  using inf_test::Utf16Le;
  struct Case {
    const char* name;
    std::string before;
    std::string after;
    bool read_only = false;
  };
  const Case cases[] = {
      {"indented directives, any case", "[S]\r\n  CopyFiles=a\r\n\tDELFILES = b\r\nreboot\r\nRenFiles=c\r\n",
       "[S]\r\n; CopyFiles=a\r\n; DELFILES = b\r\n; reboot\r\nRenFiles=c\r\n"},
      {"LF-only lines keep their ending", "a\n  copyfiles=x\n", "a\n; copyfiles=x\n"},
      {"a lone CR is no line end", "x\rcopyfiles=a\r\n", "x\rcopyfiles=a\r\n"},
      {"last line gets CR LF", "[S]\r\n  CopyFiles=a", "[S]\r\n; CopyFiles=a\r\n"},
      {"empty file", "", "\r\n"},
      {"undefined ANSI bytes stay", "\x81\x8D\x8F\r\n CopyFiles=\x90\x9D\r\n",
       "\x81\x8D\x8F\r\n; CopyFiles=\x90\x9D\r\n"},
      {"UTF-8 with mark", "\xEF\xBB\xBF\xC3\xA4=1\r\n copyfiles=\xE2\x82\xAC\n",
       "\xEF\xBB\xBF\xC3\xA4=1\r\n; copyfiles=\xE2\x82\xAC\n"},
      {"UTF-16 with mark", Utf16Le(L"\x00E4\r\n  CopyFiles=\xD800x\n"), Utf16Le(L"\x00E4\r\n; CopyFiles=\xD800x\n")},
      {"UTF-16 odd last byte", Utf16Le(L"copyfiles") + "Z", Utf16Le(L"; copyfiles\r\n") + "Z"},
      {"blanks before a would-be mark stay", " \xFF\xFE\n copyfiles\n", " \xFF\xFE\n; copyfiles\n"},
      {"unaccepted mark", "\xFE\xFF  CopyFiles\r\n", "\xFE\xFF  CopyFiles\r\n"},
      {"read-only file left alone", "  CopyFiles=a\r\n", "  CopyFiles=a\r\n", true},
  };
  // (That a second run changes nothing more, the staging fuzz target checks
  // for every input.)
  for (const Case& c : cases) {
    MemoryFileSystem files;
    files.AddFile(L"/x/copy.inf", c.before);
    if (c.read_only) files.SetAttributes(L"/x/copy.inf", kAttributeReadOnly);
    DisableFileDirectives(files, L"/x/copy.inf");
    std::string after;
    ASSERT_TRUE(files.ReadFile(L"/x/copy.inf", &after));
    EXPECT_EQ(after, c.after) << c.name;
  }

  // A missing file is not made.
  MemoryFileSystem files;
  files.AddDirectory(L"/x");
  DisableFileDirectives(files, L"/x/missing.inf");
  EXPECT_FALSE(files.FileExists(L"/x/missing.inf"));
}

}  // namespace
}  // namespace orvane
