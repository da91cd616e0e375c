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

inline bool IsLineEnd(uint32_t unit) { return unit == '\r' || unit == '\n' || unit == 0; }
inline wchar_t AsciiLower(uint32_t unit) {
  return static_cast<wchar_t>(unit >= 'A' && unit <= 'Z' ? unit + 32 : unit);
}

struct Span {
  size_t pos = 0;
  size_t len = 0;
};

// A stretch of the file, in its units.
struct Range {
  size_t begin = 0;
  size_t end = 0;
};

// One key/value line: spans into its section's decoded text.
struct Entry {
  Span key;
  Span value;
};

// The entries of one header line's section, decoded when a caller asks for
// the section's table.
struct Body {
  std::wstring text;
  std::vector<Entry> entries;
  std::wstring_view View(Span span) const { return std::wstring_view(text).substr(span.pos, span.len); }
};

// One header line that opened a section: where its lines lie, in units of
// the file (bytes, or 16-bit units for UTF-16).
constexpr size_t kNoOccurrence = static_cast<size_t>(-1);

struct Occurrence {
  size_t body_begin = 0;
  size_t body_end = 0;
  size_t next = kNoOccurrence;  // the next occurrence of the same name
  std::unique_ptr<Body> body;   // null until the table is asked for
};

// All occurrences of one section name.
struct Group {
  Span name;  // into Data::names
  size_t first = kNoOccurrence;
  size_t last = kNoOccurrence;
  std::vector<const Body*> bodies;  // of the occurrences, once all are parsed
  bool parsed = false;
  // A string section, which every substitution queries: searched in the
  // file's bytes for its first few tokens and indexed after that.
  bool strings = false;
  bool indexed = false;
  size_t lookups = 0;
  std::wstring index_keys;  // the keys of the index, lower-cased, end to end
  std::unordered_map<std::wstring_view, Range> first_by_key;  // value of the first entry per key
};

bool IsStringsSection(std::wstring_view lower_name) {
  return lower_name == L"strings" || lower_name.substr(0, 8) == L"strings.";
}

inline size_t HashName(std::wstring_view name) {
  uint64_t h = 14695981039346656037ull;
  for (wchar_t ch : name) {
    h ^= static_cast<uint32_t>(ch);
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h ^ (h >> 29));
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

// Ways of reading the units of a file in place. The characters that give a
// file its structure (line ends, blanks up to U+0020, ";", "=", "[", "]")
// are plain ASCII and each stands in one unit, at the same place in the
// units as in the decoded text:
//  - 16-bit units of UTF-16 and the characters of a decoded text are the
//    characters themselves;
//  - bytes of UTF-8: an ASCII byte is never part of a longer sequence (a
//    sequence with one is read as U+FFFD followed by the byte);
//  - bytes of a single-byte ANSI code page: one byte, one character.
// So a line, its entry and its key are found in the units, and only the
// pieces asked for are decoded.
struct WideUnits {
  const wchar_t* p;
  uint32_t operator[](size_t i) const { return static_cast<uint32_t>(p[i]); }
};
struct Utf16Units {
  const unsigned char* p;
  uint32_t operator[](size_t i) const { return p[2 * i] | (p[2 * i + 1] << 8); }
};
struct ByteUnits {
  const unsigned char* p;
  uint32_t operator[](size_t i) const { return p[i]; }
};

// The entry of a line: key before the first "=" of the prepared line, value
// after it; the key also without its trailing blanks (as lookups compare
// it). A prepared line without "=" is no entry.
struct RawEntry {
  Range key;
  Range value;
  size_t key_trimmed_end = 0;
};

// Calls f(entry) for every entry of the lines in [from, to) of the units, in
// one pass over them; f returns false to stop.
template <typename U, typename F>
void ScanEntries(const U& u, size_t from, size_t to, F f) {
  const size_t kNone = static_cast<size_t>(-1);
  size_t i = from;
  while (i < to) {
    size_t begin = i, eq = kNone, cut = kNone;
    for (; i < to; ++i) {
      uint32_t c = u[i];
      if (c > '=') continue;
      if (c == '\r' || c == '\n' || c == 0) break;
      if (c == ';') {
        if (cut == kNone) cut = i;
      } else if (c == '=' && eq == kNone && cut == kNone) {
        eq = i;
      }
    }
    size_t end = cut == kNone ? i : cut;
    if (i < to) {
      if (u[i] == '\r' && i + 1 < to && u[i + 1] == '\n') ++i;
      ++i;
    }
    if (eq == kNone) continue;
    RawEntry e;
    while (begin < eq && u[begin] <= 32) ++begin;
    while (end > eq + 1 && u[end - 1] <= 32) --end;
    size_t key_end = eq;
    while (key_end > begin && u[key_end - 1] <= 32) --key_end;
    e.key = Range{begin, eq};
    e.value = Range{eq + 1, end};
    e.key_trimmed_end = key_end;
    if (!f(e)) return;
  }
}

// The 256 characters of a single-byte ANSI code page, or null when the
// system's code page is not one (a multi-byte code page, or UTF-8), in which
// case files in it are decoded whole when they are loaded.
const wchar_t* SingleByteAnsiTable() {
  static const struct Table {
    wchar_t chars[256];
    bool single = true;
    Table() {
      for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        std::wstring one = DecodeAnsi(&byte, 1);
        if (one.size() != 1 || (b < 0x80 && one[0] != static_cast<wchar_t>(b)) ||
            (b >= 0x80 && static_cast<uint32_t>(one[0]) < 0x80)) {
          single = false;
          return;
        }
        chars[b] = one[0];
      }
      // No byte may join the next one into a character.
      for (int lead = 0x80; lead < 0x100 && single; ++lead) {
        for (int next = 0x01; next < 0x100; ++next) {
          const char pair[2] = {static_cast<char>(lead), static_cast<char>(next)};
          std::wstring two = DecodeAnsi(pair, 2);
          if (two.size() != 2 || two[0] != chars[lead] || two[1] != chars[next]) {
            single = false;
            break;
          }
        }
      }
    }
  } table;
  return table.single ? table.chars : nullptr;
}

}  // namespace

