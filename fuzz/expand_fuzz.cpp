// String substitution with an arbitrary INF and an arbitrary text.
// Input: line 1 the language code, line 2 the text (UTF-8, or UTF-16 LE
// units when it starts with FF FE, so that lone surrogates can be given),
// the rest the INF bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "expand_reference.h"
#include "fuzz_support.h"
#include "inf/inf_reader.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string rest(reinterpret_cast<const char*>(data), size);
  const std::wstring language = Utf8ToWide(fuzz::TakeLine(&rest));
  const std::string text_bytes = fuzz::TakeLine(&rest);
  std::wstring text;
  if (text_bytes.size() >= 2 && text_bytes[0] == '\xFF' && text_bytes[1] == '\xFE') {
    for (size_t i = 2; i + 1 < text_bytes.size(); i += 2) {
      text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(text_bytes[i]) |
                                          (static_cast<unsigned char>(text_bytes[i + 1]) << 8)));
    }
  } else {
    text = Utf8ToWide(text_bytes);
  }

  MemoryFileSystem files;
  files.AddFile(fuzz::InfPath(), rest);
  const InfDocument doc = InfDocument::FromBytes(rest);

  const size_t before = files.read_count();
  const std::wstring expanded = ExpandStrings(files, fuzz::InfPath(), language, text);
  const bool pair = text.find(L'%') != text.rfind(L'%');
  FUZZ_CHECK(files.read_count() == before + (pair ? 1 : 0), L"ExpandStrings reads the file once");
  FUZZ_CHECK(expanded == ExpandStrings(doc, language, text), text);
  FUZZ_CHECK(expanded.size() <= text.size() + InfDocument::kMaxExpansionGrowth, text);
  // Small inputs with small results are checked against the plain quadratic
  // substitution (a result near the growth bound would take it many seconds).
  if (text.size() <= 400 && rest.size() <= 4096 && expanded.size() <= 8192)
    FUZZ_CHECK(expanded == fuzz::ReferenceExpand(doc, language, text), text);
  // Without a pair of "%" there is nothing to replace.
  if (text.find(L'%') == text.rfind(L'%')) FUZZ_CHECK(expanded == text, text);
  return 0;
}
