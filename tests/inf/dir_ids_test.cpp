// Destination tokens, directory identifiers, copy sections and source folders.
#include "inf/dir_ids.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "text/text_helpers.h"

namespace orvane {
namespace {

TEST(DirIds, DestinationTokensAndResolution) {
  const std::pair<const wchar_t*, const wchar_t*> tokens[] = {
      {L"12", L"%12%"},
      {L" 11,drivers\\ ", L"%11%\\drivers"},
      {L"11,", L"%11%\\"},
      {L"10, \"\\\\sub\\dir\\\\\" ", L"%10%\\sub\\dir"},
      {L"16422,%VendorDir%", L"%16422%\\%VendorDir%"},
      {L"", L"%%"},
  };
  for (const auto& [text, expected] : tokens) EXPECT_EQ(DestDirToken(text), expected) << WideToUtf8(text);

  const std::pair<const wchar_t*, const wchar_t*> resolved[] = {
      {L"%12%\\a.sys", L"X:\\Windows\\System32\\Drivers\\a.sys"},
      // The driver store as Windows keeps it; "%13%" given as the folder stays.
      {L"%13%\\a.sys", L"X:\\Windows\\System32\\DriverStore\\FileRepository\\pkg.inf_1\\a.sys"},
      {L"%SYSTEMROOT%\\x;%windir%", L"X:\\Windows\\x;X:\\Windows"},
      {L"%%11%", L"X:\\Windows\\System32"},  // "%%" first gives "%11%"
      {L"C:\\Tools\\t.exe", L"X:\\Tools\\t.exe"},
      {L"%99%\\a", L"%99%\\a"},
      {L"%-1%\\a", L"%-1%\\a"},
      {L"relative\\a", L"relative\\a"},
  };
  for (const auto& [text, expected] : resolved) {
    EXPECT_EQ(ResolveDirIds(L"X:\\Windows", L"X:\\Program Files", L"pkg.inf_1", text), expected) << WideToUtf8(text);
  }
  EXPECT_EQ(ResolveDirIds(L"X:\\Windows", L"P", L"%13%", L"%13%"),
            L"X:\\Windows\\System32\\DriverStore\\FileRepository\\%13%");
  // An inserted folder is not looked at again by the same row.
  EXPECT_EQ(ResolveDirIds(L"X:\\%10%", L"P", L"S", L"%10%"), L"X:\\%10%");
}

TEST(DirIds, CopySectionsTakeTheirDestinationsByName) {
  const InfDocument inf = InfDocument::FromText(
      L"[DestinationDirs]\n"
      L"DefaultDestDir = 12 ; drivers\n"
      L"Twice = 10\n"
      L" twice= 11,sub\n"
      L"[Files.A] ; a comment after the header\n"
      L"a.sys ; with comment\n"
      L"  b.sys,b_src.sys  \n"
      L"; only a comment\n"
      L"[FILES.B]extra text\n"
      L"c.dll\n"
      L"[Other]\n"
      L"x.sys\n"
      L"[Twice]\n"
      L"t.sys\n");
  CopySectionTable table;
  ReadCopySections(inf, L"DestinationDirs,Files.A,Twice,files.b,missing,", &table);
  EXPECT_EQ(DestinationListText(table),
            L"DefaultDestDir= 12 |files.a= 12 |Twice= 10|twice= 11,sub|files.b= 12 |missing= 12 |");
  std::wstring lines;
  for (size_t i = 2; i < table.sections.size(); ++i) lines += SectionLinesText(table, i) + L"#";
  EXPECT_EQ(lines, L"a.sys |b.sys,b_src.sys|#t.sys|#c.dll|##");
  // A name listed twice takes its first line.
  EXPECT_EQ(table.DestinationOf(L"twice"), L" 10");

  // Without DefaultDestDir the default is 11.
  ReadCopySections(InfDocument::FromText(L"[Files]\na.sys\n"), L"DestinationDirs,Files,", &table);
  EXPECT_EQ(DestinationListText(table), L"DefaultDestDir=11|files=11|");
}

TEST(DirIds, SourceFoldersFollowTheSourceDisks) {
  const InfDocument inf = InfDocument::FromText(
      L"[SourceDisksNames]\n1 = \"Disk\",,,\\common\\\n2 = \"Disk 2\"\n"
      L"[SourceDisksNames.amd64]\n1 = \"Disk\",,,\\x64\\\n"
      L"[SourceDisksFiles]\n"
      L"plain.sys = 1\nsub.sys = 1,drivers\nup.sys = 3, .. \nquoted.sys = 2,\" \\q\\ \"\n"
      L"[SourceDisksFiles.x86]\nup.sys = 1,..\n");
  // A file, the architecture, the folder it is read from.
  const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
      {L"plain.sys", L"AMD64", L"B\\pack\\x64"},
      {L"plain.sys", L"x86", L"B\\pack\\common"},
      {L"sub.sys", L"amd64", L"B\\pack\\x64\\drivers"},
      {L"up.sys", L"AMD64", L"B"},  // disk 3 is not listed
      {L"up.sys", L"x86", L"B\\common"},
      {L"quoted.sys", L"x86", L"B\\pack\\q"},
      {L"unlisted.sys", L"x86", L"B\\pack"},
  };
  for (const auto& [file, arch, expected] : cases) {
    EXPECT_EQ(SourceFileDir(inf, L"B\\pack", file, arch), expected) << WideToUtf8(file);
  }
  EXPECT_EQ(SourceFileDir(inf, L"/host/pack", L"up.sys", L"AMD64"), L"/host");
}

}  // namespace
}  // namespace orvane
