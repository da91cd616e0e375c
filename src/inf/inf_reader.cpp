#include "inf/inf_reader.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "text/text_helpers.h"

namespace orvane {

namespace {

inline bool IsBlank(wchar_t ch) { return static_cast<uint32_t>(ch) <= 32; }
inline bool IsLineEnd(uint32_t unit) { return unit == '\r' || unit == '\n' || unit == 0; }

struct Span {
  size_t pos = 0;
  size_t len = 0;
};

// One key/value line: spans into its section's decoded text, plus the key
// trimmed at its end and lower-cased, as lookups compare it.
struct Entry {
  Span key;
  Span value;
  Span lower_key;  // into Body::lower_keys
};

// The entries of one header line's section, decoded when first asked for.
struct Body {
  std::wstring text;
  std::wstring lower_keys;
  std::vector<Entry> entries;
  std::wstring_view View(Span span) const { return std::wstring_view(text).substr(span.pos, span.len); }
  std::wstring_view LowerKey(const Entry& e) const {
    return std::wstring_view(lower_keys).substr(e.lower_key.pos, e.lower_key.len);
  }
};

// One header line that opened a section: where its entries lie, in units of
// the file (bytes, or 16-bit units for UTF-16).
struct Occurrence {
  size_t body_begin = 0;
  size_t body_end = 0;
  std::unique_ptr<Body> body;  // null until parsed
};

// All occurrences of one section name.
struct Group {
  std::vector<size_t> occurrences;
  // First entry per key, built for the string sections, which every
  // substitution queries.
  std::unordered_map<std::wstring_view, std::pair<const Entry*, const Body*>> first_by_key;
  std::vector<const Body*> bodies;  // of the occurrences, once all are parsed
  bool parsed = false;
  bool strings = false;  // a string section: indexed after a few lookups
  bool indexed = false;
  size_t lookups = 0;  // linear lookups so far; a string section is indexed after a few
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

// The file is kept as read. Loading finds only the header lines: a header is
// a line whose first character other than blanks is "[", so the "[" signs of
// the file are located and the few that stand first on their line are
// decoded. The lines of a section are decoded and split into entries when
// the section is first used, and a string section is indexed when a
// substitution first looks a token up in it. Line ends never occur inside an
// encoded character (a byte of 0, CR or LF in 8-bit text, a unit in UTF-16),
// so decoding a section on its own gives the same characters as decoding the
// whole file.
struct InfDocument::Data {
  bool loaded = false;
  InfEncoding encoding = InfEncoding::kAnsi;
  // The units of the file after its mark: bytes (kAnsi, kUtf8), 16-bit
  // little-endian units (kUtf16Le from bytes) or the characters of a text
  // given already decoded.
  std::string bytes;
  std::wstring wide;
  bool from_text = false;
  size_t begin = 0;  // first unit after the mark (into bytes)
  size_t units = 0;

  std::vector<Occurrence> occurrences;
  std::unordered_map<std::wstring, Group> groups;

  // Sections are parsed and indexed on first use; the lock makes that safe
  // for documents shared between threads.
  mutable std::mutex lock;
  mutable std::once_flag lines_once;
  mutable std::wstring text;  // the whole file decoded, for Line()
  mutable std::vector<Span> lines;

  uint32_t Unit(size_t i) const {
    if (from_text) return static_cast<uint32_t>(wide[i]);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + begin;
    if (encoding == InfEncoding::kUtf16Le) return p[2 * i] | (p[2 * i + 1] << 8);
    return p[i];
  }

  std::wstring Decode(size_t from, size_t to) const {
    if (from >= to) return std::wstring();
    if (from_text) return wide.substr(from, to - from);
    const char* p = bytes.data() + begin;
    switch (encoding) {
      case InfEncoding::kUtf16Le: {
        std::wstring out(to - from, L'\0');
        const auto* u = reinterpret_cast<const unsigned char*>(p) + 2 * from;
        for (size_t i = 0; i < out.size(); ++i)
          out[i] = static_cast<wchar_t>(u[2 * i] | (u[2 * i + 1] << 8));
        return out;
      }
      case InfEncoding::kUtf8:
        return Utf8ToWide(std::string(p + from, to - from));
      case InfEncoding::kAnsi:
        return DecodeAnsi(p + from, to - from);
      case InfEncoding::kRejected:
        break;
    }
    return std::wstring();
  }

