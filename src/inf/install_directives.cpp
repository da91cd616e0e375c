#include "inf/install_directives.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <utility>

#include "inf/inf_reader.h"
#include "text/text_helpers.h"

namespace orvane {

namespace {

bool IsPathSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

void PushFields(const std::wstring& list, std::deque<std::wstring>* queue) {
  for (std::wstring& field : SplitText(list, L",")) queue->push_back(std::move(field));
}

std::wstring JoinEach(const std::vector<std::wstring>& items, wchar_t separator) {
  std::wstring text;
  for (const std::wstring& item : items) {
    text += item;
    text += separator;
  }
  return text;
}

// The units of a file after its mark: bytes, or 16-bit little-endian units.
struct FileUnits {
  const std::string& bytes;
  size_t begin;
  size_t width;  // 1 or 2
  size_t count;
  uint32_t operator[](size_t i) const {
    const size_t at = begin + i * width;
    uint32_t unit = static_cast<unsigned char>(bytes[at]);
    if (width == 2) unit |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    return unit;
  }
  // The bytes of units [from, to).
  std::string Bytes(size_t from, size_t to) const {
    return bytes.substr(begin + from * width, (to - from) * width);
  }
  // ASCII text in this encoding.
  std::string Ascii(const char* text) const {
    std::string out;
    for (; *text; ++text) {
      out += *text;
      if (width == 2) out += '\0';
    }
    return out;
  }
};

std::wstring DecodeUnits(const FileUnits& units, InfEncoding encoding, size_t from, size_t to) {
  const std::string piece = units.Bytes(from, to);
  switch (encoding) {
    case InfEncoding::kUtf16Le: {
      std::wstring text;
      for (size_t i = 0; i + 1 < piece.size(); i += 2) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(piece[i]) |
                                     (static_cast<unsigned char>(piece[i + 1]) << 8));
      }
      return text;
    }
    case InfEncoding::kUtf8:
      return Utf8ToWide(piece);
    default:
      return DecodeAnsi(piece.data(), piece.size());
  }
}

bool IsFileDirective(const std::wstring& start) {
  const std::wstring lower = LowerText(start);
  return StartsWith(lower, L"copyfiles") || StartsWith(lower, L"delfiles") ||
         StartsWith(lower, L"reboot");
}

}  // namespace

std::wstring InfListText(const InstallPlan& plan) { return JoinEach(plan.infs, L'|'); }

std::wstring SectionGroupsText(const InstallPlan& plan) {
  return JoinEach(plan.section_lists, L'|');
}

InstallPlan ExpandNeedsInclude(FileSystem& files, const std::wstring& infPath,
                               const std::wstring& installSection) {
  InstallPlan plan;
  size_t cut = infPath.size();
  while (cut > 0 && !IsPathSeparator(infPath[cut - 1])) --cut;
  const std::wstring folder = cut == 0 ? L"" : infPath.substr(0, cut - 1);
  std::wstring file = infPath.substr(cut);
  std::wstring section = installSection;

  std::map<std::wstring, InfDocument> documents;  // by file name, read once per call
  std::set<std::pair<std::wstring, std::wstring>> visited;
  std::deque<std::wstring> fileQueue, sectionQueue;
  std::wstring lastFile;
  bool first = true;

  visited.emplace(LowerText(file), LowerText(section));
  for (;;) {
    // Record the pair.
    if (!first && file == lastFile) {
      plan.section_lists.back() += section + L",";
    } else {
      plan.infs.push_back(file);
      plan.section_lists.push_back(section + L",");
      lastFile = file;
    }
    first = false;

    auto found = documents.find(file);
    if (found == documents.end()) {
      // A starting path without a folder names files of the current one.
      const std::wstring path = cut == 0 ? file : folder + L"\\" + file;
      found = documents.emplace(file, InfDocument::Load(files, path)).first;
    }
    std::wstring needs, include;
    found->second.VisitSectionEntries(section, [&](std::wstring_view key, std::wstring_view value) {
      const std::wstring name = LowerText(TrimBlanks(std::wstring(key), kTrimBoth));
      if (name == L"needs") {
        needs = TrimBlanks(std::wstring(value), kTrimAll);
      } else if (name == L"include") {
        std::wstring text(value);
        if (text.find(L'=') != std::wstring::npos) {
          std::vector<std::wstring> fields = SplitText(text, L",");
          text.clear();
          for (size_t i = 0; i < fields.size(); ++i) {
            const size_t eq = fields[i].find(L'=');
            if (i > 0) text += L',';
            text += eq == std::wstring::npos ? fields[i] : fields[i].substr(eq + 1);
          }
        }
        include = TrimBlanks(text, kTrimAll);
      }
    });

    if (include.empty() && !needs.empty()) {
      PushFields(needs, &sectionQueue);
      const size_t count = FieldCount(needs, L",");
      for (size_t i = 0; i < count; ++i) fileQueue.push_back(file);
    } else if (!include.empty() && !needs.empty()) {
      PushFields(include, &fileQueue);
      PushFields(needs, &sectionQueue);
    }

    // The next pair not visited yet.
    bool next = false;
    while (!fileQueue.empty()) {
      file = std::move(fileQueue.front());
      fileQueue.pop_front();
      section.clear();
      if (!sectionQueue.empty()) {
        section = std::move(sectionQueue.front());
        sectionQueue.pop_front();
      }
      if (visited.emplace(LowerText(file), LowerText(section)).second) {
        next = true;
        break;
      }
    }
    if (!next) break;
  }
  return plan;
}

