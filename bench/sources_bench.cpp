// Benchmark of the driver sources over the generated driver pack (2,000 INF
// files, see inf_corpus.h) on a simulated machine: a WinPE 10 x64 on X:
// with 150 present devices, the pack on drive D:.
//
//   sources_bench [--files N] [--mb M] [--rounds R] [--dir PATH] [--packages N] [--check]
//
// It times, best of the rounds:
//   - a plain read of every file of the pack (the walk's files, each read once);
//   - the unattended run over the pack, 20 devices reporting a problem of
//     which 10 find a driver in it (installed by the in-memory installer);
//   - the interactive scan of the pack against all 150 devices;
//   - a pack of .7z packages (the same INF files spread over --packages
//     packages): the unattended run and the interactive scan over it, against
//     running 7zz on each package directly (the INF files of each, unpacked
//     into a folder and removed again).
// --dir keeps the generated pack (and its packages) for the next run.
// --check: exit status 1 when the unattended run takes more than 3 times the
// plain read, or the interactive scan more than 2.5 times.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/driver_rows.h"
#include "devices/device_lists.h"
#include "inf_corpus.h"
#include "install/install_services.h"
#include "platform/memory/drive_mapped_file_system.h"
#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_component_registration.h"
#include "platform/memory/memory_device_installer.h"
#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_file_facts.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system_info.h"
#include "platform/memory/memory_storage.h"
#include "platform/posix/posix_archiver.h"
#include "platform/posix/posix_file_system.h"
#include "registry/registry_access.h"
#include "sources/driver_scan.h"
#include "sources/driver_walk.h"
#include "sources/unattended_run.h"
#include "text/text_helpers.h"
#include "null_view.h"

namespace orvane {
namespace bench {
namespace {

const size_t kProblemDevices = 20;
const size_t kServedProblemDevices = 10;

class CopyingDecompressor : public Decompressor {
 public:
  bool DecompressOrCopy(const std::wstring&, const std::wstring&) override { return true; }
};

double Milliseconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The machine: X: (program, temporary folder, log) in a folder of its own,
// D: the folder that holds the pack.
struct Machine {
  PosixFileSystem host;
  DriveMappedFileSystem files{host};
  MemoryRegistry registry;
  MemoryDeviceSource devices;
  MemoryStorage storage;
  MemoryFileFacts facts;
  MemorySystemInfo system;
  MemoryClock clock;
  CopyingDecompressor decompressor;
  MemoryComponentRegistration components;
  MemoryDeviceInstaller installer{devices};
  PosixArchiver archiver{[this](const std::wstring& path) { return files.InnerPath(path); }};
  CancellationToken cancel;
  InstallLog log;
  InstallServices services{registry, files,      system,    devices,  storage, storage, clock,
                           decompressor, components, installer, archiver, cancel,  log};
  std::vector<std::wstring> ids;  // present devices in order

  Machine(const std::wstring& x_folder, const std::wstring& d_folder, const std::wstring& device_list) {
    system.SetEnvironment(L"windir", L"X:\\Windows");
    host.CreateDirectories(x_folder + L"/Tools");
    host.CreateDirectories(x_folder + L"/Windows/TEMP");
    host.WriteFile(x_folder + L"/Tools/7z.exe", "the host's 7zz does the work");
    files.MapDrive(L"X", x_folder);
    files.MapDrive(L"D", d_folder);
    storage.AddDrive(L"X", kDriveRamDisk);
    storage.AddDrive(L"D", kDriveFixed);
    const std::wstring current = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    WriteRegValue(registry, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                  L"PROCESSOR_ARCHITECTURE", kRegSz, L"AMD64");
    WriteRegValue(registry, L"hklm", current, L"CurrentMajorVersionNumber", kRegDword, L"10");
    WriteRegValue(registry, L"hklm", current, L"CurrentMinorVersionNumber", kRegDword, L"0");
    WriteRegValue(registry, L"hklm", current, L"CurrentBuild", kRegSz, L"19041");
    WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\control\\Nls\\Language", L"Default", kRegSz, L"0409");
    // The corpus's devices: instance identifier, then hardware and compatible
    // identifiers (their split does not matter for matching).
    for (const std::wstring& device : SplitText(device_list, L",")) {
      std::vector<std::wstring> items = SplitText(device, L"\n");
      while (!items.empty() && items.back().empty()) items.pop_back();
      if (items.empty()) continue;
      std::wstring hardware;
      for (size_t i = 1; i < items.size(); ++i) hardware += (i > 1 ? L"\n" : L"") + items[i];
      WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Enum\\" + items[0], L"HardwareID", kRegMultiSz,
                    hardware);
      ids.push_back(items[0]);
    }
  }