// The file is kept as read. Loading finds only the header lines: a header is
// a line whose first character other than blanks is "[", so the "[" signs of
// the file are located and the few that stand first on their line are
// decoded. Lookups of values and section tests walk a section's lines in the
// file's own units and decode only the value they return; a section's table
// is decoded and split into entries when first asked for, and a string
// section is indexed once a substitution has looked several tokens up in
// it. Line ends never occur inside an encoded character (a byte of 0, CR or
// LF in 8-bit text, a unit in UTF-16), so decoding a section on its own
// gives the same characters as decoding the whole file.
struct InfDocument::Data {
  bool loaded = false;
  InfEncoding encoding = InfEncoding::kAnsi;
  // The units of the file after its mark: bytes (kAnsi, kUtf8), 16-bit
  // little-endian units (kUtf16Le from bytes) or, in wide, the characters of
  // a text given already decoded or of an ANSI file in a multi-byte code
  // page.
  std::string bytes;
  std::wstring wide;
  bool wide_units = false;
  const wchar_t* ansi = nullptr;  // the characters of the bytes, for kAnsi
  size_t begin = 0;  // first unit after the mark (into bytes)
  size_t units = 0;

  std::vector<Occurrence> occurrences;
  // The section names, lower-cased, end to end; one group per name, found
  // through an open-addressing table of group numbers + 1 (0: empty slot).
  std::wstring names;
  std::vector<Group> groups;
  std::vector<uint32_t> slots;

  // Tables and indexes are built on first use; the lock makes that safe for
  // documents shared between threads. The units, the occurrences and the
  // groups' lists of them never change after loading.
  mutable std::mutex lock;
  mutable std::once_flag lines_once;
  mutable std::wstring text;  // the whole file decoded, for Line()
  mutable std::vector<Span> lines;

  const unsigned char* Bytes() const {
    return reinterpret_cast<const unsigned char*>(bytes.data()) + begin;
  }

  uint32_t Unit(size_t i) const {
    if (wide_units) return static_cast<uint32_t>(wide[i]);
    if (encoding == InfEncoding::kUtf16Le) return Utf16Units{Bytes()}[i];
    return Bytes()[i];
  }

