// Loads a machine described as .reg text from the test data into a registry.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "platform/memory/memory_registry.h"
#include "text/text_helpers.h"

namespace orvane {

// Bytes of a file below tests/data; "" when it cannot be read.
inline std::string TestDataBytes(const std::string& relative_path) {
  std::ifstream in(std::string(ORVANE_TEST_DATA_DIR) + "/" + relative_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace testing_support {

// Text of a UTF-8 file below the test data folder; "" when it cannot be read.
inline std::wstring ReadTestDataText(const std::string& relative_path) {
  return Utf8ToWide(TestDataBytes(relative_path));
}

// Imports tests/data/<relative_path> into the registry; false when the file is
// missing or the registry refuses its text.
inline bool LoadMachine(MemoryRegistry& registry, const std::string& relative_path) {
  std::wstring text = ReadTestDataText(relative_path);
  return !text.empty() && registry.ImportRegText(text);
}

}  // namespace testing_support
}  // namespace orvane