  // The position of the first line end at or after i (units when none).
  size_t LineEnd(size_t i) const {
    if (!from_text && encoding != InfEncoding::kUtf16Le) {
      const char* p = bytes.data() + begin;
      for (; i < units; ++i) {
        char c = p[i];
        if (c == '\n' || c == '\r' || c == '\0') return i;
      }
      return units;
    }
    while (i < units && !IsLineEnd(Unit(i))) ++i;
    return i;
  }

  // The next unit "[" at or after i (units when none).
  size_t NextBracket(size_t i) const {
    if (from_text) {
      size_t at = wide.find(L'[', i);
      return at == std::wstring::npos ? units : at;
    }
    const char* p = bytes.data() + begin;
    if (encoding != InfEncoding::kUtf16Le) {
      const void* hit = i < units ? std::memchr(p + i, '[', units - i) : nullptr;
      return hit ? static_cast<size_t>(static_cast<const char*>(hit) - p) : units;
    }
    size_t b = 2 * i, end = 2 * units;
    while (b < end) {
      const void* hit = std::memchr(p + b, '[', end - b);
      if (!hit) break;
      size_t at = static_cast<size_t>(static_cast<const char*>(hit) - p);
      if (at % 2 == 0 && p[at + 1] == 0) return at / 2;
      b = at + 1;
    }
    return units;
  }