  // All devices present and working, then `problems` of them reporting a problem.
  void Devices(const std::vector<size_t>& problems) {
    devices.Clear();
    for (const std::wstring& id : ids) devices.AddDevice(id);
    for (size_t i : problems) devices.SetProblem(ids[i], 28);
  }
};

// The devices that some INF of the pack serves, by a scan of all devices.
std::vector<size_t> ServedDevices(Machine& machine, const std::wstring& pack) {
  machine.Devices({});
  NullView view;
  CandidateTable rows;
  std::atomic<uint8_t> stop{0};
  ScanDriverPath(machine.services, view, pack, rows, stop);
  std::set<std::wstring> served;
  for (const CandidateRecord& candidate : rows.All()) served.insert(candidate.match.instance_id);
  std::vector<size_t> found;
  for (size_t i = 0; i < machine.ids.size(); ++i) {
    if (served.count(LowerText(machine.ids[i]))) found.push_back(i);
  }
  return found;
}

struct Timing {
  double plain_ms = 1e30;
  double unattended_ms = 1e30;
  double scan_ms = 1e30;
  size_t installs = 0;
  size_t candidates = 0;
};

Timing Measure(Machine& machine, const std::wstring& pack, const std::vector<size_t>& problems, int rounds) {
  Timing timing;
  for (int round = 0; round < rounds; ++round) {
    timing.plain_ms = std::min(timing.plain_ms, Milliseconds([&] {
      std::string bytes;
      WalkDriverFolder(machine.files, pack, nullptr,
                       [&](const WalkedFile& file) { machine.files.ReadFile(file.path, &bytes); });
    }));
    machine.Devices(problems);
    const size_t before = machine.installer.Installs().size();
    NullView view;
    std::atomic<uint8_t> stop{0};
    timing.unattended_ms = std::min(timing.unattended_ms, Milliseconds([&] {
      RunUnattended(machine.services, machine.facts, UnattendedRequest{L"2.0.3.2", pack, L"", L""}, view, stop);
    }));
    timing.installs = machine.installer.Installs().size() - before;
    machine.Devices({});
    CandidateTable rows;
    timing.scan_ms = std::min(timing.scan_ms, Milliseconds([&] {
      ScanDriverPath(machine.services, view, pack, rows, stop);
    }));
    timing.candidates = rows.Count();
  }
  return timing;
}

// The .7z pack: the INF files of the pack spread over `count` packages.
bool BuildPackages(Machine& machine, const std::wstring& pack, const std::wstring& packages, size_t count) {
  if (machine.files.DirectoryExists(packages)) return true;
  std::vector<WalkedFile> infs;
  WalkDriverFolder(machine.files, pack, nullptr, [&](const WalkedFile& file) {
    if (KindOfDriverFile(file.path) == DriverFileKind::kInf) infs.push_back(file);
  });
  machine.files.CreateDirectories(packages);
  for (size_t p = 0; p < count; ++p) {
    std::wstring names;
    for (size_t i = p; i < infs.size(); i += count) names += L" \"" + infs[i].relative + infs[i].name + L"\"";
    const std::wstring package = packages + L"\\pkg" + DecimalText(static_cast<int64_t>(p)) + L".7z";
    machine.archiver.RunAndWait(L"X:\\Tools\\7z.exe", L"a -mx=3 \"" + package + L"\"" + names, pack, kShowHidden,
                                machine.cancel);
    if (!machine.files.FileExists(package)) return false;
  }
  return true;
}

int Run(int argc, char** argv) {
  CorpusSettings settings;
  int rounds = 3;
  size_t package_count = 100;
  std::string dir;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--files" && i + 1 < argc) {
      settings.inf_count = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "--mb" && i + 1 < argc) {
      settings.total_bytes = std::strtoull(argv[++i], nullptr, 10) * 1000 * 1000;
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--packages" && i + 1 < argc) {
      package_count = std::max<size_t>(1, std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg == "--check") {
      check = true;
    } else {
      std::fprintf(stderr,
                   "usage: sources_bench [--files N] [--mb M] [--rounds R] [--dir PATH] [--packages N] [--check]\n");
      return 2;
    }
  }
  PosixFileSystem host;
  char temp_template[] = "/tmp/orvane-sources-bench-XXXXXX";
  if (!mkdtemp(temp_template)) return 2;
  const std::wstring temp = Utf8ToWide(temp_template);
  const std::wstring root = dir.empty() ? temp + L"/pack" : Utf8ToWide(dir);
  const std::wstring stamp = root + L"/settings.txt";
  const std::string wanted = std::to_string(settings.inf_count) + " " + std::to_string(settings.total_bytes) + " " +
                             std::to_string(package_count) + "\n";
  std::string had;
  CorpusSummary summary;
  if (!host.ReadFile(stamp, &had) || had != wanted) {
    host.DeleteTree(root);
    std::printf("building the pack in %s ...\n", WideToUtf8(root).c_str());
    if (!BuildCorpus(host, root, settings, &summary)) return 2;
    host.WriteFile(stamp, wanted);
  } else if (!BuildCorpus(host, temp + L"/devices-only", CorpusSettings{0, 0, settings.device_count, settings.seed},
                          &summary)) {
    return 2;  // the devices of a kept pack: the same seed gives the same machine
  }

