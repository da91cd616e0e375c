#include "inf/inf_reader.h"

#include <gtest/gtest.h>

#include <chrono>

#include "inf/inf_test_support.h"
#include "platform/memory/memory_file_system.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

using inf_test::Utf16Le;

TEST(InfEncodingTest, MarksDecideHowBytesAreRead) {
  const std::wstring inf = L"[Strings]\r\nName = \"Ger\u00e4t\"\r\n";
  const std::wstring expected = L" \"Ger\u00e4t\"";
  EXPECT_EQ(expected, InfDocument::FromBytes(Utf16Le(inf)).ReadValue(L"Strings", L"Name", L""));
  EXPECT_EQ(expected,
            InfDocument::FromBytes("\xEF\xBB\xBF" + WideToUtf8(inf)).ReadValue(L"Strings", L"Name", L""));
  // FF FE is tested first: FF FE 00 00 is UTF-16 with a leading NUL.
  EXPECT_EQ(expected, InfDocument::FromBytes(Utf16Le(std::wstring(1, L'\0') + inf)).ReadValue(L"Strings", L"Name", L""));

  // Big-endian marks give a file without lines.
  std::string be = "\xFE\xFF";
  for (wchar_t ch : inf) be += std::string{static_cast<char>(ch >> 8), static_cast<char>(ch & 0xFF)};
  for (const std::string& bytes : {be, std::string(2, '\0') + be}) {
    InfDocument doc = InfDocument::FromBytes(bytes);
    EXPECT_EQ(InfEncoding::kRejected, doc.encoding());
    EXPECT_EQ(0u, doc.LineCount());
    EXPECT_EQ(L"-", doc.ReadValue(L"Strings", L"Name", L"-"));
  }

  // Without a mark the bytes are the ANSI code page's, even when they would
  // make sense as UTF-8.
  InfDocument ansi = InfDocument::FromBytes("[Strings]\r\nName = \xC3\xA4\r\n");
  EXPECT_EQ(InfEncoding::kAnsi, ansi.encoding());
  EXPECT_EQ(L" " + DecodeAnsi("\xC3\xA4", 2), ansi.ReadValue(L"Strings", L"Name", L""));
}

TEST(InfLinesTest, LineEndsNulAndNoContinuation) {
  const char raw[] = "[S]\r\na=1\nb=2\rc=3\r\r\nd=4\0e=5\nf=6\\\r\ng=7";
  InfDocument doc = InfDocument::FromBytes(std::string(raw, sizeof(raw) - 1));
  InfSectionTable table;
  ASSERT_EQ(7u, doc.ReadSectionTable(L"s", &table));
  EXPECT_EQ(L"d", table[3].key);
  EXPECT_EQ(L"e", table[4].key);
  EXPECT_EQ(L"6\\", table[5].value);
  EXPECT_EQ(L"g", table[6].key);
  // "\r\r\n" is a lone CR, then CR LF around an empty line.
  ASSERT_EQ(9u, doc.LineCount());
  EXPECT_EQ(L"", doc.Line(4));
}

TEST(InfLinesTest, CommentsAreCutBeforeTrimmingAndQuotesDoNotProtect) {
  InfDocument doc = InfDocument::FromText(
      L"[S]\n"
      L"key = a ; b\n"
      L"quoted = \"x;y\"\n"
      L"\t Mixed Key \t=\t v \t; note\n"
      L"bare.sys\n"
      L"; a = commented\n"
      L"==x\n");
  EXPECT_EQ(L" a", doc.ReadValue(L"S", L"key", L""));
  EXPECT_EQ(L" \"x", doc.ReadValue(L"S", L"quoted", L""));
  for (const wchar_t* key : {L"mixed key", L"MIXED KEY", L"  Mixed Key  "})
    EXPECT_EQ(L"\t v", doc.ReadValue(L"S", key, L"")) << key;
  EXPECT_EQ(L"=x", doc.ReadValue(L"S", L"", L"-"));
  EXPECT_EQ(L"-", doc.ReadValue(L"S", L"a", L"-"));
  InfSectionTable table;
  ASSERT_EQ(4u, doc.ReadSectionTable(L"S", &table));
  EXPECT_EQ(L"Mixed Key \t", table[2].key);  // blanks in front of "=" stay
  EXPECT_EQ(L"\t v", table[2].value);        // and after it
}

