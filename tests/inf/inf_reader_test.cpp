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
  // FF FE is tested first: FF FE 00 00 is UTF-16 with a leading NUL.
  for (const std::string& bytes :
       {Utf16Le(inf), "\xEF\xBB\xBF" + WideToUtf8(inf), Utf16Le(std::wstring(1, L'\0') + inf)})
    EXPECT_EQ(L" \"Ger\u00e4t\"", InfDocument::FromBytes(bytes).ReadValue(L"Strings", L"Name", L""));

  // Big-endian marks give a file without lines.
  std::string be = "\xFE\xFF";
  for (wchar_t ch : inf) be += std::string{static_cast<char>(ch >> 8), static_cast<char>(ch & 0xFF)};
  for (const std::string& bytes : {be, std::string(2, '\0') + be})
    EXPECT_EQ(0u, InfDocument::FromBytes(bytes).LineCount());

  // Without a mark the bytes are the ANSI code page's, even when they would
  // make sense as UTF-8.
  EXPECT_EQ(L" " + DecodeAnsi("\xC3\xA4", 2),
            InfDocument::FromBytes("[Strings]\r\nName = \xC3\xA4\r\n").ReadValue(L"Strings", L"Name", L""));
}

// The entries of a section as "key=value|" each.
std::wstring TableText(const InfDocument& doc, const std::wstring& section) {
  InfSectionTable table;
  doc.ReadSectionTable(section, &table);
  std::wstring out;
  for (const InfEntry& entry : table) out += entry.key + L"=" + entry.value + L"|";
  return out;
}

TEST(InfLinesTest, LineEndsNulNoContinuationAndComments) {
  const char raw[] = "[S]\r\na=1\nb=2\rc=3\r\r\nd=4\0e=5\nf=6\\\r\ng=7";
  InfDocument doc = InfDocument::FromBytes(std::string(raw, sizeof(raw) - 1));
  EXPECT_EQ(L"a=1|b=2|c=3|d=4|e=5|f=6\\|g=7|", TableText(doc, L"s"));
  // "\r\r\n" is a lone CR, then CR LF around an empty line.
  ASSERT_EQ(9u, doc.LineCount());
  EXPECT_EQ(L"", doc.Line(4));

  // Comments are cut before trimming, and quotes do not protect.
  doc = InfDocument::FromText(
      L"[S]\n"
      L"key = a ; b\n"
      L"quoted = \"x;y\"\n"
      L"\t Mixed Key \t=\t v \t; note\n"
      L"bare.sys\n"
      L"; a = commented\n"
      L"==x\n");
  // Blanks in front of "=" and after it stay.
  EXPECT_EQ(L"key = a|quoted = \"x|Mixed Key \t=\t v|==x|", TableText(doc, L"S"));
  EXPECT_EQ(L"\t v", doc.ReadValue(L"S", L"  MIXED KEY  ", L""));
  EXPECT_EQ(L"=x", doc.ReadValue(L"S", L"", L"-"));
  EXPECT_EQ(L"-", doc.ReadValue(L"S", L"a", L"-"));
}

// Section headers (exact names, repeated sections, headers that open
// nothing) are read against a plain line-by-line reading by the reader fuzz
// target, from the seeds fuzz/corpus/inf_reader_fuzz/headers_and_repeats.inf
// and brackets_* (a file with "[" in every odd place, in each encoding).

// Every call on a path reads the file once, and agrees with the document:
// the fuzz targets check both for every input.
TEST(InfReaderTest, MissingFilesReadAsEmpty) {
  MemoryFileSystem files;
  InfSectionTable table = {{L"k", L"v"}};
  EXPECT_EQ(L"dflt", ReadInfValue(files, L"missing.inf", L"Sec", L"k", L"dflt"));
  EXPECT_EQ(0u, ReadSectionTable(files, L"missing.inf", L"Sec", &table));
  EXPECT_TRUE(table.empty());
  EXPECT_FALSE(SectionExists(files, L"missing.inf", L"Sec", false));
  EXPECT_EQ(L"%A%", ExpandStrings(files, L"missing.inf", L"0409", L"%A%"));
}

