// Times INF matching over a synthetic driver collection against a plain read
// of the same bytes, counts the file opens per INF, and runs the console
// tool over the same folder.
//
//   match_bench [--files N] [--mb M] [--devices N] [--rounds R] [--dir PATH]
//               [--tool PATH] [--no-tool] [--first] [--check]
//
// --dir keeps the collection in PATH and reuses it on the next run when the
// settings are the same; without it a temporary folder is used and removed.
// --check makes the exit status 1 when a target is missed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "counting_file_system.h"
#include "inf/driver_match.h"
#include "inf_corpus.h"
#include "sources/inf_tool.h"
#include "text/text_helpers.h"

#ifdef _WIN32
#include "platform/windows/windows_file_system.h"
#else
#include "platform/posix/posix_file_system.h"
#endif

namespace orvane {
namespace bench {
namespace {

#ifdef _WIN32
using HostFileSystem = WindowsFileSystem;
#else
using HostFileSystem = PosixFileSystem;
#endif

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options {
  CorpusSettings corpus;
  size_t rounds = 3;
  std::string dir;
  std::string tool;
  bool run_tool = true;
  bool first = false;
  bool check = false;
};

bool ParseOptions(int argc, char** argv, Options* options) {
#ifdef ORVANE_INF_TOOL_PATH
  options->tool = ORVANE_INF_TOOL_PATH;
#endif
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "match_bench: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    const char* v = nullptr;
    if (arg == "--files") {
      if (!(v = value("--files"))) return false;
      options->corpus.inf_count = std::strtoul(v, nullptr, 10);
    } else if (arg == "--mb") {
      if (!(v = value("--mb"))) return false;
      options->corpus.total_bytes = std::strtoull(v, nullptr, 10) * 1000 * 1000;
    } else if (arg == "--devices") {
      if (!(v = value("--devices"))) return false;
      options->corpus.device_count = std::strtoul(v, nullptr, 10);
    } else if (arg == "--rounds") {
      if (!(v = value("--rounds"))) return false;
      options->rounds = std::max<size_t>(1, std::strtoul(v, nullptr, 10));
    } else if (arg == "--dir") {
      if (!(v = value("--dir"))) return false;
      options->dir = v;
    } else if (arg == "--tool") {
      if (!(v = value("--tool"))) return false;
      options->tool = v;
    } else if (arg == "--no-tool") {
      options->run_tool = false;
    } else if (arg == "--first") {
      options->first = true;
    } else if (arg == "--check") {
      options->check = true;
    } else {
      std::fprintf(stderr,
                   "usage: match_bench [--files N] [--mb M] [--devices N] [--rounds R] [--dir PATH]\n"
                   "                   [--tool PATH] [--no-tool] [--first] [--check]\n");
      return false;
    }
  }
  return true;
}

std::string SettingsLine(const CorpusSettings& s) {
  return "files=" + std::to_string(s.inf_count) + " bytes=" + std::to_string(s.total_bytes) +
         " devices=" + std::to_string(s.device_count) + " seed=" + std::to_string(s.seed) +
         " layout=1\n";
}

void PrintRate(const char* what, double seconds, size_t files, uint64_t bytes) {
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%-34s %8.3f s  %9.0f INF/s  %8.1f MB/s\n", what, seconds,
              seconds > 0 ? static_cast<double>(files) / seconds : 0.0,
              seconds > 0 ? mb / seconds : 0.0);
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) {
    if (ch == '\'') {
      quoted += "'\\''";
    } else {
      quoted += ch;
    }
  }
  return quoted + "'";
}

