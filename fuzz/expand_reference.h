// A straightforward substitution used as the reference for the fast one in
// the reader: after every pair it scans the rest of the text for all other
// occurrences of the token and rebuilds the text for every replacement.
// Quadratic, so the fuzz target only asks it about small inputs.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "inf/inf_reader.h"
#include "text/text_helpers.h"

namespace orvane {
namespace fuzz {

class ReferenceExpansion {
 public:
  ReferenceExpansion(const std::wstring& text, size_t limit)
      : work_(text), mask_(text.size(), 0), limit_(limit) {}

  const std::wstring& text() const { return work_; }

  bool FindPair(size_t from, size_t* first, size_t* second) const {
    size_t i = NextPercent(from);
    if (i == std::wstring::npos) return false;
    size_t j = NextPercent(i + 1);
    if (j == std::wstring::npos) return false;
    *first = i;
    *second = j;
    return true;
  }

  std::vector<size_t> Occurrences(size_t first, size_t len) const {
    std::vector<size_t> found{first};
    std::wstring pattern = LowerText(work_.substr(first, len));
    size_t k = first + len;
    while ((k = NextPercent(k)) != std::wstring::npos) {
      if (Matches(k, pattern)) {
        found.push_back(k);
        k += len;
      } else {
        ++k;
      }
    }
    return found;
  }

  bool Replace(const std::vector<size_t>& at, size_t len, const std::wstring& value) {
    size_t new_size = work_.size() - at.size() * len + at.size() * value.size();
    if (value.size() > len && new_size > limit_) return false;
    std::wstring out;
    std::vector<char> mask;
    size_t pos = 0;
    for (size_t a : at) {
      out.append(work_, pos, a - pos);
      mask.insert(mask.end(), mask_.begin() + pos, mask_.begin() + a);
      out.append(value);
      mask.insert(mask.end(), value.size(), 0);
      pos = a + len;
    }
    out.append(work_, pos, std::wstring::npos);
    mask.insert(mask.end(), mask_.begin() + pos, mask_.end());
    work_.swap(out);
    mask_.swap(mask);
    return true;
  }

  void SetAside(const std::vector<size_t>& at, size_t len) {
    std::wstring spelling = work_.substr(at.front(), len);
    for (size_t a : at) {
      work_.replace(a, len, spelling);
      for (size_t i = a; i < a + len; ++i) mask_[i] = 1;
    }
  }

 private:
  size_t NextPercent(size_t from) const {
    for (size_t i = from; i < work_.size(); ++i)
      if (work_[i] == L'%' && !mask_[i]) return i;
    return std::wstring::npos;
  }

  bool Matches(size_t at, const std::wstring& lower_pattern) const {
    if (at + lower_pattern.size() > work_.size()) return false;
    for (size_t i = 0; i < lower_pattern.size(); ++i) {
      if (mask_[at + i]) return false;
      wchar_t ch = work_[at + i];
      if (ch != lower_pattern[i] && LowerChar(ch) != lower_pattern[i]) return false;
    }
    return true;
  }

  std::wstring work_;
  std::vector<char> mask_;
  size_t limit_;
};

inline std::wstring ReferenceExpand(const InfDocument& inf, const std::wstring& language,
                                    const std::wstring& text) {
  std::wstring suffix = language.size() >= 2 ? language.substr(language.size() - 2) : language;
  const std::wstring sections[3] = {L"strings." + language, L"strings.00" + suffix, L"strings"};
  auto lookup = [&](const std::wstring& lower_key) -> std::wstring {
    for (const std::wstring& section : sections) {
      std::wstring value = inf.ReadValue(section, lower_key, L"");
      if (!value.empty()) return value;
    }
    return std::wstring();
  };
  ReferenceExpansion work(text, text.size() + InfDocument::kMaxExpansionGrowth);
  std::unordered_set<std::wstring> resolved;
  size_t from = 0, first = 0, second = 0;
  while (work.FindPair(from, &first, &second)) {
    size_t len = second - first + 1;
    std::wstring key = LowerText(TrimBlanks(work.text().substr(first + 1, len - 2), kTrimBoth));
    std::wstring value;
    if (resolved.count(key) == 0) value = TrimBlanks(lookup(key), kTrimBoth);
    std::vector<size_t> at = work.Occurrences(first, len);
    std::wstring unquoted;
    for (wchar_t ch : value)
      if (ch != L'"') unquoted.push_back(ch);
    if (!value.empty() && work.Replace(at, len, unquoted)) {
      resolved.insert(key);
    } else {
      work.SetAside(at, len);
    }
    from = first;
  }
  return work.text();
}

}  // namespace fuzz
}  // namespace orvane