  // Calls f with the reader of the units that fits the file.
  template <typename F>
  decltype(auto) WithUnits(F f) const {
    if (wide_units) return f(WideUnits{wide.data()});
    if (encoding == InfEncoding::kUtf16Le) return f(Utf16Units{Bytes()});
    return f(ByteUnits{Bytes()});
  }

  std::wstring Decode(size_t from, size_t to) const {
    std::wstring out;
    DecodeInto(from, to, &out);
    return out;
  }

  // Appends the characters of units [from, to) to *out.
  void DecodeInto(size_t from, size_t to, std::wstring* out) const {
    if (from >= to) return;
    if (wide_units) {
      out->append(wide, from, to - from);
      return;
    }
    const unsigned char* p = Bytes();
    size_t at = out->size();
    switch (encoding) {
      case InfEncoding::kUtf16Le: {
        out->resize(at + (to - from));
        wchar_t* d = &(*out)[at];
        const unsigned char* u = p + 2 * from;
        for (size_t i = 0; i < to - from; ++i)
          d[i] = static_cast<wchar_t>(u[2 * i] | (u[2 * i + 1] << 8));
        return;
      }
      case InfEncoding::kUtf8: {
        bool ascii = true;
        for (size_t i = from; i < to && ascii; ++i) ascii = p[i] < 0x80;
        if (ascii) {
          out->resize(at + (to - from));
          wchar_t* d = &(*out)[at];
          for (size_t i = 0; i < to - from; ++i) d[i] = static_cast<wchar_t>(p[from + i]);
        } else {
          out->append(Utf8ToWide(std::string(reinterpret_cast<const char*>(p) + from, to - from)));
        }
        return;
      }
      case InfEncoding::kAnsi: {
        out->resize(at + (to - from));
        wchar_t* d = &(*out)[at];
        for (size_t i = 0; i < to - from; ++i) d[i] = ansi[p[from + i]];
        return;
      }
      case InfEncoding::kRejected:
        break;
    }
  }

  // The position of the first line end at or after i (units when none).
  size_t LineEnd(size_t i) const {
    if (!wide_units && encoding != InfEncoding::kUtf16Le) {
      const unsigned char* p = Bytes();
      for (; i < units; ++i) {
        unsigned char c = p[i];
        if (c == '\n' || c == '\r' || c == '\0') return i;
      }
      return units;
    }
    while (i < units && !IsLineEnd(Unit(i))) ++i;
    return i;
  }