TEST(InfSectionsTest, HeadersOpenExactNamesAndRepeat) {
  InfDocument doc = InfDocument::FromText(
      L"[Strings]   ; the strings\n"
      L"one = first\n"
      L"[ Strings ]\n"
      L"b=2\n"
      L"[Strings] extra\n"
      L"c=3\n"
      L"[Empty]\n"
      L"not-an-entry.sys\n"
      L"[STRINGS]\n"
      L"two = second\n"
      L"ONE = shadowed\n"
      L"[Empty]\n"
      L"x = 1\n"
      L"[Other\n"
      L"e=5\n"
      L"[Last]");
  InfSectionTable table = {{L"stale", L"entry"}};
  ASSERT_EQ(3u, doc.ReadSectionTable(L"Strings", &table));
  EXPECT_EQ(L"two ", table[1].key);
  EXPECT_EQ(L" first", doc.ReadValue(L"strings", L"one", L""));
  EXPECT_EQ(L" second", doc.ReadValue(L"strings", L"Two", L""));
  // A header that opens nothing still closes the section before it.
  EXPECT_EQ(L"", doc.ReadValue(L"Empty", L"e", L""));

  EXPECT_TRUE(doc.SectionExists(L"Empty", false));
  EXPECT_FALSE(doc.SectionExists(L"Empty", true));  // only the first occurrence counts
  EXPECT_TRUE(doc.SectionExists(L"Last", false));
  EXPECT_FALSE(doc.SectionExists(L"Last", true));
  EXPECT_FALSE(doc.SectionExists(L"Other", false));
}

// Sections are found from the "[" signs of the file and decoded only when
// used; fuzz/corpus/inf_reader_fuzz/brackets_* hold a file with "[" in every
// odd place, in each encoding, which the fuzz target reads against a plain
// line-by-line reading.

TEST(InfReaderTest, PathFormsReadOnceAndTreatMissingFilesAsEmpty) {
  MemoryFileSystem files;
  files.AddFile(L"d.inf", Utf16Le(L"[Strings]\r\nA=%B%-%C%\r\nB=b\r\nC=\"c\"\r\n[Sec]\r\nk=v"));
  EXPECT_EQ(L"b-c", ExpandStrings(files, L"d.inf", L"0409", L"%A%"));
  EXPECT_EQ(1u, files.read_count());
  EXPECT_EQ(L"v", ReadInfValue(files, L"d.inf", L"sec", L"K", L""));
  EXPECT_TRUE(SectionExists(files, L"d.inf", L"sec", true));
  EXPECT_EQ(3u, files.read_count());

  InfSectionTable table = {{L"k", L"v"}};
  EXPECT_EQ(L"dflt", ReadInfValue(files, L"missing.inf", L"Sec", L"k", L"dflt"));
  EXPECT_EQ(0u, ReadSectionTable(files, L"missing.inf", L"Sec", &table));
  EXPECT_TRUE(table.empty());
  EXPECT_FALSE(SectionExists(files, L"missing.inf", L"Sec", false));
  EXPECT_EQ(L"%A%", ExpandStrings(files, L"missing.inf", L"0409", L"%A%"));
}

// ---------------------------------------------------------------------------
// String substitution

const wchar_t kStringsInf[] =
    L"[Strings.0407]\n"
    L"A = de\n"
    L"D =\n"
    L"[Strings.0007]\n"
    L"A = neutral\n"
    L"B = b7\n"
    L"[Strings]\n"
    L"A = base\n"
    L"B = bb\n"
    L"C = c\n"
    L"D = dd\n"
    L"Quoted = \"say \"\"hi\"\"\"\n"
    L"Padded =   \"  inner  \"  \n"
    L"Pct = \"50%\"\n"
    L"Name = x\n"
    L"Nested = [%A%/%b%]\n"
    L"Blank = \"\"\n"
    L"= empty key\n";

TEST(ExpandStringsTest, LanguageSectionsAreTriedInOrder) {
  InfDocument doc = InfDocument::FromText(kStringsInf);
  // A value defined as empty is looked up in the next section as well.
  EXPECT_EQ(L"de|b7|c|dd", doc.ExpandStrings(L"0407", L"%A%|%B%|%C%|%D%"));
  EXPECT_EQ(L"neutral|b7", doc.ExpandStrings(L"0c07", L"%A%|%B%"));
  EXPECT_EQ(L"base|bb|c|dd", doc.ExpandStrings(L"0409", L"%A%|%B%|%C%|%D%"));
  EXPECT_EQ(L"[de/b7]", doc.ExpandStrings(L"0407", L"%nested%"));
}

TEST(ExpandStringsTest, ValuesAreTrimmedUnquotedAndReplacedInAnyCase) {
  InfDocument doc = InfDocument::FromText(kStringsInf);
  EXPECT_EQ(L"say hi", doc.ExpandStrings(L"0409", L"%Quoted%"));
  EXPECT_EQ(L"<  inner  >", doc.ExpandStrings(L"0409", L"<%Padded%>"));
  EXPECT_EQ(L"x x x", doc.ExpandStrings(L"0409", L"%name% %NAME% %Name%"));
  EXPECT_EQ(L"()", doc.ExpandStrings(L"0409", L"(%Blank%)"));
  EXPECT_EQ(L"empty key", doc.ExpandStrings(L"0409", L"%%"));
  EXPECT_EQ(L"x", doc.ExpandStrings(L"0409", L"% Name %"));
}

