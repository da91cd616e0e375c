// Shared text helpers: positions are 1-based, "" means absent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// A blank is any character with a code up to and including 32.
enum TrimMode : int {
  kTrimStart = 1,
  kTrimEnd = 2,
  kTrimBoth = 3,
  kTrimAll = 8,  // removes every blank anywhere; not combined with the others
};

inline bool IsBlank(wchar_t ch) { return static_cast<uint32_t>(ch) <= 32; }

std::wstring TrimBlanks(const std::wstring& text, int mode);

// Position of the last occurrence of ch, 0 when none.
size_t FindLast(const std::wstring& text, wchar_t ch);

// Position of the n-th occurrence of pattern (overlapping hits count); 0 when
// there are fewer, when n is 0 or when the pattern is empty.
size_t FindNth(const std::wstring& text, const std::wstring& pattern, size_t n);

// The pieces 1..count, count = number of separators + 1. An empty separator
// gives the whole text as the one piece.
std::vector<std::wstring> SplitText(const std::wstring& text, const std::wstring& separator);

// Field n (1-based) of text at separator; "" when there are fewer pieces or n is 0.
std::wstring Field(const std::wstring& text, const std::wstring& separator, size_t n);

// Number of fields: number of separators + 1.
size_t FieldCount(const std::wstring& text, const std::wstring& separator);

// Integer reading: skip leading blanks and tabs, optional sign, then "$" hex
// digits, "%" binary digits or decimal digits, up to the first character that
// does not fit; no digits give 0. A number past the 64-bit range reads as the
// largest value (with "-", the smallest).
int64_t ReadInteger(const std::wstring& text);

// Decimal-number reading: skip leading blanks and tabs, sign, digits, one
// decimal point, digits; the longest fitting prefix ("10.0abc" is 10.0,
// "6.3.1" is 6.3); not a number gives 0. Single precision.
float ReadDecimal(const std::wstring& text);

// Lower-casing by the platform's Unicode mapping, one character for one (a
// character whose lower case would be longer stays as it is).
std::wstring LowerText(const std::wstring& text);
wchar_t LowerChar(wchar_t ch);

// Case-insensitive comparison by LowerText.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

// Does text contain needle (case-sensitive)?
inline bool Contains(const std::wstring& text, const std::wstring& needle) {
  return text.find(needle) != std::wstring::npos;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix);
bool EndsWith(const std::wstring& text, const std::wstring& suffix);

// The text without its double quotes.
std::wstring RemoveQuotes(std::wstring_view text);

// Replaces every occurrence of from (non-empty) by to, scanning left to right.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to);

// Decimal text of a signed number.
std::wstring DecimalText(int64_t value);

// UTF-8 <-> UTF-16 conversions. Invalid input bytes become U+FFFD; lone
// surrogates are written as U+FFFD.
std::wstring Utf8ToWide(const std::string& bytes);
std::string WideToUtf8(const std::wstring& text);

// 8-bit text in the system's ANSI code page (Windows: the system's; elsewhere
// Windows-1252 with its five undefined bytes mapped as Windows maps them).
std::wstring DecodeAnsi(const char* bytes, size_t count);

}  // namespace orvane
