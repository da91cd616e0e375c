// Helpers shared by the INF engine tests.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "registry/system_profile.h"

namespace orvane {
namespace inf_test {

// The text as UTF-16 little-endian bytes, with the byte-order mark when asked.
inline std::string Utf16Le(const std::wstring& text, bool mark = true) {
  std::string out = mark ? "\xFF\xFE" : "";
  for (wchar_t ch : text) {
    out.push_back(static_cast<char>(ch & 0xFF));
    out.push_back(static_cast<char>((ch >> 8) & 0xFF));
  }
  return out;
}

// Bytes of a file under the test data folder ("" when missing).
inline std::string ReadDataFile(const std::string& relative_path) {
  std::ifstream in(std::string(ORVANE_TEST_DATA_DIR) + "/" + relative_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A profile of the receiving system; drive and folders are not needed here.
inline SystemProfile Profile(const std::wstring& architecture, const std::wstring& version,
                             const std::wstring& build = L"19045", const std::wstring& language = L"0409",
                             const std::wstring& product_type = L"1") {
  return {L"", L"", architecture, version, build, L"", language, product_type};
}

}  // namespace inf_test
}  // namespace orvane
