#include "text/text_helpers.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Start, end, both ends, everywhere: every control character is a blank, 127 is not.
TEST(TrimBlanks, ModesTreatEveryControlCharacterAsBlank) {
  const std::wstring text = L"\t\r\n a b\x01 \x7f\x1f ";
  EXPECT_EQ(TrimBlanks(text, kTrimStart) + L"|" + TrimBlanks(text, kTrimEnd) + L"|" + TrimBlanks(text, kTrimBoth) +
                L"|" + TrimBlanks(text, kTrimAll),
            L"a b\x01 \x7f\x1f |\t\r\n a b\x01 \x7f|a b\x01 \x7f|ab\x7f");
}

TEST(FieldsAndPositions, AreOneBasedCountOverlappingHitsAndReplaceWithoutOverlap) {
  // The third "aa" of "aaaa" overlaps the second.
  EXPECT_EQ((std::vector<size_t>{FindLast(L"a\\b\\c", L'\\'), FindLast(L"abc", L'\\'), FindNth(L"aaaa", L"aa", 3),
                                 FindNth(L"aaaa", L"aa", 4), FindNth(L"abc", L"b", 0)}),
            (std::vector<size_t>{4, 0, 3, 0, 0}));
  const std::wstring text = L"a|b||d|";
  EXPECT_EQ(SplitText(text, L"|"), (std::vector<std::wstring>{L"a", L"b", L"", L"d", L""}));
  EXPECT_EQ(FieldCount(text, L"|"), 5u);
  EXPECT_EQ(Field(text, L"|", 4) + L"#" + Field(text, L"|", 6) + L"#" + Field(text, L"|", 0), L"d##");
  EXPECT_EQ(SplitText(L"", L",").size(), 1u);
  EXPECT_EQ(Field(L"x\r\ny\r\nz", L"\r\n", 2), L"y");  // separators longer than one character
  EXPECT_EQ(ReplaceAll(L",,a,,,b", L",,", L"") + L"|" + ReplaceAll(L"abc", L"", L"x"), L"a,b|abc");
}

TEST(ReadInteger, SignHexBinaryFirstMisfitAndSaturationAndDecimalTextAtTheEdge) {
  const struct {
    const wchar_t* text;
    int64_t value;
  } cases[] = {
      // clang-format off
      {L"  \t-42abc", -42}, {L"+17", 17}, {L"$1f", 31}, {L"$FFg", 255}, {L"%1012", 5},
      {L"-$10", -16}, {L"abc", 0}, {L"", 0}, {L"\n5", 0},  // only blanks and tabs are skipped
      {L"4294967297", 4294967297LL}, {L"9223372036854775807", INT64_MAX},
      // Past the range: the largest (or smallest) value, never a wrapped one.
      {L"9223372036854775808", INT64_MAX}, {L"18446744073709551615", INT64_MAX}, {L"18446744073709551617", INT64_MAX},
      {L"-9223372036854775808", INT64_MIN}, {L"-99999999999999999999", INT64_MIN}, {L"$FFFFFFFFFFFFFFFFFF", INT64_MAX},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(ReadInteger(c.text), c.value) << c.text;
  EXPECT_EQ(ReadInteger(L"%" + std::wstring(70, L'1')), INT64_MAX);
  EXPECT_EQ(DecimalText(0) + L" " + DecimalText(INT64_MIN), L"0 -9223372036854775808");
}

TEST(LowerText, MapsLatinGreekCyrillicAndKeepsLength) {
  // Latin-1 (sharp s and the multiplication sign stay), Greek, Cyrillic, Latin
  // Extended; surrogates stay as they are.
  EXPECT_EQ(LowerText(L"\u00C4\u00D6\u00DC\u00DF\u00D7 \u0391\u0392\u03A3\u0386\u038F \u0410\u042F\u0401\u0406 "
                      L"\u0100\u0178\u0141\u017D A\xD83D\xDE00Z"),
            L"\u00E4\u00F6\u00FC\u00DF\u00D7 \u03B1\u03B2\u03C3\u03AC\u03CE \u0430\u044F\u0451\u0456 "
            L"\u0101\u00FF\u0142\u017E a\xD83D\xDE00z");
  EXPECT_TRUE(EqualsNoCase(L"Strings.0407", L"STRINGS.0407") && !EqualsNoCase(L"abc", L"abd"));
}

TEST(Encodings, Utf8RoundTripReplacementsAndAnsi) {
  const std::wstring text = L"Ger\u00E4t \u20AC \xD83D\xDE00";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
  EXPECT_EQ(WideToUtf8(L"\u00E4"), "\xC3\xA4");
  // A stray byte, an overlong form, a sequence cut short.
  EXPECT_EQ(Utf8ToWide("a\xFF|\xC0\x80|\xE2\x82"), L"a\xFFFD|\xFFFD\xFFFD|\xFFFD\xFFFD");
  EXPECT_EQ(WideToUtf8(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
#ifndef _WIN32
  // Off Windows the code page is Windows-1252, undefined bytes kept as controls.
  EXPECT_EQ(DecodeAnsi("\x80\x81\x8D\x9F\xE4", 5), L"\u20AC\u0081\u008D\u0178\u00E4");
#endif
}

}  // namespace
}  // namespace orvane
