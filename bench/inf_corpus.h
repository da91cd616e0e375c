// A synthetic driver collection for timing the INF engine: INF files shaped
// like the ones vendors ship (decorated model sections, long [Strings]
// sections in several languages, big AddReg sections), in UTF-16 LE, ANSI
// and UTF-8, plus a device list of a typical machine. Everything is made
// from a fixed seed, so two runs with the same settings build the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace orvane {
namespace bench {

struct CorpusSettings {
  size_t inf_count = 2000;
  uint64_t total_bytes = 200ull * 1000 * 1000;  // aimed at, not exact
  size_t device_count = 150;
  uint32_t seed = 20240611;
};

struct CorpusSummary {
  std::wstring inf_folder;      // folder holding the INF files (nested)
  std::wstring devices_file;    // devices file in the tool's format
  std::wstring device_list;     // the same devices as the matcher's list
  size_t inf_files = 0;
  uint64_t inf_bytes = 0;
  size_t utf16_files = 0;
  size_t ansi_files = 0;
  size_t utf8_files = 0;
};

// Writes the corpus below root (created when missing). False when a file
// could not be written.
bool BuildCorpus(FileSystem& files, const std::wstring& root, const CorpusSettings& settings,
                 CorpusSummary* summary);

}  // namespace bench
}  // namespace orvane