int Main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;

  HostFileSystem host;
  CountingFileSystem files(host);

  // The collection.
  const bool temporary = options.dir.empty();
  std::filesystem::path root =
      temporary ? std::filesystem::temp_directory_path() /
                      ("orvane-bench-" + std::to_string(Clock::now().time_since_epoch().count()))
                : std::filesystem::path(options.dir);
  const std::wstring root_text = Utf8ToWide(root.u8string());
  const std::wstring marker = root_text + L"/corpus-settings.txt";
  const std::string settings_line = SettingsLine(options.corpus);
  CorpusSummary corpus;
  std::string existing;
  const auto build_start = Clock::now();
  if (!temporary && host.ReadFile(marker, &existing) && existing == settings_line) {
    corpus.inf_folder = root_text + L"/drivers";
    corpus.devices_file = root_text + L"/devices.txt";
    std::printf("reusing the collection in %s\n", root.u8string().c_str());
  } else {
    host.DeleteTree(root_text);
    if (!BuildCorpus(host, root_text, options.corpus, &corpus) ||
        !host.WriteFile(marker, settings_line)) {
      std::fprintf(stderr, "match_bench: cannot write the collection below %s\n",
                   root.u8string().c_str());
      return 1;
    }
    std::printf("built the collection in %s in %.1f s\n", root.u8string().c_str(),
                Seconds(build_start));
  }

  // The devices as the tool reads them: the same list the matcher gets.
  std::string device_bytes;
  if (!host.ReadFile(corpus.devices_file, &device_bytes)) {
    std::fprintf(stderr, "match_bench: cannot read the devices file\n");
    return 1;
  }
  const std::vector<ToolDevice> devices = ParseDevicesFile(device_bytes);
  const std::wstring device_list = DeviceListText(devices);

  const std::vector<std::wstring> infs = CollectInfFiles(host, corpus.inf_folder);
  uint64_t total_bytes = 0;
  size_t utf16 = 0;
  for (const std::wstring& inf : infs) {
    std::string bytes;
    host.ReadFile(inf, &bytes);  // also brings the files into the cache
    total_bytes += bytes.size();
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') ++utf16;
  }
  std::printf("collection: %zu INF files, %.1f MB (%zu UTF-16 LE, %zu 8-bit or UTF-8), %zu devices\n",
              infs.size(), static_cast<double>(total_bytes) / 1e6, utf16, infs.size() - utf16,
              devices.size());

  SystemProfile profile;
  profile.architecture = L"AMD64";
  profile.version = L"10.0";
  profile.build = L"19041";
  profile.language = L"0409";
  profile.product_type = L"1";

  // Plain read and matching, alternating, best of the rounds for each.
  double best_read = 1e30;
  double best_match = 1e30;
  size_t matches = 0;
  size_t opens_min = SIZE_MAX, opens_max = 0, opens_total = 0, probes = 0;
  for (size_t round = 0; round < options.rounds; ++round) {
    uint64_t read_bytes = 0;
    auto start = Clock::now();
    for (const std::wstring& inf : infs) {
      std::string bytes;
      files.ReadFile(inf, &bytes);
      read_bytes += bytes.size();
    }
    best_read = std::min(best_read, Seconds(start));
    if (read_bytes != total_bytes) std::fprintf(stderr, "match_bench: the collection changed\n");

    files.Reset();
    matches = 0;
    start = Clock::now();
    // The device list is indexed once per walk, as the folder scan and the
    // tool do; every INF is read once and matched from memory.
    const DeviceIdList device_index = DeviceIdList::FromText(device_list);
    for (const std::wstring& inf : infs) {
      matches += MatchInfDevices(InfDocument::Load(files, inf), profile, device_index).size();
    }
    best_match = std::min(best_match, Seconds(start));
    const auto reads = files.Reads();
    opens_total = files.TotalReads();
    probes = files.Probes();
    opens_min = SIZE_MAX;
    opens_max = 0;
    for (const std::wstring& inf : infs) {
      const auto it = reads.find(inf);
      const size_t n = it == reads.end() ? 0 : it->second;
      opens_min = std::min(opens_min, n);
      opens_max = std::max(opens_max, n);
    }
  }

  std::printf("\n");
  PrintRate("plain read of every file", best_read, infs.size(), total_bytes);
  PrintRate("MatchInfDevices over every file", best_match, infs.size(), total_bytes);
  const double ratio = best_read > 0 ? best_match / best_read : 0;
  std::printf("matching time / plain read time      %8.2f   (target <= 2)\n", ratio);
  std::printf("file opens per INF per call          %8.2f   (min %zu, max %zu; target exactly 1)\n",
              infs.empty() ? 0.0 : static_cast<double>(opens_total) / static_cast<double>(infs.size()),
              opens_min == SIZE_MAX ? 0 : opens_min, opens_max);
  if (probes != 0) std::printf("other file-system calls while matching %zu\n", probes);
  std::printf("matches found                        %8zu\n", matches);

  // The console tool over the same folder, in this process and as a program.
  if (options.run_tool) {
    std::vector<std::wstring> args = {L"match", L"--arch", profile.architecture, L"--version",
                                      profile.version, L"--build", profile.build, L"--lang",
                                      profile.language, L"--product-type", profile.product_type,
                                      L"--devices", corpus.devices_file};
    if (options.first) args.push_back(L"--first");
    args.push_back(corpus.inf_folder);
    size_t lines = 0;
    InfToolStreams streams;
    streams.out = [&lines](const std::string& text) {
      lines += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    };
    streams.err = [](const std::string& text) { std::fwrite(text.data(), 1, text.size(), stderr); };
    double best_tool = 1e30;
    for (size_t round = 0; round < options.rounds; ++round) {
      lines = 0;
      const auto start = Clock::now();
      RunInfTool(args, host, streams);
      best_tool = std::min(best_tool, Seconds(start));
    }
    std::printf("\n");
    PrintRate(options.first ? "orvane-inf match --first (library)" : "orvane-inf match (library)",
              best_tool, infs.size(), total_bytes);
    std::printf("  output lines %zu, time / plain read %.2f\n", lines,
                best_read > 0 ? best_tool / best_read : 0.0);
#ifndef _WIN32
    if (!options.tool.empty() && std::filesystem::exists(options.tool)) {
      std::string command = ShellQuote(options.tool);
      for (const std::wstring& arg : args) command += " " + ShellQuote(WideToUtf8(arg));
      command += " > /dev/null";
      double best_process = 1e30;
      int status = 0;
      for (size_t round = 0; round < options.rounds; ++round) {
        const auto start = Clock::now();
        status = std::system(command.c_str());
        best_process = std::min(best_process, Seconds(start));
      }
      PrintRate(options.first ? "orvane-inf match --first (process)" : "orvane-inf match (process)",
                best_process, infs.size(), total_bytes);
      std::printf("  exit status %d, time / plain read %.2f\n", status,
                  best_read > 0 ? best_process / best_read : 0.0);
    }
#endif
  }

  if (temporary) host.DeleteTree(root_text);

  const bool met = ratio <= 2.0 && opens_min == 1 && opens_max == 1;
  std::printf("\ntargets %s\n", met ? "met" : "MISSED");
  return options.check && !met ? 1 : 0;
}

}  // namespace
}  // namespace bench
}  // namespace orvane

int main(int argc, char** argv) { return orvane::bench::Main(argc, argv); }
