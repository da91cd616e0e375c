// Reading INF files: values, section tables, section tests and the
// substitution of %token% references from the string sections.
//
// Every operation exists in two forms:
//  - on a path with a FileSystem&: the file is opened, read once and closed
//    within the call; nothing is kept afterwards;
//  - on an InfDocument: one file's bytes held in memory, so that one
//    top-level operation (a match of one INF against the devices, one
//    staging walk) reads the file only once. Loading locates the section
//    headers; a section's lines are decoded and split into entries when it
//    is first used, so the install sections and the strings of other
//    languages that an operation never asks for cost almost nothing. A
//    document's content never changes once built; it is cheap to copy and
//    safe to share between threads.
// Both forms give exactly the same results.
//
// Reading rules:
//  - Encoding by the first bytes, tested in this order: FF FE is UTF-16
//    little-endian, EF BB BF is UTF-8 (the mark is skipped in both cases);
//    FE FF (UTF-16 big-endian) and 00 00 FE FF (UTF-32 big-endian) are not
//    accepted and give a file without lines; anything else is 8-bit text in
//    the system's ANSI code page.
//  - A line ends at CR LF, a lone LF, a lone CR or a NUL; no continuation.
//  - A prepared line is the line cut at its first ";" (quotes do not protect
//    it) and trimmed of characters up to U+0020 at both ends.
//  - A prepared line beginning with "[" is a header: it closes the open
//    section and opens section S when the whole line, lower-cased, equals
//    "[" + S lower-cased + "]". A name may be opened several times; its
//    occurrences are seen in file order.
//  - An entry is a prepared line inside an open section that holds "=": key
//    before the first "=", value after it, quotes kept.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace orvane {

// How the bytes of an INF file are read.
enum class InfEncoding {
  kAnsi,      // no mark: the system's ANSI code page
  kUtf16Le,   // FF FE
  kUtf8,      // EF BB BF
  kRejected,  // FE FF or 00 00 FE FF: read as a file without lines
};

InfEncoding DetectInfEncoding(const std::string& bytes);

// The text of the file with its mark skipped; "" for a rejected mark.
std::wstring DecodeInfText(const std::string& bytes);

// The lines of a decoded text (line ends removed; an empty piece after the
// last line end is not a line).
std::vector<std::wstring> SplitInfLines(const std::wstring& text);

// Cuts a line at its first ";" and trims blanks at both ends.
std::wstring PrepareInfLine(const std::wstring& line);

// One key/value line of a section, both exactly as written around the first
// "=" of the prepared line.
struct InfEntry {
  std::wstring key;
  std::wstring value;
};
using InfSectionTable = std::vector<InfEntry>;

class InfDocument {
 public:
  // A file without lines.
  InfDocument();

  // Reads the file once through files.ReadFile; a file that cannot be read
  // gives a document without lines (loaded() is then false).
  static InfDocument Load(FileSystem& files, const std::wstring& path);
  // From the raw bytes of a file (kept: sections are decoded when first
  // used).
  static InfDocument FromBytes(const std::string& bytes);
  static InfDocument FromBytes(std::string&& bytes);
  // From text that is already decoded (tests, tools); encoding() then
  // reports kUtf16Le, the form the text is held in.
  static InfDocument FromText(const std::wstring& text);

  // False when the file could not be read.
  bool loaded() const;
  InfEncoding encoding() const;

  // The decoded lines as read: line ends removed, nothing else changed
  // (comments and blanks kept). For walks that have their own line rules.
  // Views stay valid as long as a copy of the document lives.
  size_t LineCount() const;
  std::wstring_view Line(size_t index) const;  // 0-based

  // The value of the first entry of the section (all occurrences, in file
  // order) whose key, trimmed at its end and lower-cased, equals key trimmed
  // and lower-cased; defaultValue when there is none. The value is returned
  // as written (a blank after "=" stays).
  std::wstring ReadValue(const std::wstring& section, const std::wstring& key,
                         const std::wstring& defaultValue) const;

  // Empties table, appends every entry of every occurrence of the section in
  // file order and returns their number.
  size_t ReadSectionTable(const std::wstring& section, InfSectionTable* table) const;

  // The entries of every occurrence of the section in file order, as views
  // into the document (valid as long as a copy of the document lives). The
  // same entries ReadSectionTable gives, without copying them.
  using EntryView = std::pair<std::wstring_view, std::wstring_view>;  // key, value
  std::vector<EntryView> SectionEntries(const std::wstring& section) const;

  // Calls visit(key, value) for every entry of every occurrence of the
  // section in file order: the entries SectionEntries gives, decoded for the
  // call and not kept (the views are valid during the call only). visit may
  // call the document's other operations.
  void VisitSectionEntries(
      const std::wstring& section,
      const std::function<void(std::wstring_view key, std::wstring_view value)>& visit) const;

  // requireEntry false: some header line opens the section. requireEntry
  // true: the first occurrence of the section holds at least one entry.
  bool SectionExists(const std::wstring& section, bool requireEntry) const;

  // Replaces %token% references by their values from [Strings.<language>],
  // then [Strings.00<last two characters of language>], then [Strings]
  // (the first one that gives a non-empty value). The value is trimmed and
  // stripped of double quotes; replacement ignores letter case and the text
  // is scanned again from its start, so values holding references are
  // expanded in turn. A token that none of the sections defines stays as
  // written and takes no further part in the search for "%" pairs. A token
  // (key trimmed, lower-cased) is resolved at most once per call: met again
  // afterwards it stays like an undefined one, which ends self-references.
  // Growth is bounded: a replacement that would make the text longer than
  // the original text plus kMaxExpansionGrowth characters is not made and
  // the token stays as written.
  std::wstring ExpandStrings(const std::wstring& language, const std::wstring& text) const;

  static constexpr size_t kMaxExpansionGrowth = 65536;

  struct Data;

 private:
  explicit InfDocument(std::shared_ptr<const Data> data);
  std::shared_ptr<const Data> data_;
};

// The operations on a path: one read of the file per call. A file that
// cannot be read or has a rejected mark gives defaultValue, 0, false and the
// text unchanged.
std::wstring ReadInfValue(FileSystem& files, const std::wstring& infPath,
                          const std::wstring& section, const std::wstring& key,
                          const std::wstring& defaultValue);
size_t ReadSectionTable(FileSystem& files, const std::wstring& infPath,
                        const std::wstring& section, InfSectionTable* table);
bool SectionExists(FileSystem& files, const std::wstring& infPath, const std::wstring& section,
                   bool requireEntry);
std::wstring ExpandStrings(FileSystem& files, const std::wstring& infPath,
                           const std::wstring& language, const std::wstring& text);

// The same operations on a document already in memory.
std::wstring ReadInfValue(const InfDocument& inf, const std::wstring& section,
                          const std::wstring& key, const std::wstring& defaultValue);
size_t ReadSectionTable(const InfDocument& inf, const std::wstring& section,
                        InfSectionTable* table);
bool SectionExists(const InfDocument& inf, const std::wstring& section, bool requireEntry);
std::wstring ExpandStrings(const InfDocument& inf, const std::wstring& language,
                           const std::wstring& text);

}  // namespace orvane
