#include "inf/inf_reader.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "text/text_helpers.h"

namespace orvane {

namespace {

inline bool IsBlank(wchar_t ch) { return static_cast<uint32_t>(ch) <= 32; }

struct Span {
  size_t pos = 0;
  size_t len = 0;
};

// One key/value line: spans into the decoded text, plus the key trimmed at
// its end and lower-cased, as lookups compare it.
struct Entry {
  Span key;
  Span value;
  Span lower_key;  // into Data::lower_keys
};

// One header line that opened a section, with the entries that follow it.
struct Occurrence {
  size_t first_entry = 0;
  size_t entry_count = 0;
};

// All occurrences of one section name.
struct Group {
  std::vector<size_t> occurrences;
  // First entry per key, built for the string sections, which every
  // substitution queries.
  std::unordered_map<std::wstring_view, size_t> first_by_key;
  bool indexed = false;
};

bool IsStringsSection(const std::wstring& lower_name) {
  return lower_name == L"strings" || StartsWith(lower_name, L"strings.");
}

std::wstring RemoveQuotes(const std::wstring& text) {
  if (text.find(L'"') == std::wstring::npos) return text;
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t ch : text)
    if (ch != L'"') out.push_back(ch);
  return out;
}

}  // namespace

struct InfDocument::Data {
  bool loaded = false;
  InfEncoding encoding = InfEncoding::kAnsi;
  std::wstring text;
  std::vector<Span> lines;
  std::wstring lower_keys;
  std::vector<Entry> entries;
  std::vector<Occurrence> occurrences;
  std::unordered_map<std::wstring, Group> groups;

  std::wstring_view View(Span span) const { return std::wstring_view(text).substr(span.pos, span.len); }
  std::wstring_view LowerKey(const Entry& e) const {
    return std::wstring_view(lower_keys).substr(e.lower_key.pos, e.lower_key.len);
  }

  const Group* FindGroup(const std::wstring& lower_name) const {
    auto it = groups.find(lower_name);
    return it == groups.end() ? nullptr : &it->second;
  }

  // The first entry of the group whose key equals lower_key, or null.
  const Entry* FindEntry(const Group* group, std::wstring_view lower_key) const {
    if (!group) return nullptr;
    if (group->indexed) {
      auto it = group->first_by_key.find(lower_key);
      return it == group->first_by_key.end() ? nullptr : &entries[it->second];
    }
    for (size_t occ : group->occurrences) {
      const Occurrence& o = occurrences[occ];
      for (size_t i = o.first_entry; i < o.first_entry + o.entry_count; ++i)
        if (LowerKey(entries[i]) == lower_key) return &entries[i];
    }
    return nullptr;
  }

  void Parse();
};

InfEncoding DetectInfEncoding(const std::string& bytes) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  size_t n = bytes.size();
  if (n >= 2 && at(0) == 0xFF && at(1) == 0xFE) return InfEncoding::kUtf16Le;
  if (n >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return InfEncoding::kUtf8;
  if (n >= 2 && at(0) == 0xFE && at(1) == 0xFF) return InfEncoding::kRejected;
  if (n >= 4 && at(0) == 0x00 && at(1) == 0x00 && at(2) == 0xFE && at(3) == 0xFF)
    return InfEncoding::kRejected;
  return InfEncoding::kAnsi;
}

std::wstring DecodeInfText(const std::string& bytes) {
  switch (DetectInfEncoding(bytes)) {
    case InfEncoding::kUtf16Le: {
      std::wstring out;
      size_t units = (bytes.size() - 2) / 2;
      out.resize(units);
      const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 2;
      for (size_t i = 0; i < units; ++i)
        out[i] = static_cast<wchar_t>(p[2 * i] | (p[2 * i + 1] << 8));
      return out;
    }
    case InfEncoding::kUtf8:
      return Utf8ToWide(bytes.substr(3));
    case InfEncoding::kRejected:
      return std::wstring();
    case InfEncoding::kAnsi:
      break;
  }
  return DecodeAnsi(bytes.data(), bytes.size());
}