  void FindHeaders();
  const Body& Parsed(size_t occurrence) const;
  const Group* FindGroup(const std::wstring& lower_name) const;
  const Entry* FindEntry(const Group* group, std::wstring_view lower_key,
                         const Body** body) const;
  void BuildLines() const;
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

std::vector<std::wstring> SplitInfLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  ForEachLine(text, [&](size_t pos, size_t len) { lines.push_back(text.substr(pos, len)); });
  return lines;
}

std::wstring PrepareInfLine(const std::wstring& line) {
  Span s = PrepareSpan(line, 0, line.size());
  return line.substr(s.pos, s.len);
}

void InfDocument::Data::FindHeaders() {
  const size_t kNone = static_cast<size_t>(-1);
  size_t open = kNone;
  size_t i = 0;
  while ((i = NextBracket(i)) < units) {
    // Only blanks may stand between the line's start and the "[".
    size_t start = i;
    while (start > 0) {
      uint32_t u = Unit(start - 1);
      if (IsLineEnd(u) || u > 32) break;
      --start;
    }
    if (start > 0 && !IsLineEnd(Unit(start - 1))) {
      ++i;
      continue;
    }
    size_t end = LineEnd(i);
    if (open != kNone) occurrences[open].body_end = start;
    open = kNone;
    std::wstring line = Decode(start, end);
    Span prepared = PrepareSpan(line, 0, line.size());
    if (prepared.len >= 2 && line[prepared.pos + prepared.len - 1] == L']') {
      std::wstring name = LowerText(line.substr(prepared.pos + 1, prepared.len - 2));
      groups[name].occurrences.push_back(occurrences.size());
      Occurrence occurrence;
      occurrence.body_begin = end;
      occurrences.push_back(std::move(occurrence));
      open = occurrences.size() - 1;
    }
    i = end;
  }
  if (open != kNone) occurrences[open].body_end = units;
}

// Callers hold the lock.
const Body& InfDocument::Data::Parsed(size_t index) const {
  Occurrence& o = const_cast<Occurrence&>(occurrences[index]);
  if (o.body) return *o.body;
  auto body = std::make_unique<Body>();
  body->text = Decode(o.body_begin, o.body_end);
  const std::wstring& text = body->text;
  ForEachLine(text, [&](size_t pos, size_t len) {
    Span line = PrepareSpan(text, pos, len);
    const wchar_t* p = text.data() + line.pos;
    size_t eq = 0;
    while (eq < line.len && p[eq] != L'=') ++eq;
    if (eq == line.len) return;
    Entry e;
    e.key = Span{line.pos, eq};
    e.value = Span{line.pos + eq + 1, line.len - eq - 1};
    size_t key_end = eq;
    while (key_end > 0 && IsBlank(p[key_end - 1])) --key_end;
    e.lower_key = Span{body->lower_keys.size(), key_end};
    for (size_t k = 0; k < key_end; ++k) {
      wchar_t ch = p[k];
      if (static_cast<uint32_t>(ch) < 0x80) {
        body->lower_keys.push_back(ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch + 32) : ch);
      } else {
        body->lower_keys.push_back(LowerChar(ch));
      }
    }
    body->entries.push_back(e);
  });
  o.body = std::move(body);
  return *o.body;
}

// Callers hold the lock. The group with every occurrence parsed.
const Group* InfDocument::Data::FindGroup(const std::wstring& lower_name) const {
  auto it = groups.find(lower_name);
  if (it == groups.end()) return nullptr;
  Group& group = const_cast<Group&>(it->second);
  if (!group.parsed) {
    for (size_t occ : group.occurrences) group.bodies.push_back(&Parsed(occ));
    group.parsed = true;
    group.strings = IsStringsSection(lower_name);
  }
  return &group;
}

// Callers hold the lock. The first entry of the group whose key equals
// lower_key, or null; *body receives the section it stands in.
const Entry* InfDocument::Data::FindEntry(const Group* group, std::wstring_view lower_key,
                                          const Body** body) const {
  if (!group) return nullptr;
  // A string section is searched line by line for its first few tokens and
  // indexed once a text turns out to hold more of them.
  Group& g = const_cast<Group&>(*group);
  if (g.strings && !g.indexed && ++g.lookups > 8) {
    for (const Body* b : g.bodies)
      for (const Entry& e : b->entries) g.first_by_key.emplace(b->LowerKey(e), std::make_pair(&e, b));
    g.indexed = true;
  }
  if (g.indexed) {
    auto it = group->first_by_key.find(lower_key);
    if (it == group->first_by_key.end()) return nullptr;
    *body = it->second.second;
    return it->second.first;
  }
  for (const Body* b : group->bodies) {
    for (const Entry& e : b->entries) {
      if (b->LowerKey(e) == lower_key) {
        *body = b;
        return &e;
      }
    }
  }
  return nullptr;
}

void InfDocument::Data::BuildLines() const {
  std::call_once(lines_once, [this] {
    text = Decode(0, units);
    ForEachLine(text, [&](size_t pos, size_t len) { lines.push_back(Span{pos, len}); });
  });
}

InfDocument::InfDocument() : data_(std::make_shared<Data>()) {}

InfDocument::InfDocument(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

InfDocument InfDocument::FromBytes(const std::string& bytes) { return FromBytes(std::string(bytes)); }

InfDocument InfDocument::FromBytes(std::string&& file) {
  auto data = std::make_shared<Data>();
  data->loaded = true;
  data->encoding = DetectInfEncoding(file);
  data->bytes = std::move(file);
  const std::string& bytes = data->bytes;
  switch (data->encoding) {
    case InfEncoding::kUtf16Le:
      data->begin = 2;
      data->units = (bytes.size() - 2) / 2;
      break;
    case InfEncoding::kUtf8:
      data->begin = 3;
      data->units = bytes.size() - 3;
      break;
    case InfEncoding::kRejected:
      data->units = 0;
      break;
    case InfEncoding::kAnsi:
      data->units = bytes.size();
      break;
  }
  data->FindHeaders();
  return InfDocument(std::move(data));
}

InfDocument InfDocument::FromText(const std::wstring& text) {
  auto data = std::make_shared<Data>();
  data->loaded = true;
  data->encoding = InfEncoding::kUtf16Le;
  data->from_text = true;
  data->wide = text;
  data->units = text.size();
  data->FindHeaders();
  return InfDocument(std::move(data));
}

InfDocument InfDocument::Load(FileSystem& files, const std::wstring& path) {
  std::string bytes;
  if (!files.ReadFile(path, &bytes)) return InfDocument();
  return FromBytes(std::move(bytes));
}

bool InfDocument::loaded() const { return data_->loaded; }
InfEncoding InfDocument::encoding() const { return data_->encoding; }

size_t InfDocument::LineCount() const {
  data_->BuildLines();
  return data_->lines.size();
}

std::wstring_view InfDocument::Line(size_t index) const {
  data_->BuildLines();
  if (index >= data_->lines.size()) return std::wstring_view();
  return std::wstring_view(data_->text).substr(data_->lines[index].pos, data_->lines[index].len);
}

std::wstring InfDocument::ReadValue(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& defaultValue) const {
  std::lock_guard<std::mutex> hold(data_->lock);
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return defaultValue;
  const Body* body = nullptr;
  const Entry* e = data_->FindEntry(group, LowerText(TrimBlanks(key, kTrimBoth)), &body);
  if (!e) return defaultValue;
  return std::wstring(body->View(e->value));
}

size_t InfDocument::ReadSectionTable(const std::wstring& section, InfSectionTable* table) const {
  table->clear();
  std::lock_guard<std::mutex> hold(data_->lock);
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return 0;
  for (const Body* body : group->bodies)
    for (const Entry& e : body->entries)
      table->push_back(InfEntry{std::wstring(body->View(e.key)), std::wstring(body->View(e.value))});
  return table->size();
}

std::vector<InfDocument::EntryView> InfDocument::SectionEntries(const std::wstring& section) const {
  std::vector<EntryView> out;
  std::lock_guard<std::mutex> hold(data_->lock);
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return out;
  for (const Body* body : group->bodies)
    for (const Entry& e : body->entries) out.emplace_back(body->View(e.key), body->View(e.value));
  return out;
}

bool InfDocument::SectionExists(const std::wstring& section, bool requireEntry) const {
  std::lock_guard<std::mutex> hold(data_->lock);
  auto it = data_->groups.find(LowerText(section));
  if (it == data_->groups.end()) return false;
  if (!requireEntry) return true;
  return !data_->Parsed(it->second.occurrences.front()).entries.empty();
}

namespace {

// The working text of one substitution, held as the runs of text between
// "%" signs so that a token's other occurrences are found through an index
// instead of a scan of the whole text, and a replacement changes only the
// runs around it.
//
// Node 0 holds the text before the first "%"; every other node stands for one
// "%" of the text followed by its gap, the text up to the next "%". A
// "segment" is a node and its successor, both not set aside: the pattern
// "%" + gap + "%". Every node that is not set aside lies at or after the
// current pair, since the search for pairs never goes back.
class Expansion {
 public:
  Expansion(const std::wstring& text, size_t limit) : limit_(limit), size_(text.size()) {
    nodes_.push_back(Node());
    nodes_[0].aside = true;  // the leading text starts no segment
    size_t pos = 0;
    size_t percent = text.find(L'%');
    nodes_[0].gap.assign(text, 0, percent == std::wstring::npos ? text.size() : percent);
    int last = 0;
    while (percent != std::wstring::npos) {
      pos = percent + 1;
      percent = text.find(L'%', pos);
      int node = NewNode(std::wstring_view(text).substr(
          pos, (percent == std::wstring::npos ? text.size() : percent) - pos));
      Link(last, node);
      last = node;
    }
    for (size_t n = 1; n < nodes_.size(); ++n) Index(static_cast<int>(n));
  }

  std::wstring Text() const {
    std::wstring out;
    out.reserve(size_);
    for (int n = 0; n != kNone; n = nodes_[n].next) {
      if (n != 0) out.push_back(L'%');
      out += nodes_[n].gap;
    }
    return out;
  }

  // The first pair not set aside at or after node from: its first node and
  // the number of gaps it spans (more than one when set-aside tokens stand
  // between its two signs). False when there is no pair.
  bool FindPair(int from, int* first, size_t* gaps) const {
    int n = from;
    while (n != kNone && nodes_[n].aside) n = nodes_[n].next;
    if (n == kNone) return false;
    size_t count = 1;
    for (int m = nodes_[n].next; m != kNone; m = nodes_[m].next, ++count) {
      if (!nodes_[m].aside) {
        *first = n;
        *gaps = count;
        return true;
      }
    }
    return false;
  }

  // The text between the two signs of the pair.
  std::wstring Inner(int first, size_t gaps) const {
    std::wstring inner;
    int n = first;
    for (size_t g = 0; g < gaps; ++g, n = nodes_[n].next) {
      if (g) inner.push_back(L'%');
      inner += nodes_[n].gap;
    }
    return inner;
  }

  // The pair and every later occurrence of its text not set aside, compared
  // without regard to case, left to right without overlap.
  std::vector<int> Occurrences(int first, size_t gaps) {
    std::vector<std::wstring> pattern;  // the gaps, lower-cased
    int n = first;
    for (size_t g = 0; g < gaps; ++g, n = nodes_[n].next) pattern.push_back(LowerText(nodes_[n].gap));
    ++stamp_;
    std::vector<int> found;
    if (gaps == 1) {
      // Candidates from the index; each is checked, since the index keeps
      // nodes whose gap or neighbour changed since. Overlapping occurrences
      // form runs of consecutive nodes: every second one counts, from the
      // run's start.
      auto it = index_.find(Fold(nodes_[first].gap));
      if (it == index_.end()) return {first};
      std::vector<int> candidates;
      candidates.swap(it->second);
      index_.erase(it);
      std::vector<int> members;
      for (int c : candidates) {
        if (nodes_[c].stamp == stamp_ || !IsOccurrence(c, pattern)) continue;
        nodes_[c].stamp = stamp_;
        members.push_back(c);
      }
      if (nodes_[first].stamp != stamp_) {  // always indexed; kept safe all the same
        nodes_[first].stamp = stamp_;
        members.push_back(first);
      }
      found.push_back(first);  // the pair comes first: it gives the spelling
      for (int c : members) {
        int prev = nodes_[c].prev;
        if (prev != kNone && nodes_[prev].stamp == stamp_) continue;  // not a run's start
        bool take = true;
        for (int m = c; m != kNone && nodes_[m].stamp == stamp_; m = nodes_[m].next, take = !take)
          if (take && m != first) found.push_back(m);
      }
      return found;
    }
    // A pair spanning set-aside tokens: walked node by node.
    found.push_back(first);
    int k = NextOpen(Advance(first, gaps));
    while (k != kNone) {
      if (IsRun(k, pattern)) {
        found.push_back(k);
        k = NextOpen(Advance(k, gaps));
      } else {
        k = NextOpen(k);
      }
    }
    return found;
  }

  // Replaces each occurrence by value; false when the text would grow beyond
  // its limit (nothing is changed then). Returns in *resume the node where
  // the search for pairs goes on.
  bool Replace(const std::vector<int>& at, size_t gaps, const std::wstring& value, int* resume) {
    size_t len = 1;
    for (int n = at.front(), g = 0; g < static_cast<int>(gaps); ++g, n = nodes_[n].next)
      len += 1 + nodes_[n].gap.size();
    size_t new_size = size_ - at.size() * len + at.size() * value.size();
    if (value.size() > len && new_size > limit_) return false;
    std::vector<std::wstring_view> pieces;
    size_t pos = 0, percent;
    while ((percent = value.find(L'%', pos)) != std::wstring::npos) {
      pieces.push_back(std::wstring_view(value).substr(pos, percent - pos));
      pos = percent + 1;
    }
    pieces.push_back(std::wstring_view(value).substr(pos));
    int before = nodes_[at.front()].prev;
    for (int k : at) {
      int prev = nodes_[k].prev;
      int last = Advance(k, gaps);
      int after = nodes_[last].next;
      std::wstring tail = std::move(nodes_[last].gap);
      for (int n = k;; n = nodes_[n].next) {
        nodes_[n].dead = true;
        if (n == last) break;
      }
      Append(prev, pieces[0]);
      int end = prev;
      for (size_t i = 1; i < pieces.size(); ++i) {
        int node = NewNode(pieces[i]);
        Link(end, node);
        end = node;
      }
      Append(end, tail);
      nodes_[end].next = after;
      if (after != kNone) nodes_[after].prev = end;
      for (int n = prev;; n = nodes_[n].next) {
        Index(n);
        if (n == end) break;
      }
    }
    size_ = new_size;
    *resume = nodes_[before].next;
    return true;
  }

  // Sets the occurrences aside, each spelled as the first one.
  void SetAside(const std::vector<int>& at, size_t gaps) {
    std::vector<std::wstring> spelling;
    int n = at.front();
    for (size_t g = 0; g < gaps; ++g, n = nodes_[n].next) spelling.push_back(nodes_[n].gap);
    for (int k : at) {
      n = k;
      for (size_t g = 0; g < gaps; ++g, n = nodes_[n].next) {
        nodes_[n].aside = true;
        nodes_[n].gap = spelling[g];
      }
      nodes_[n].aside = true;  // the closing sign; its gap stays as it is
    }
  }

  int Next(int node) const { return nodes_[node].next; }

 private:
  static constexpr int kNone = -1;

  struct Node {
    std::wstring gap;
    int prev = kNone;
    int next = kNone;
    bool aside = false;
    bool dead = false;
    uint64_t stamp = 0;
  };

  // A character as the index compares it: lowered until lowering changes
  // it no more, so that two characters the comparison takes as equal (one
  // equal to the other lowered, or both lowering alike) fold alike.
  static wchar_t FoldChar(wchar_t ch) {
    if (static_cast<uint32_t>(ch) < 0x80) return LowerChar(ch);
    wchar_t lower = LowerChar(ch);
    for (int i = 0; i < 4; ++i) {
      wchar_t again = LowerChar(lower);
      if (again == lower) return lower;
      lower = again;
    }
    return L'\0';
  }

  static std::wstring Fold(const std::wstring& gap) {
    std::wstring folded(gap);
    for (wchar_t& ch : folded) ch = FoldChar(ch);
    return folded;
  }

  int NewNode(std::wstring_view gap) {
    Node node;
    node.gap.assign(gap.data(), gap.size());
    nodes_.push_back(std::move(node));
    return static_cast<int>(nodes_.size() - 1);
  }

  void Link(int a, int b) {
    nodes_[a].next = b;
    nodes_[b].prev = a;
  }

  void Append(int node, std::wstring_view text) { nodes_[node].gap.append(text.data(), text.size()); }

  void Index(int node) {
    if (node == 0 || nodes_[node].dead || nodes_[node].aside) return;
    index_[Fold(nodes_[node].gap)].push_back(node);
  }

  // The node gaps steps after node.
  int Advance(int node, size_t gaps) const {
    for (size_t g = 0; g < gaps; ++g) node = nodes_[node].next;
    return node;
  }

  // The first node after node that is not set aside.
  int NextOpen(int node) const {
    for (int n = nodes_[node].next; n != kNone; n = nodes_[n].next)
      if (!nodes_[n].aside) return n;
    return kNone;
  }

  static bool GapMatches(const std::wstring& gap, const std::wstring& lower) {
    if (gap.size() != lower.size()) return false;
    for (size_t i = 0; i < gap.size(); ++i)
      if (gap[i] != lower[i] && LowerChar(gap[i]) != lower[i]) return false;
    return true;
  }

  bool IsOccurrence(int node, const std::vector<std::wstring>& pattern) const {
    const Node& n = nodes_[node];
    return !n.dead && !n.aside && n.next != kNone && !nodes_[n.next].aside &&
           GapMatches(n.gap, pattern[0]);
  }

  // Whether the nodes from node on give the pattern with nothing set aside.
  bool IsRun(int node, const std::vector<std::wstring>& pattern) const {
    int n = node;
    for (const std::wstring& lower : pattern) {
      if (n == kNone || nodes_[n].aside || !GapMatches(nodes_[n].gap, lower)) return false;
      n = nodes_[n].next;
    }
    return n != kNone && !nodes_[n].aside;
  }

  std::vector<Node> nodes_;
  std::unordered_map<std::wstring, std::vector<int>> index_;
  size_t limit_;
  size_t size_;
  uint64_t stamp_ = 0;
};

}  // namespace

std::wstring InfDocument::ExpandStrings(const std::wstring& language, const std::wstring& text) const {
  size_t first_percent = text.find(L'%');
  if (first_percent == std::wstring::npos || text.find(L'%', first_percent + 1) == std::wstring::npos)
    return text;

  std::wstring suffix = language.size() >= 2 ? language.substr(language.size() - 2) : language;
  std::lock_guard<std::mutex> hold(data_->lock);
  const Group* sections[3] = {
      data_->FindGroup(LowerText(L"strings." + language)),
      data_->FindGroup(LowerText(L"strings.00" + suffix)),
      data_->FindGroup(L"strings"),
  };
  auto lookup = [&](const std::wstring& lower_key) -> std::wstring {
    for (const Group* group : sections) {
      const Body* body = nullptr;
      const Entry* e = data_->FindEntry(group, lower_key, &body);
      if (e && e->value.len > 0) return std::wstring(body->View(e->value));
    }
    return std::wstring();
  };

  Expansion work(text, text.size() + kMaxExpansionGrowth);
  std::unordered_set<std::wstring> resolved;
  int from = 0, first = 0;
  size_t gaps = 0;
  while (work.FindPair(from, &first, &gaps)) {
    std::wstring key = LowerText(TrimBlanks(work.Inner(first, gaps), kTrimBoth));
    std::wstring value;
    if (resolved.count(key) == 0) value = TrimBlanks(lookup(key), kTrimBoth);
    std::vector<int> at = work.Occurrences(first, gaps);
    int resume = 0;
    if (!value.empty() && work.Replace(at, gaps, RemoveQuotes(value), &resume)) {
      resolved.insert(key);
      from = resume;  // the replaced text is searched again
    } else {
      work.SetAside(at, gaps);
      from = work.Next(first);
    }
  }
  return work.Text();
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