TEST(ExpandStringsTest, UndefinedTokensStayAndAreSetAside) {
  InfDocument doc = InfDocument::FromText(kStringsInf);
  EXPECT_EQ(L"%%", InfDocument::FromText(L"[Strings]\nName = x\n").ExpandStrings(L"0409", L"%%"));
  EXPECT_EQ(L"100%", doc.ExpandStrings(L"0409", L"100%"));
  // Every occurrence stays, spelled as the first one; later tokens still resolve.
  EXPECT_EQ(L"%Undef% then %Undef% and base",
            doc.ExpandStrings(L"0409", L"%Undef% then %UNDEF% and %A%"));
  // A set-aside token's closing "%" does not pair with the next one.
  EXPECT_EQ(L"%Undef%Name%", doc.ExpandStrings(L"0409", L"%Undef%Name%"));
  // A lone "%" in a value pairs with the next "%" of the text.
  EXPECT_EQ(L"50x", doc.ExpandStrings(L"0409", L"%Pct%Name%"));
}

// Self references, growth past the bound, overlapping occurrences, signs
// pairing across set-aside tokens and the one-token shortcut are compared
// with the plain algorithm by the expand fuzz target, from the seeds
// fuzz/corpus/expand_fuzz/{self_reference,doubling,overlapping,one_token}*.

TEST(ExpandStringsTest, LargeTextsExpandInLinearTime) {
  // About 1 MB of distinct undefined tokens, then a defined one; and a text
  // of 20,000 distinct defined tokens.
  std::wstring undefined;
  while (undefined.size() < 1000000) undefined += L"%u" + DecimalText(undefined.size()) + L"%";
  std::wstring inf = L"[Strings]\nlast = done\n";
  std::wstring defined, expected;
  for (int i = 0; i < 20000; ++i) {
    inf += L"d" + DecimalText(i) + L" = v" + DecimalText(i) + L"\n";
    defined += L"%D" + DecimalText(i) + L"%,";
    expected += L"v" + DecimalText(i) + L",";
  }
  InfDocument doc = InfDocument::FromText(inf);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(undefined + L"done", doc.ExpandStrings(L"0409", undefined + L"%LAST%"));
  EXPECT_EQ(expected, doc.ExpandStrings(L"0409", defined));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 5.0);  // a quadratic walk takes minutes
}

// Lookups walk the file's own units and decode only what they return: keys
// and section names outside ASCII, in any letter case, in all encodings.
// (Many tokens, which make the string sections indexed, are in the seeds
// fuzz/corpus/expand_fuzz/many_tokens_*.)
TEST(InfEncodingTest, NonAsciiKeysAndSectionsIgnoreCaseInEveryEncoding) {
  const std::wstring inf = L"[Ger\u00e4t]\r\n  Schl\u00fcssel   = Wert \u00e4\r\n[GER\u00c4T] ; again\r\nSp\u00e4t = zwei\r\n"
                           L"[Strings]\r\nGr\u00f6\u00dfe = \"Gr\u00f6\u00dfe \"\"XL\"\"\"\r\n";
  for (const InfDocument& doc : {InfDocument::FromText(inf), InfDocument::FromBytes(Utf16Le(inf)),
                                 InfDocument::FromBytes("\xEF\xBB\xBF" + WideToUtf8(inf))}) {
    EXPECT_EQ(L" Wert \u00e4", doc.ReadValue(L"GER\u00c4T", L" schl\u00dcssel ", L"-"));
    EXPECT_EQ(L" zwei", doc.ReadValue(L"ger\u00e4t", L"SP\u00c4T", L"-"));
    EXPECT_TRUE(doc.SectionExists(L"gEr\u00c4t", true));
    EXPECT_EQ(L"Gr\u00f6\u00dfe XL", doc.ExpandStrings(L"0407", L"%GR\u00d6\u00dfE%"));
  }
  // Without a mark: the same answers as the text the code page gives.
  const std::string ansi = "[Ger\xE4t]\r\nSchl\xFCssel = \x80 \xE4\x9F\r\n";
  const std::wstring section = DecodeAnsi("GER\xC4T", 5), key = DecodeAnsi("schl\xDCssel", 9);
  const std::wstring value = InfDocument::FromBytes(ansi).ReadValue(section, key, L"-");
  EXPECT_EQ(InfDocument::FromText(DecodeAnsi(ansi.data(), ansi.size())).ReadValue(section, key, L"-"), value);
  EXPECT_NE(L"-", value);
}

}  // namespace
}  // namespace orvane