  Machine machine(temp + L"/x", root, summary.device_list);
  const std::wstring pack = L"D:\\drivers";
  const std::vector<size_t> served = ServedDevices(machine, pack);
  std::vector<size_t> problems;
  for (size_t i = 0; i < served.size() && problems.size() < kServedProblemDevices; ++i) problems.push_back(served[i]);
  for (size_t i = 0; i < machine.ids.size() && problems.size() < kProblemDevices; ++i) {
    if (std::find(served.begin(), served.end(), i) == served.end()) problems.push_back(i);
  }
  size_t inf_files = 0;
  uint64_t pack_bytes = 0;
  WalkDriverFolder(machine.files, pack, nullptr, [&](const WalkedFile& file) {
    inf_files += KindOfDriverFile(file.path) == DriverFileKind::kInf ? 1 : 0;
    pack_bytes += static_cast<uint64_t>(std::max<int64_t>(0, machine.files.FileSize(file.path)));
  });
  std::printf("pack: %zu INF files, %.1f MB in all; %zu devices, %zu with a problem, %zu of them served by the pack\n",
              inf_files, static_cast<double>(pack_bytes) / 1e6, machine.ids.size(), problems.size(),
              std::min(served.size(), kServedProblemDevices));

  const Timing folder = Measure(machine, pack, problems, rounds);
  std::printf("\n%-34s %10s %8s\n", "folder pack", "ms", "ratio");
  std::printf("%-34s %10.1f %8s\n", "plain read of every file", folder.plain_ms, "1.00");
  std::printf("%-34s %10.1f %8.2f   (%zu installed)\n", "unattended run", folder.unattended_ms,
              folder.unattended_ms / folder.plain_ms, folder.installs);
  std::printf("%-34s %10.1f %8.2f   (%zu candidates)\n", "interactive scan", folder.scan_ms,
              folder.scan_ms / folder.plain_ms, folder.candidates);

  const std::wstring packages = L"D:\\packages";
  bool packed = BuildPackages(machine, pack, packages, package_count);
  if (packed) {
    double direct_ms = 1e30;
    for (int round = 0; round < rounds; ++round) {
      direct_ms = std::min(direct_ms, Milliseconds([&] {
        for (size_t p = 0; p < package_count; ++p) {
          const std::wstring out = L"X:\\direct";
          machine.archiver.RunAndWait(L"X:\\Tools\\7z.exe",
                                      L"x \"" + packages + L"\\pkg" + DecimalText(static_cast<int64_t>(p)) +
                                          L".7z\" -aoa -r -ssw *.inf -o\"" + out + L"\"",
                                      L"", kShowHidden, machine.cancel);
          machine.files.DeleteTree(out);
        }
      }));
    }
    const Timing seven = Measure(machine, packages, problems, rounds);
    std::printf("\n%-34s %10s %8s\n", "pack of .7z packages", "ms", "ratio");
    std::printf("%-34s %10.1f %8s\n", "7zz on each package directly", direct_ms, "1.00");
    std::printf("%-34s %10.1f %8.2f   (%zu installed)\n", "unattended run", seven.unattended_ms,
                seven.unattended_ms / direct_ms, seven.installs);
    std::printf("%-34s %10.1f %8.2f   (%zu candidates)\n", "interactive scan", seven.scan_ms,
                seven.scan_ms / direct_ms, seven.candidates);
  } else {
    std::printf("\nthe .7z packages could not be made (is 7zz on PATH?)\n");
  }

  host.DeleteTree(temp);
  if (!check) return 0;
  const bool ok = folder.unattended_ms <= 3.0 * folder.plain_ms && folder.scan_ms <= 2.5 * folder.plain_ms;
  std::printf("\ntargets (unattended <= 3x, scan <= 2.5x the plain read): %s\n", ok ? "met" : "MISSED");
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace bench
}  // namespace orvane

int main(int argc, char** argv) { return orvane::bench::Run(argc, argv); }