  // The next unit "[" at or after i (units when none).
  size_t NextBracket(size_t i) const {
    if (wide_units) {
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

  // Whether the key of an entry, without its trailing blanks and
  // lower-cased, equals lower_key.
  template <typename U>
  bool KeyEquals(const U& u, const RawEntry& e, std::wstring_view lower_key) const {
    size_t n = e.key_trimmed_end - e.key.begin;
    for (size_t k = 0; k < n; ++k) {
      uint32_t c = u[e.key.begin + k];
      if (c >= 0x80) return SlowKeyEquals(e, lower_key);
      // All units so far were ASCII, so unit k is character k.
      if (k >= lower_key.size() || AsciiLower(c) != lower_key[k]) return false;
    }
    return n == lower_key.size();
  }

  bool SlowKeyEquals(const RawEntry& e, std::wstring_view lower_key) const {
    std::wstring key = Decode(e.key.begin, e.key_trimmed_end);
    if (key.size() != lower_key.size()) return false;
    for (size_t k = 0; k < key.size(); ++k)
      if (LowerChar(key[k]) != lower_key[k]) return false;
    return true;
  }

  // Appends the key of an entry, without its trailing blanks, lower-cased.
  template <typename U>
  void AppendLowerKey(const U& u, const RawEntry& e, std::wstring* out) const {
    size_t at = out->size();
    bool ascii = true;
    for (size_t i = e.key.begin; i < e.key_trimmed_end; ++i) {
      uint32_t c = u[i];
      if (c >= 0x80) {
        ascii = false;
        break;
      }
      out->push_back(AsciiLower(c));
    }
    if (ascii) return;
    out->resize(at);
    DecodeInto(e.key.begin, e.key_trimmed_end, out);
    for (size_t i = at; i < out->size(); ++i) (*out)[i] = LowerChar((*out)[i]);
  }

  void FindHeaders();
  Group& AddGroup(size_t at);
  void Rehash();
  std::wstring_view Name(const Group& group) const {
    return std::wstring_view(names).substr(group.name.pos, group.name.len);
  }
  const Body& Parsed(size_t occurrence) const;
  const Group* FindGroup(const std::wstring& lower_name) const;
  const Group* ParsedGroup(const std::wstring& lower_name) const;
  bool FindValue(const Group* group, std::wstring_view lower_key, Range* value) const;
  void BuildIndex(Group* group) const;
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
  slots.assign(64, 0);
  WithUnits([&](const auto& u) {
    while ((i = NextBracket(i)) < units) {
      // Only blanks may stand between the line's start and the "[".
      size_t start = i;
      while (start > 0) {
        uint32_t c = u[start - 1];
        if (IsLineEnd(c) || c > 32) break;
        --start;
      }
      if (start > 0 && !IsLineEnd(u[start - 1])) {
        ++i;
        continue;
      }
      size_t end = LineEnd(i);
      if (open != kNone) occurrences[open].body_end = start;
      open = kNone;
      // The prepared line runs from the "[" to the first ";", less its
      // trailing blanks; it must end in "]".
      size_t last = i + 1;
      while (last < end && u[last] != ';') ++last;
      while (last > i + 1 && u[last - 1] <= 32) --last;
      if (last - i >= 2 && u[last - 1] == ']') {
        size_t at = names.size();
        bool ascii = true;
        for (size_t k = i + 1; k + 1 < last; ++k) {
          uint32_t c = u[k];
          if (c >= 0x80) {
            ascii = false;
            break;
          }
          names.push_back(AsciiLower(c));
        }
        if (!ascii) {
          names.resize(at);
          DecodeInto(i + 1, last - 1, &names);
          for (size_t k = at; k < names.size(); ++k) names[k] = LowerChar(names[k]);
        }
        Group& group = AddGroup(at);
        Occurrence occurrence;
        occurrence.body_begin = end;
        occurrences.push_back(std::move(occurrence));
        open = occurrences.size() - 1;
        if (group.last == kNoOccurrence) {
          group.first = open;
        } else {
          occurrences[group.last].next = open;
        }
        group.last = open;
      }
      i = end;
    }
  });
  if (open != kNone) occurrences[open].body_end = units;
}

// The group of the name that stands last in names (from at on); the name is
// taken back out of names when the group exists already.
Group& InfDocument::Data::AddGroup(size_t at) {
  std::wstring_view name = std::wstring_view(names).substr(at);
  size_t mask = slots.size() - 1;
  for (size_t slot = HashName(name) & mask;; slot = (slot + 1) & mask) {
    uint32_t g = slots[slot];
    if (g == 0) {
      groups.emplace_back();
      Group& group = groups.back();
      group.name = Span{at, name.size()};
      group.strings = IsStringsSection(name);
      slots[slot] = static_cast<uint32_t>(groups.size());
      if (2 * groups.size() > slots.size()) Rehash();
      return group;
    }
    Group& group = groups[g - 1];
    if (Name(group) == name) {
      names.resize(at);
      return group;
    }
  }
}

void InfDocument::Data::Rehash() {
  slots.assign(2 * slots.size(), 0);
  size_t mask = slots.size() - 1;
  for (size_t g = 0; g < groups.size(); ++g) {
    size_t slot = HashName(Name(groups[g])) & mask;
    while (slots[slot] != 0) slot = (slot + 1) & mask;
    slots[slot] = static_cast<uint32_t>(g + 1);
  }
}

// Callers hold the lock.
const Body& InfDocument::Data::Parsed(size_t index) const {
  Occurrence& o = const_cast<Occurrence&>(occurrences[index]);
  if (o.body) return *o.body;
  auto body = std::make_unique<Body>();
  body->text = Decode(o.body_begin, o.body_end);
  const std::wstring& text = body->text;
  WideUnits u{text.data()};
  ScanEntries(u, 0, text.size(), [&](const RawEntry& raw) {
    body->entries.push_back(Entry{Span{raw.key.begin, raw.key.end - raw.key.begin},
                                  Span{raw.value.begin, raw.value.end - raw.value.begin}});
    return true;
  });
  o.body = std::move(body);
  return *o.body;
}

// The group of a section name, or null. Needs no lock: the groups and their
// occurrences never change after loading.
const Group* InfDocument::Data::FindGroup(const std::wstring& lower_name) const {
  if (groups.empty()) return nullptr;
  size_t mask = slots.size() - 1;
  for (size_t slot = HashName(lower_name) & mask;; slot = (slot + 1) & mask) {
    uint32_t g = slots[slot];
    if (g == 0) return nullptr;
    if (Name(groups[g - 1]) == lower_name) return &groups[g - 1];
  }
}

// Callers hold the lock. The group with every occurrence parsed.
const Group* InfDocument::Data::ParsedGroup(const std::wstring& lower_name) const {
  const Group* found = FindGroup(lower_name);
  if (!found) return nullptr;
  Group& group = const_cast<Group&>(*found);
  if (!group.parsed) {
    for (size_t occ = group.first; occ != kNoOccurrence; occ = occurrences[occ].next)
      group.bodies.push_back(&Parsed(occ));
    group.parsed = true;
  }
  return &group;
}

// Callers hold the lock. Every entry of the group in file order goes into
// the index; the first one of each key keeps its place.
void InfDocument::Data::BuildIndex(Group* group) const {
  struct Key {
    size_t pos, len;
    Range value;
  };
  std::vector<Key> keys;
  WithUnits([&](const auto& u) {
    for (size_t occ = group->first; occ != kNoOccurrence; occ = occurrences[occ].next) {
      const Occurrence& o = occurrences[occ];
      ScanEntries(u, o.body_begin, o.body_end, [&](const RawEntry& raw) {
        size_t at = group->index_keys.size();
        AppendLowerKey(u, raw, &group->index_keys);
        keys.push_back(Key{at, group->index_keys.size() - at, raw.value});
        return true;
      });
    }
  });
  group->first_by_key.reserve(keys.size());
  const std::wstring_view all(group->index_keys);
  for (const Key& k : keys) group->first_by_key.emplace(all.substr(k.pos, k.len), k.value);
  group->indexed = true;
}

// Callers hold the lock. The value of the first entry of the group whose
// key equals lower_key.
bool InfDocument::Data::FindValue(const Group* group, std::wstring_view lower_key,
                                  Range* value) const {
  if (!group) return false;
  Group& g = const_cast<Group&>(*group);
  // A string section is searched line by line for its first few tokens and
  // indexed once a text turns out to hold more of them.
  if (g.strings && !g.indexed && ++g.lookups > 8) BuildIndex(&g);
  if (g.indexed) {
    auto it = g.first_by_key.find(lower_key);
    if (it == g.first_by_key.end()) return false;
    *value = it->second;
    return true;
  }
  return WithUnits([&](const auto& u) {
    for (size_t occ = g.first; occ != kNoOccurrence; occ = occurrences[occ].next) {
      const Occurrence& o = occurrences[occ];
      bool found = false;
      ScanEntries(u, o.body_begin, o.body_end, [&](const RawEntry& raw) {
        if (!KeyEquals(u, raw, lower_key)) return true;
        *value = raw.value;
        found = true;
        return false;
      });
      if (found) return true;
    }
    return false;
  });
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
      data->ansi = SingleByteAnsiTable();
      if (!data->ansi) {
        // A multi-byte code page: the characters are not the bytes.
        data->wide = DecodeAnsi(bytes.data(), bytes.size());
        data->wide_units = true;
        data->units = data->wide.size();
      }
      break;
  }
  data->FindHeaders();
  return InfDocument(std::move(data));
}

InfDocument InfDocument::FromText(const std::wstring& text) {
  auto data = std::make_shared<Data>();
  data->loaded = true;
  data->encoding = InfEncoding::kUtf16Le;
  data->wide_units = true;
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
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return defaultValue;
  const std::wstring lower_key = LowerText(TrimBlanks(key, kTrimBoth));
  Range value;
  std::lock_guard<std::mutex> hold(data_->lock);
  if (!data_->FindValue(group, lower_key, &value)) return defaultValue;
  return data_->Decode(value.begin, value.end);
}

size_t InfDocument::ReadSectionTable(const std::wstring& section, InfSectionTable* table) const {
  table->clear();
  std::lock_guard<std::mutex> hold(data_->lock);
  const Group* group = data_->ParsedGroup(LowerText(section));
  if (!group) return 0;
  for (const Body* body : group->bodies)
    for (const Entry& e : body->entries)
      table->push_back(InfEntry{std::wstring(body->View(e.key)), std::wstring(body->View(e.value))});
  return table->size();
}

std::vector<InfDocument::EntryView> InfDocument::SectionEntries(const std::wstring& section) const {
  std::vector<EntryView> out;
  std::lock_guard<std::mutex> hold(data_->lock);
  const Group* group = data_->ParsedGroup(LowerText(section));
  if (!group) return out;
  for (const Body* body : group->bodies)
    for (const Entry& e : body->entries) out.emplace_back(body->View(e.key), body->View(e.value));
  return out;
}

void InfDocument::VisitSectionEntries(
    const std::wstring& section,
    const std::function<void(std::wstring_view key, std::wstring_view value)>& visit) const {
  const Data& data = *data_;
  const Group* group = data.FindGroup(LowerText(section));
  if (!group) return;
  // The lines are walked in the file's units; only keys and values are
  // decoded, one entry at a time.
  std::wstring scratch;
  data.WithUnits([&](const auto& u) {
    for (size_t occ = group->first; occ != kNoOccurrence; occ = data.occurrences[occ].next) {
      const Occurrence& o = data.occurrences[occ];
      ScanEntries(u, o.body_begin, o.body_end, [&](const RawEntry& raw) {
        if (data.wide_units) {
          const std::wstring_view all(data.wide);
          visit(all.substr(raw.key.begin, raw.key.end - raw.key.begin),
                all.substr(raw.value.begin, raw.value.end - raw.value.begin));
          return true;
        }
        scratch.clear();
        data.DecodeInto(raw.key.begin, raw.key.end, &scratch);
        const size_t key_len = scratch.size();
        data.DecodeInto(raw.value.begin, raw.value.end, &scratch);
        const std::wstring_view all(scratch);
        visit(all.substr(0, key_len), all.substr(key_len));
        return true;
      });
    }
  });
}

bool InfDocument::SectionExists(const std::wstring& section, bool requireEntry) const {
  const Group* group = data_->FindGroup(LowerText(section));
  if (!group) return false;
  if (!requireEntry) return true;
  const Occurrence& o = data_->occurrences[group->first];
  return data_->WithUnits([&](const auto& u) {
    bool found = false;
    ScanEntries(u, o.body_begin, o.body_end, [&](const RawEntry&) {
      found = true;
      return false;
    });
    return found;
  });
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
    // A pair spanning set-aside tokens. A later occurrence is a run of
    // gaps + 1 open nodes whose gaps are the pattern's, so each of its nodes
    // but the last is indexed under its gap: the candidates come from the
    // shortest of those lists, each walked back to where its run would start.
    found.push_back(first);
    // The same pattern met again with nothing but set-asides since it was
    // last sought: what that search found has been set aside, and setting
    // aside makes no new occurrence.
    std::wstring whole;
    for (const std::wstring& lower : pattern) whole.append(lower).push_back(L'%');
    if (!searched_.insert(std::move(whole)).second) return found;
    const int closing = Advance(first, gaps);
    auto shortest = index_.end();
    size_t offset = 0;
    n = first;
    for (size_t g = 0; g < gaps; ++g, n = nodes_[n].next) {
      auto list = index_.find(Fold(nodes_[n].gap));
      if (list == index_.end()) return found;
      if (shortest == index_.end() || list->second.size() < shortest->second.size()) {
        shortest = list;
        offset = g;
      }
    }
    std::vector<int> members;
    Sweep(shortest, [&](int node) {
      int c = node;
      for (size_t g = 0; g < offset && c != kNone && !nodes_[c].aside; ++g) c = nodes_[c].prev;
      if (c == kNone || c == first || c == closing || nodes_[c].stamp == stamp_ ||
          !IsRun(c, pattern))
        return;
      nodes_[c].stamp = stamp_;
      members.push_back(c);
    });
    // Occurrences overlap when one starts within gaps nodes after another;
    // such a cluster is taken left to right, each occurrence that does not
    // overlap the last one taken. A member with no other member within gaps
    // nodes before it starts a cluster.
    for (int c : members) {
      bool starts = true;
      int k = nodes_[c].prev;
      for (size_t g = 0; g < gaps && k != kNone && starts; ++g, k = nodes_[k].prev)
        starts = nodes_[k].stamp != stamp_;
      if (!starts) continue;
      found.push_back(c);
      size_t since_taken = 0, since_member = 0;
      for (k = nodes_[c].next; k != kNone && since_member < gaps; k = nodes_[k].next) {
        ++since_taken;
        ++since_member;
        if (nodes_[k].stamp != stamp_) continue;
        since_member = 0;
        if (since_taken > gaps) {
          found.push_back(k);
          since_taken = 0;
        }
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
    searched_.clear();
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
    uint64_t stamp = 0;  // an occurrence found by the current search
    uint64_t swept = 0;  // met in the current sweep of an index list
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

  // Calls visit for every entry of an index list that may still start an
  // occurrence, and drops the others for good: nodes that are gone or set
  // aside, nodes followed by a set-aside sign or by nothing (they change only
  // through a replacement next to them, which indexes them again), entries
  // left from an earlier gap of their node, and second entries of a node.
  // visit must not change the index.
  template <typename Visit>
  void Sweep(std::unordered_map<std::wstring, std::vector<int>>::iterator list, Visit visit) {
    const std::wstring& key = list->first;
    std::vector<int>& entries = list->second;
    ++sweep_;
    size_t kept = 0;
    for (int e : entries) {
      Node& n = nodes_[e];
      if (n.dead || n.aside || n.next == kNone || nodes_[n.next].aside || n.swept == sweep_ ||
          !FoldsTo(n.gap, key))
        continue;
      n.swept = sweep_;
      entries[kept++] = e;
      visit(e);
    }
    entries.resize(kept);
    if (entries.empty()) index_.erase(list);
  }

  static bool FoldsTo(const std::wstring& gap, const std::wstring& key) {
    if (gap.size() != key.size()) return false;
    for (size_t i = 0; i < gap.size(); ++i)
      if (FoldChar(gap[i]) != key[i]) return false;
    return true;
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
  uint64_t sweep_ = 0;
  // The patterns of pairs spanning set-aside tokens searched since the last
  // replacement, as their lower-cased gaps each followed by "%".
  std::unordered_set<std::wstring> searched_;
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
      Range value;
      if (data_->FindValue(group, lower_key, &value) && value.end > value.begin)
        return data_->Decode(value.begin, value.end);
    }
    return std::wstring();
  };

  // A text with one pair of "%" whose value holds no "%" needs no more than
  // one replacement.
  const size_t second_percent = text.find(L'%', first_percent + 1);
  if (text.find(L'%', second_percent + 1) == std::wstring::npos) {
    std::wstring value = TrimBlanks(
        lookup(LowerText(TrimBlanks(
            text.substr(first_percent + 1, second_percent - first_percent - 1), kTrimBoth))),
        kTrimBoth);
    if (value.empty()) return text;
    value = RemoveQuotes(value);
    if (value.find(L'%') == std::wstring::npos) {
      const size_t len = second_percent - first_percent + 1;
      if (value.size() > len && text.size() - len + value.size() > text.size() + kMaxExpansionGrowth)
        return text;
      std::wstring out;
      out.reserve(text.size() - len + value.size());
      out.append(text, 0, first_percent);
      out += value;
      out.append(text, second_percent + 1, std::wstring::npos);
      return out;
    }
  }

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
