// Arbitrary bytes as an INF file: values, section tables, section tests and
// string substitution, on the path and on the document in memory. Both forms
// must agree, every call on a path must read the file exactly once, and the
// results must hang together.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "inf/inf_reader.h"

using namespace orvane;

namespace {

// The sections of the file read line by line from the whole decoded text:
// the plain form of the reading rules, against which the document (which
// decodes and splits a section only when it is asked for) is checked.
struct ReferenceSection {
  bool exists = false;
  bool first_has_entry = false;
  InfSectionTable entries;
};

ReferenceSection ReadReference(const std::string& bytes, const std::wstring& section) {
  ReferenceSection out;
  const std::wstring wanted = L"[" + LowerText(section) + L"]";
  bool open = false, first = true;
  for (const std::wstring& raw : SplitInfLines(DecodeInfText(bytes))) {
    const std::wstring line = PrepareInfLine(raw);
    if (line.empty()) continue;
    if (line[0] == L'[') {
      if (open) first = false;
      open = LowerText(line) == wanted;
      if (open) out.exists = true;
      continue;
    }
    const size_t eq = line.find(L'=');
    if (!open || eq == std::wstring::npos) continue;
    if (first) out.first_has_entry = true;
    out.entries.push_back(InfEntry{line.substr(0, eq), line.substr(eq + 1)});
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  MemoryFileSystem files;
  files.AddFile(fuzz::InfPath(), bytes);
  const std::wstring& path = fuzz::InfPath();
  const InfDocument doc = InfDocument::FromBytes(bytes);

  // The sections asked for: some fixed names and the first headers found.
  std::vector<std::wstring> sections = {L"Version", L"strings", L"Manufacturer", L"", L"a]b"};
  for (size_t i = 0; i < doc.LineCount() && sections.size() < 16; ++i) {
    const std::wstring line = PrepareInfLine(std::wstring(doc.Line(i)));
    if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
      sections.push_back(line.substr(1, line.size() - 2));
    }
  }

  auto one_read = [&files](size_t before, const wchar_t* what) {
    FUZZ_CHECK(files.read_count() == before + 1, what);
  };

  // The path forms re-read the file on every call: they are compared with
  // the document for the first sections only, to keep the runs fast.
  const size_t kPathChecked = 2;
  for (size_t s = 0; s < sections.size(); ++s) {
    const std::wstring& section = sections[s];
    const bool on_path = s < kPathChecked;
    InfSectionTable table;
    const size_t count = ReadSectionTable(doc, section, &table);
    FUZZ_CHECK(count == table.size(), section);
    for (const InfEntry& entry : table) {
      // The key ends before the first "=" of the line.
      FUZZ_CHECK(entry.key.find(L'=') == std::wstring::npos, entry.key);
    }
    const bool exists = SectionExists(doc, section, false);
    const bool has_entry = SectionExists(doc, section, true);
    const ReferenceSection reference = ReadReference(bytes, section);
    FUZZ_CHECK(reference.exists == exists && reference.first_has_entry == has_entry, section);
    FUZZ_CHECK(reference.entries.size() == count, section);
    for (size_t i = 0; i < count; ++i) {
      FUZZ_CHECK(table[i].key == reference.entries[i].key &&
                     table[i].value == reference.entries[i].value,
                 section + L" / " + table[i].key);
    }
    FUZZ_CHECK(!has_entry || exists, section);
    FUZZ_CHECK(count == 0 || exists, section);

    if (on_path) {
      InfSectionTable path_table;
      size_t before = files.read_count();
      FUZZ_CHECK(ReadSectionTable(files, path, section, &path_table) == count, section);
      one_read(before, L"ReadSectionTable");
      for (size_t i = 0; i < count; ++i) {
        FUZZ_CHECK(table[i].key == path_table[i].key && table[i].value == path_table[i].value,
                   section);
      }
      before = files.read_count();
      FUZZ_CHECK(SectionExists(files, path, section, false) == exists, section);
      one_read(before, L"SectionExists");
      before = files.read_count();
      FUZZ_CHECK(SectionExists(files, path, section, true) == has_entry, section);
      one_read(before, L"SectionExists with entry");
    }

    // Every key asked for comes back with the value of the first entry whose
    // key matches it, blanks around the asked key and letter case aside.
    for (size_t i = 0; i < table.size() && i < 8; ++i) {
      const std::wstring wanted = LowerText(TrimBlanks(table[i].key, kTrimBoth));
      size_t first = i;
      for (size_t j = 0; j < i; ++j) {
        if (LowerText(TrimBlanks(table[j].key, kTrimEnd)) == wanted) {
          first = j;
          break;
        }
      }
      const std::wstring value = ReadInfValue(doc, section, table[i].key, L"\x01");
      FUZZ_CHECK(value == table[first].value, section + L" / " + table[i].key);
      FUZZ_CHECK(ReadInfValue(doc, section, L" " + table[i].key + L"\t", L"\x01") == value,
                 table[i].key);
      if (on_path && i == 0) {
        const size_t before = files.read_count();
        FUZZ_CHECK(ReadInfValue(files, path, section, table[i].key, L"\x01") == value,
                   table[i].key);
        one_read(before, L"ReadInfValue");
      }
    }
    if (count == 0) {
      FUZZ_CHECK(ReadInfValue(doc, section, L"anything", L"\x02") == L"\x02", section);
    }
  }

  // Substitution of the string keys found, of a whole line and of odd texts.
  std::vector<std::wstring> texts = {L"%%", L"%", L"no tokens", L"%a%%b%%%c"};
  InfSectionTable strings;
  ReadSectionTable(doc, L"strings", &strings);
  for (size_t i = 0; i < strings.size() && i < 4; ++i) {
    texts.push_back(L"[%" + TrimBlanks(strings[i].key, kTrimBoth) + L"%]");
  }
  if (doc.LineCount() > 0) texts.push_back(std::wstring(doc.Line(0)));
  for (size_t t = 0; t < texts.size(); ++t) {
    const std::wstring& text = texts[t];
    const wchar_t* const languages[] = {L"0409", L"0407", L"", L"12"};
    for (const wchar_t* language : languages) {
      const std::wstring expanded = ExpandStrings(doc, language, text);
      FUZZ_CHECK(expanded.size() <= text.size() + InfDocument::kMaxExpansionGrowth, text);
      if (text.find(L'%') == text.rfind(L'%')) FUZZ_CHECK(expanded == text, text);
      if (language == languages[0] && (t < 2 || t + 1 == texts.size())) {
        // A text without a pair of "%" needs no read; any other one read.
        const size_t before = files.read_count();
        FUZZ_CHECK(ExpandStrings(files, path, language, text) == expanded, text);
        const bool pair = text.find(L'%') != text.rfind(L'%');
        FUZZ_CHECK(files.read_count() == before + (pair ? 1 : 0), L"ExpandStrings reads");
      }
    }
  }
  return 0;
}