namespace {

// Calls f(start, length) for every line of text.
template <typename F>
void ForEachLine(const std::wstring& text, F f) {
  size_t n = text.size(), start = 0, i = 0;
  while (i < n) {
    wchar_t ch = text[i];
    if (ch == L'\r' || ch == L'\n' || ch == L'\0') {
      f(start, i - start);
      if (ch == L'\r' && i + 1 < n && text[i + 1] == L'\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < n) f(start, n - start);
}

// The prepared form of text[pos, pos+len): cut at ";", trimmed.
Span PrepareSpan(const std::wstring& text, size_t pos, size_t len) {
  size_t end = pos + len;
  for (size_t i = pos; i < end; ++i) {
    if (text[i] == L';') {
      end = i;
      break;
    }
  }
  size_t b = pos;
  while (b < end && IsBlank(text[b])) ++b;
  while (end > b && IsBlank(text[end - 1])) --end;
  return Span{b, end - b};
}

}  // namespace

std::vector<std::wstring> SplitInfLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  ForEachLine(text, [&](size_t pos, size_t len) { lines.push_back(text.substr(pos, len)); });
  return lines;
}

std::wstring PrepareInfLine(const std::wstring& line) {
  Span s = PrepareSpan(line, 0, line.size());
  return line.substr(s.pos, s.len);
}

void InfDocument::Data::Parse() {
  ForEachLine(text, [&](size_t pos, size_t len) { lines.push_back(Span{pos, len}); });

  const size_t kNone = static_cast<size_t>(-1);
  size_t open = kNone;
  for (const Span& raw : lines) {
    Span line = PrepareSpan(text, raw.pos, raw.len);
    if (line.len == 0) continue;
    const wchar_t* p = text.data() + line.pos;
    if (p[0] == L'[') {
      open = kNone;
      if (line.len >= 2 && p[line.len - 1] == L']') {
        std::wstring name = LowerText(text.substr(line.pos + 1, line.len - 2));
        Group& group = groups[name];
        group.occurrences.push_back(occurrences.size());
        occurrences.push_back(Occurrence{entries.size(), 0});
        open = occurrences.size() - 1;
      }
      continue;
    }
    if (open == kNone) continue;
    size_t eq = 0;
    while (eq < line.len && p[eq] != L'=') ++eq;
    if (eq == line.len) continue;
    Entry e;
    e.key = Span{line.pos, eq};
    e.value = Span{line.pos + eq + 1, line.len - eq - 1};
    size_t key_end = eq;
    while (key_end > 0 && IsBlank(p[key_end - 1])) --key_end;
    e.lower_key = Span{lower_keys.size(), key_end};
    for (size_t i = 0; i < key_end; ++i) lower_keys.push_back(LowerChar(p[i]));
    entries.push_back(e);
    ++occurrences[open].entry_count;
  }

  // Views into lower_keys are taken only now that it no longer grows.
  for (auto& item : groups) {
    if (!IsStringsSection(item.first)) continue;
    Group& group = item.second;
    group.indexed = true;
    for (size_t occ : group.occurrences) {
      const Occurrence& o = occurrences[occ];
      for (size_t i = o.first_entry; i < o.first_entry + o.entry_count; ++i)
        group.first_by_key.emplace(LowerKey(entries[i]), i);
    }
  }
}

InfDocument::InfDocument() : data_(std::make_shared<Data>()) {}

InfDocument::InfDocument(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

InfDocument InfDocument::FromBytes(const std::string& bytes) {
  auto data = std::make_shared<Data>();
  data->loaded = true;
  data->encoding = DetectInfEncoding(bytes);
  data->text = DecodeInfText(bytes);
  data->Parse();
  return InfDocument(std::move(data));
}

InfDocument InfDocument::FromText(const std::wstring& text) {
  auto data = std::make_shared<Data>();
  data->loaded = true;
  data->encoding = InfEncoding::kUtf16Le;
  data->text = text;
  data->Parse();
  return InfDocument(std::move(data));
}

InfDocument InfDocument::Load(FileSystem& files, const std::wstring& path) {
  std::string bytes;
  if (!files.ReadFile(path, &bytes)) return InfDocument();
  return FromBytes(bytes);
}

bool InfDocument::loaded() const { return data_->loaded; }
InfEncoding InfDocument::encoding() const { return data_->encoding; }
size_t InfDocument::LineCount() const { return data_->lines.size(); }

std::wstring_view InfDocument::Line(size_t index) const {
  if (index >= data_->lines.size()) return std::wstring_view();
  return data_->View(data_->lines[index]);
}

std::wstring InfDocument::ReadValue(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& defaultValue) const {
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return defaultValue;
  const Entry* e = data_->FindEntry(group, LowerText(TrimBlanks(key, kTrimBoth)));
  if (!e) return defaultValue;
  return std::wstring(data_->View(e->value));
}

size_t InfDocument::ReadSectionTable(const std::wstring& section, InfSectionTable* table) const {
  table->clear();
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return 0;
  for (size_t occ : group->occurrences) {
    const Occurrence& o = data_->occurrences[occ];
    for (size_t i = o.first_entry; i < o.first_entry + o.entry_count; ++i) {
      const Entry& e = data_->entries[i];
      table->push_back(InfEntry{std::wstring(data_->View(e.key)), std::wstring(data_->View(e.value))});
    }
  }
  return table->size();
}

std::vector<InfDocument::EntryView> InfDocument::SectionEntries(const std::wstring& section) const {
  std::vector<EntryView> out;
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return out;
  for (size_t occ : group->occurrences) {
    const Occurrence& o = data_->occurrences[occ];
    for (size_t i = o.first_entry; i < o.first_entry + o.entry_count; ++i)
      out.emplace_back(data_->View(data_->entries[i].key), data_->View(data_->entries[i].value));
  }
  return out;
}

bool InfDocument::SectionExists(const std::wstring& section, bool requireEntry) const {
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return false;
  if (!requireEntry) return true;
  return data_->occurrences[group->occurrences.front()].entry_count > 0;
}

namespace {

// The working text of one substitution: characters of set-aside tokens are
// masked and take no part in the search for "%" pairs.
class Expansion {
 public:
  Expansion(const std::wstring& text, size_t limit) : work_(text), mask_(text.size(), 0), limit_(limit) {}

  const std::wstring& text() const { return work_; }

  // Positions of the first two unmasked "%" at or after from; false when
  // there are fewer than two.
  bool FindPair(size_t from, size_t* first, size_t* second) const {
    size_t i = NextPercent(from);
    if (i == std::wstring::npos) return false;
    size_t j = NextPercent(i + 1);
    if (j == std::wstring::npos) return false;
    *first = i;
    *second = j;
    return true;
  }

  // The occurrences of work_[first, first+len) to treat: the pair itself and
  // every later unmasked occurrence, compared without regard to case, left
  // to right without overlap.
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

  // Replaces each occurrence (of length len) by value; false when the text
  // would grow beyond its limit (nothing is changed then).
  bool Replace(const std::vector<size_t>& at, size_t len, const std::wstring& value) {
    size_t new_size = work_.size() - at.size() * len + at.size() * value.size();
    if (value.size() > len && new_size > limit_) return false;
    std::wstring out;
    std::vector<char> mask;
    out.reserve(new_size);
    mask.reserve(new_size);
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

  // Sets the occurrences aside, each spelled as the first one.
  void SetAside(const std::vector<size_t>& at, size_t len) {
    std::wstring spelling = work_.substr(at.front(), len);
    for (size_t a : at) {
      work_.replace(a, len, spelling);
      std::fill(mask_.begin() + a, mask_.begin() + a + len, 1);
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

}  // namespace

std::wstring InfDocument::ExpandStrings(const std::wstring& language, const std::wstring& text) const {
  size_t first_percent = text.find(L'%');
  if (first_percent == std::wstring::npos || text.find(L'%', first_percent + 1) == std::wstring::npos)
    return text;

  std::wstring suffix = language.size() >= 2 ? language.substr(language.size() - 2) : language;
  const Group* sections[3] = {
      data_->FindGroup(LowerText(L"strings." + language)),
      data_->FindGroup(LowerText(L"strings.00" + suffix)),
      data_->FindGroup(L"strings"),
  };
  auto lookup = [&](const std::wstring& lower_key) -> std::wstring {
    for (const Group* group : sections) {
      const Entry* e = data_->FindEntry(group, lower_key);
      if (e && e->value.len > 0) return std::wstring(data_->View(e->value));
    }
    return std::wstring();
  };

  Expansion work(text, text.size() + kMaxExpansionGrowth);
  std::unordered_set<std::wstring> resolved;
  size_t from = 0, first = 0, second = 0;
  while (work.FindPair(from, &first, &second)) {
    size_t len = second - first + 1;
    std::wstring key = LowerText(TrimBlanks(work.text().substr(first + 1, len - 2), kTrimBoth));
    std::wstring value;
    if (resolved.count(key) == 0) value = TrimBlanks(lookup(key), kTrimBoth);
    std::vector<size_t> at = work.Occurrences(first, len);
    if (!value.empty() && work.Replace(at, len, RemoveQuotes(value))) {
      resolved.insert(key);
    } else {
      work.SetAside(at, len);
    }
    // Nothing before the pair holds an unmasked "%", and every occurrence
    // starts at or after it.
    from = first;
  }
  return work.text();
}

std::wstring ReadInfValue(const InfDocument& inf, const std::wstring& section,
                          const std::wstring& key, const std::wstring& defaultValue) {
  return inf.ReadValue(section, key, defaultValue);
}

size_t ReadSectionTable(const InfDocument& inf, const std::wstring& section,
                        InfSectionTable* table) {
  return inf.ReadSectionTable(section, table);
}

bool SectionExists(const InfDocument& inf, const std::wstring& section, bool requireEntry) {
  return inf.SectionExists(section, requireEntry);
}

std::wstring ExpandStrings(const InfDocument& inf, const std::wstring& language,
                           const std::wstring& text) {
  return inf.ExpandStrings(language, text);
}

std::wstring ReadInfValue(FileSystem& files, const std::wstring& infPath,
                          const std::wstring& section, const std::wstring& key,
                          const std::wstring& defaultValue) {
  return InfDocument::Load(files, infPath).ReadValue(section, key, defaultValue);
}

size_t ReadSectionTable(FileSystem& files, const std::wstring& infPath,
                        const std::wstring& section, InfSectionTable* table) {
  return InfDocument::Load(files, infPath).ReadSectionTable(section, table);
}

bool SectionExists(FileSystem& files, const std::wstring& infPath, const std::wstring& section,
                   bool requireEntry) {
  return InfDocument::Load(files, infPath).SectionExists(section, requireEntry);
}

std::wstring ExpandStrings(FileSystem& files, const std::wstring& infPath,
                           const std::wstring& language, const std::wstring& text) {
  // A text that cannot hold a token needs no read.
  size_t p = text.find(L'%');
  if (p == std::wstring::npos || text.find(L'%', p + 1) == std::wstring::npos) return text;
  return InfDocument::Load(files, infPath).ExpandStrings(language, text);
}

}  // namespace orvane
