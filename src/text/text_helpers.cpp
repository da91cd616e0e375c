#include "text/text_helpers.h"

#include <cstdlib>
#include <limits>

namespace orvane {

std::wstring TrimBlanks(const std::wstring& text, int mode) {
  if (mode == kTrimAll) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t ch : text)
      if (!IsBlank(ch)) out.push_back(ch);
    return out;
  }
  size_t begin = 0, end = text.size();
  if (mode & kTrimStart)
    while (begin < end && IsBlank(text[begin])) ++begin;
  if (mode & kTrimEnd)
    while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

size_t FindLast(const std::wstring& text, wchar_t ch) {
  size_t pos = text.rfind(ch);
  return pos == std::wstring::npos ? 0 : pos + 1;
}

size_t FindNth(const std::wstring& text, const std::wstring& pattern, size_t n) {
  if (n == 0 || pattern.empty()) return 0;
  size_t from = 0;
  size_t hit = std::wstring::npos;
  for (size_t i = 0; i < n; ++i) {
    hit = text.find(pattern, from);
    if (hit == std::wstring::npos) return 0;
    from = hit + 1;
  }
  return hit + 1;
}

std::vector<std::wstring> SplitText(const std::wstring& text, const std::wstring& separator) {
  std::vector<std::wstring> pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  size_t start = 0;
  for (;;) {
    size_t hit = text.find(separator, start);
    if (hit == std::wstring::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, hit - start));
    start = hit + separator.size();
  }
}

std::wstring Field(const std::wstring& text, const std::wstring& separator, size_t n) {
  if (n == 0) return std::wstring();
  if (separator.empty()) return n == 1 ? text : std::wstring();
  size_t start = 0;
  for (size_t i = 1; i < n; ++i) {
    size_t hit = text.find(separator, start);
    if (hit == std::wstring::npos) return std::wstring();
    start = hit + separator.size();
  }
  size_t end = text.find(separator, start);
  return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

size_t FieldCount(const std::wstring& text, const std::wstring& separator) {
  if (separator.empty()) return 1;
  size_t count = 1;
  for (size_t pos = text.find(separator); pos != std::wstring::npos;
       pos = text.find(separator, pos + separator.size()))
    ++count;
  return count;
}

int64_t ReadInteger(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && text[i] == L'$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == L'%') {
    base = 2;
    ++i;
  }
  // The magnitude stops growing one past the largest value: the sign then
  // decides between the largest and the smallest number.
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const wchar_t ch = text[i];
    unsigned digit;
    if (ch >= L'0' && ch <= L'9') digit = ch - L'0';
    else if (ch >= L'a' && ch <= L'f') digit = ch - L'a' + 10;
    else if (ch >= L'A' && ch <= L'F') digit = ch - L'A' + 10;
    else break;
    if (digit >= base) break;
    value = value > (limit - digit) / base ? limit : value * base + digit;
  }
  if (!negative) return static_cast<int64_t>(value);
  return value == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
}

float ReadDecimal(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  std::string ascii;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ascii.push_back(static_cast<char>(text[i++]));
  size_t digits = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits)
    ascii.push_back(static_cast<char>(text[i]));
  if (i < text.size() && text[i] == L'.') {
    ascii.push_back('.');
    for (++i; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits)
      ascii.push_back(static_cast<char>(text[i]));
  }
  if (digits == 0) return 0.0f;
  return std::strtof(ascii.c_str(), nullptr);
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && LowerChar(a[i]) != LowerChar(b[i])) return false;
  return true;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::wstring RemoveQuotes(std::wstring_view text) {
  if (text.find(L'"') == std::wstring_view::npos) return std::wstring(text);
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t ch : text)
    if (ch != L'"') out.push_back(ch);
  return out;
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  std::wstring out;
  size_t start = 0;
  for (size_t hit = text.find(from); hit != std::wstring::npos; hit = text.find(from, start)) {
    out.append(text, start, hit - start);
    out.append(to);
    start = hit + from.size();
  }
  out.append(text, start, std::wstring::npos);
  return out;
}

std::wstring DecimalText(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  wchar_t buffer[24];
  size_t pos = sizeof(buffer) / sizeof(buffer[0]);
  do {
    buffer[--pos] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) buffer[--pos] = L'-';
  return std::wstring(buffer + pos, buffer + sizeof(buffer) / sizeof(buffer[0]));
}

// Texts hold UTF-16 code units on every platform, so positions and lengths
// agree with the platform's own strings.
std::wstring Utf8ToWide(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size(), i = 0;
  while (i < n) {
    unsigned char b = p[i];
    uint32_t cp;
    size_t len;
    if (b < 0x80) { cp = b; len = 1; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
    else { out.push_back(0xFFFD); ++i; continue; }
    if (i + len > n) { out.push_back(0xFFFD); ++i; continue; }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string WideToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(text[i]) & 0xFFFFFFFFu;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace orvane