// ---------------------------------------------------------------------------
// String substitution
//
// The language sections tried in order, values trimmed, unquoted and
// replaced in any letter case, undefined tokens set aside (spelled as their
// first occurrence, their closing sign not paired again), self references,
// growth past the bound, overlapping occurrences, signs pairing across
// set-aside tokens and the one-token shortcut are compared with the plain
// algorithm by the expand fuzz target, from the seeds
// fuzz/corpus/expand_fuzz/{language_and_values,empty_key,across_set_aside,
// self_reference,doubling,overlapping,one_token}*. Pairs across set-aside
// tokens are checked here as well: no other test reaches that part of the
// substitution.

// Pairs whose two signs stand around set-aside tokens: their later
// occurrences are found, taken left to right without overlap, and found again
// once a replacement has made new ones. In every case "%a%" is set aside
// first and "%x%" then becomes a lone sign: "%A" + the set-aside "%a%" + "a%"
// is the pair "a%a%a", and a run "%A%A%A%A..." made of other "%x%" holds it
// again, at every sign.
TEST(ExpandStringsTest, PairsAcrossSetAsideTokens) {
  const struct {
    const wchar_t* strings;  // the lines of [Strings]
    const wchar_t* text;
    const wchar_t* expected;
  } cases[] = {
      // Undefined: the occurrences at the first and fifth sign of the run are
      // set aside, spelled as the pair; the overlapping ones stay as they are.
      {L"x = %A\n", L"%a%%x%%a%a%x%%x%%x%%x%%x%%x%%x%%x%%x%%x%", L"%a%%A%a%a%A%A%a%a%A%A%a%a%A%A"},
      // Defined: the same occurrences are replaced.
      {L"x = %A\na%a%a = Z\n", L"%a%%x%%a%a%x%%x%%x%%x%%x%%x%%x%%x%%x%%x%", L"%a%ZAZAZA%A"},
      // The pair is set aside while the run is still "%y%%A%A%"; replacing "%y%"
      // then makes both a new occurrence at the end and the same pair again.
      {L"x = %A\ny = %A\n", L"%a%%x%%a%a%x%%y%%a%a%%y%%x%%x%%", L"%a%%A%a%a%A%A%a%a%%A%a%a%"},
  };
  for (const auto& c : cases) {
    const InfDocument doc = InfDocument::FromText(std::wstring(L"[Strings]\n") + c.strings);
    EXPECT_EQ(c.expected, doc.ExpandStrings(L"0409", c.text)) << c.text;
  }
}

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
  // An indented header; U+5B57, whose UTF-16 units hold the byte of "[";
  // more sections than the first table of names holds.
  std::wstring inf =
      L"[Ger\u00e4t]\r\n  Schl\u00fcssel   = Wert \u00e4\u5b57\r\n \t[GER\u00c4T] ; again\r\nSp\u00e4t = zwei\r\n"
      L"[Strings]\r\nGr\u00f6\u00dfe = \"Gr\u00f6\u00dfe \"\"XL\"\"\"\r\n";
  for (int i = 0; i < 40; ++i) inf += L"[Teil " + DecimalText(i) + L"]\r\n";
  for (const InfDocument& doc : {InfDocument::FromText(inf), InfDocument::FromBytes(Utf16Le(inf)),
                                 InfDocument::FromBytes("\xEF\xBB\xBF" + WideToUtf8(inf))}) {
    EXPECT_EQ(L" Wert \u00e4\u5b57", doc.ReadValue(L"GER\u00c4T", L" schl\u00dcssel ", L"-"));
    EXPECT_TRUE(doc.SectionExists(L"teil 39", false));
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