void DisableFileDirectives(FileSystem& files, const std::wstring& infPath) {
  uint32_t attributes = 0;
  if (!files.GetAttributes(infPath, &attributes)) return;
  if (attributes & (kAttributeReadOnly | kAttributeDirectory)) return;
  std::string bytes;
  if (!files.ReadFile(infPath, &bytes)) return;
  const InfEncoding encoding = DetectInfEncoding(bytes);
  if (encoding == InfEncoding::kRejected) return;

  const size_t begin = encoding == InfEncoding::kUtf16Le ? 2 : encoding == InfEncoding::kUtf8 ? 3 : 0;
  const size_t width = encoding == InfEncoding::kUtf16Le ? 2 : 1;
  const FileUnits units{bytes, begin, width, (bytes.size() - begin) / width};
  const std::string crlf = units.Ascii("\r\n");
  const std::string comment = units.Ascii("; ");

  // keepFirstLead: the first line keeps its leading blanks.
  auto rewrite = [&](bool keepFirstLead) {
    std::string out = bytes.substr(0, begin);
    out.reserve(bytes.size() + 64);
    size_t start = 0;
    while (true) {
      size_t end = start;
      while (end < units.count && units[end] != '\n') ++end;
      const bool hasEnd = end < units.count;
      if (!hasEnd && start == units.count && start > 0) break;  // nothing after the last line end
      size_t contentEnd = end;
      if (hasEnd && contentEnd > start && units[contentEnd - 1] == '\r') --contentEnd;
      size_t first = start;
      if (!(keepFirstLead && start == 0)) {
        while (first < contentEnd && units[first] <= 32) ++first;
      }
      // The directive words are ASCII: a few units decide.
      const size_t probe = std::min(contentEnd, first + 40);
      if (first < contentEnd && IsFileDirective(DecodeUnits(units, encoding, first, probe))) {
        out += comment;
      }
      out += units.Bytes(first, contentEnd);
      out += hasEnd ? units.Bytes(contentEnd, end + 1) : crlf;
      if (!hasEnd) break;
      start = end + 1;
    }
    // An odd last byte of a UTF-16 file is no unit: it stays at the end.
    out.append(bytes, begin + units.count * width, std::string::npos);
    return out;
  };
  std::string out = rewrite(false);
  // Blanks in front of bytes that read as a byte-order mark stay: without
  // them the file would be read in another encoding.
  if (DetectInfEncoding(out) != encoding) out = rewrite(true);
  if (out != bytes) files.WriteFile(infPath, out);
}

}  // namespace orvane
