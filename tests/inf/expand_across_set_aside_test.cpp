// Substitution of pairs whose two signs stand around set-aside tokens: their
// later occurrences are found, taken left to right without overlap, and
// found again once a replacement has made new ones.
#include <gtest/gtest.h>

#include <string>

#include "inf/inf_reader.h"

namespace orvane {
namespace {

struct AcrossCase {
  const wchar_t* strings;  // the lines of [Strings]
  const wchar_t* text;
  const wchar_t* expected;
};

// In every case "%a%" is set aside first and "%x%" then becomes a lone sign:
// "%A" + the set-aside "%a%" + "a%" is the pair "a%a%a", and a run
// "%A%A%A%A..." made of other "%x%" holds it again, at every sign.
const AcrossCase kCases[] = {
    // Undefined: the occurrences at the first and fifth sign of the run are
    // set aside, spelled as the pair; the overlapping ones stay as they are.
    {L"x = %A\n", L"%a%%x%%a%a%x%%x%%x%%x%%x%%x%%x%%x%%x%%x%",
     L"%a%%A%a%a%A%A%a%a%A%A%a%a%A%A"},
    // Defined: the same occurrences are replaced.
    {L"x = %A\na%a%a = Z\n", L"%a%%x%%a%a%x%%x%%x%%x%%x%%x%%x%%x%%x%%x%", L"%a%ZAZAZA%A"},
    // The pair is set aside while the run is still "%y%%A%A%"; replacing "%y%"
    // then makes both a new occurrence at the end and the same pair again.
    {L"x = %A\ny = %A\n", L"%a%%x%%a%a%x%%y%%a%a%%y%%x%%x%%", L"%a%%A%a%a%A%A%a%a%%A%a%a%"},
};

TEST(ExpandAcrossSetAsideTest, LaterOccurrencesAreFoundLeftToRight) {
  for (const AcrossCase& c : kCases) {
    const InfDocument doc = InfDocument::FromText(std::wstring(L"[Strings]\n") + c.strings);
    EXPECT_EQ(c.expected, doc.ExpandStrings(L"0409", c.text)) << c.text;
  }
}

}  // namespace
}  // namespace orvane
