// Benchmark of the device scan of an installed Windows: the registry walk
// and the whole scan (mount, walk, unload, INF matching) over a simulated
// installation whose device tree grows, with the same present devices.
//
//   scan_bench [--instances 2000,20000] [--present 300] [--rounds 3] [--check]
//
// For every size it prints the registry operations (key opens, value
// queries, subkey enumerations, hive loads and unloads) and the time of the
// walk and of the whole scan, best of the rounds; and, for comparison, the
// operations a lookup that enumerates the installation's whole device tree
// for every present device would make. --check: exit status 1 when the
// scan's registry operations grow from the smallest to the largest
// installation, or its time more than doubles.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/window_view.h"
#include "devices/offline_scan.h"
#include "platform/memory/counting_registry.h"
#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system_info.h"
#include "platform/posix/posix_file_system.h"
#include "registry/registry_access.h"
#include "text/text_helpers.h"
#include "null_view.h"

namespace orvane {
namespace bench {
namespace {

const wchar_t kNetClass[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
const size_t kDevicesPerInf = 30;

std::wstring Hex4(size_t value) {
  wchar_t buffer[8];
  std::swprintf(buffer, 8, L"%04X", static_cast<unsigned>(value & 0xFFFF));
  return buffer;
}

std::wstring PresentDevice(size_t i) { return L"PCI\\VEN_BE00&DEV_" + Hex4(i); }

// The SYSTEM hive: the present devices' instances with their drivers, and
// the rest of the instances under other devices of several enumerators.
std::wstring SystemHiveText(size_t instances, size_t present) {
  std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n[HIVE\\Select]\r\n\"Current\"=dword:00000001\r\n";
  const std::wstring set = L"[HIVE\\ControlSet001";
  text += set + L"\\Control\\Session Manager\\Environment]\r\n\"PROCESSOR_ARCHITECTURE\"=\"AMD64\"\r\n";
  text += set + L"\\Control\\Class\\" + kNetClass + L"]\r\n\"Class\"=\"Net\"\r\n";
  for (size_t inf = 0; inf * kDevicesPerInf < present; ++inf) {
    text += set + L"\\Control\\Class\\" + kNetClass + L"\\" + Hex4(inf) + L"]\r\n\"InfPath\"=\"oem" +
            std::to_wstring(inf) + L".inf\"\r\n\"InfSection\"=\"Bench_Install\"\r\n\"InfSectionExt\"=\".NTamd64\"\r\n";
    text += L"[HIVE\\DriverDatabase\\DriverInfFiles\\oem" + std::to_wstring(inf) + L".inf]\r\n\"Active\"=\"bench" +
            std::to_wstring(inf) + L".inf_amd64_0\"\r\n";
  }
  const std::wstring net_driver = std::wstring(L"\"Driver\"=\"") + kNetClass + L"\\\\";
  for (size_t i = 0; i < present; ++i) {
    text += set + L"\\Enum\\" + PresentDevice(i) + L"\\4&1&0&" + std::to_wstring(i) + L"]\r\n\"ConfigFlags\"=dword:00000000\r\n" +
            net_driver + Hex4(i / kDevicesPerInf) + L"\"\r\n\"DeviceDesc\"=\"@oem.inf,%d%;Bench Adapter " +
            std::to_wstring(i) + L"\"\r\n";
  }
  const wchar_t* const enumerators[] = {L"PCI", L"USB", L"HDAUDIO", L"ACPI", L"SWD", L"ROOT", L"STORAGE", L"HID"};
  for (size_t i = 0; i + present < instances; ++i) {
    const size_t device = i / 2;  // two instances each
    text += set + L"\\Enum\\" + enumerators[device % 8] + L"\\DEV_" + std::to_wstring(device) + L"\\" +
            std::to_wstring(i % 2) + L"&" + std::to_wstring(i) + L"]\r\n\"ConfigFlags\"=dword:00000000\r\n" + net_driver +
            L"0000\"\r\n\"DeviceDesc\"=\"Other " + std::to_wstring(i) + L"\"\r\n";
  }
  return text;
}

std::string InfText(size_t inf, size_t present) {
  std::string text =
      "[Version]\nSignature=\"$WINDOWS NT$\"\nClass=Net\nDriverVer=01/01/2024,1.0.0.0\n"
      "[Manufacturer]\n%Mfg%=Bench,NTamd64\n[Bench.NTamd64]\n";
  for (size_t i = inf * kDevicesPerInf; i < std::min(present, (inf + 1) * kDevicesPerInf); ++i) {
    text += "%Dev" + std::to_string(i) + "%=Bench_Install,PCI\\VEN_BE00&DEV_" + WideToUtf8(Hex4(i)) + "\n";
  }
  text += "[Bench_Install.NTamd64]\nCopyFiles=Bench_Files\n[Bench_Files]\nbench.sys\n[Strings]\nMfg=\"Bench\"\n";
  for (size_t i = inf * kDevicesPerInf; i < std::min(present, (inf + 1) * kDevicesPerInf); ++i) {
    text += "Dev" + std::to_string(i) + "=\"Bench Adapter " + std::to_string(i) + "\"\n";
  }
  return text;
}

// The lookup that finds a device key by enumerating every enumerator and
// device of the installation's tree: its registry operations, for comparison.
size_t EnumeratingLookupOperations(Registry& registry, const std::wstring& system_root,
                                   const std::vector<std::wstring>& present) {
  CountingRegistry counting(registry);
  const std::wstring enum_root = system_root + L"\\Enum";
  for (const std::wstring& id : present) {
    const std::wstring prefix = LowerText(id.substr(0, FindNth(id, L"\\", 2)));
    bool found = false;
    for (int32_t e = 1; !found; ++e) {
      RegStatus status = 0;
      const std::wstring enumerator = EnumRegSubKey(counting, &status, L"HKLM", enum_root, e);
      if (status != 0) break;
      for (int32_t d = 1; !found; ++d) {
        const std::wstring device = EnumRegSubKey(counting, &status, L"HKLM", enum_root + L"\\" + enumerator, d);
        if (status != 0) break;
        found = LowerText(enumerator + L"\\" + device + L"\\") == prefix;
      }
    }
  }
  return counting.total();
}

struct Result {
  size_t instances = 0;
  size_t records = 0;
  size_t items = 0;
  size_t walk_operations = 0;
  double walk_ms = 1e30;
  size_t scan_operations = 0;
  double scan_ms = 1e30;
  size_t enumerating_operations = 0;
};

double Milliseconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

Result Measure(size_t instances, size_t present, int rounds, const std::wstring& folder) {
  Result result;
  result.instances = instances;
  MemoryRegistry registry;
  MemorySystemInfo system;
  system.SetEnvironment(L"windir", L"X:\\Windows");
  system.temp_directory = L"/tmp/";
  system.program_folder = L"/tmp/";
  MemoryDeviceSource devices;
  PosixFileSystem files;

  // The running system: a WinPE 10 x64 whose present devices the installation knows.
  const std::wstring current = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  WriteRegValue(registry, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                L"PROCESSOR_ARCHITECTURE", kRegSz, L"AMD64");
  WriteRegValue(registry, L"hklm", current, L"CurrentMajorVersionNumber", kRegDword, L"10");
  WriteRegValue(registry, L"hklm", current, L"CurrentMinorVersionNumber", kRegDword, L"0");
  WriteRegValue(registry, L"hklm", current, L"CurrentBuild", kRegSz, L"19041");
  std::vector<std::wstring> present_ids;
  for (size_t i = 0; i < present; ++i) {
    const std::wstring id = PresentDevice(i) + L"\\3&" + std::to_wstring(i);
    WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Enum\\" + id, L"HardwareID", kRegMultiSz,
                  PresentDevice(i));
    devices.AddDevice(id);
    present_ids.push_back(id);
  }

  // The installation: its hives and INF files.
  const std::wstring windows_dir = folder + L"/Windows";
  files.CreateDirectories(windows_dir + L"/inf");
  for (size_t inf = 0; inf * kDevicesPerInf < present; ++inf) {
    files.WriteFile(windows_dir + L"/inf/oem" + std::to_wstring(inf) + L".inf", InfText(inf, present));
  }
  if (!registry.AddHiveFile(windows_dir + L"\\system32\\config\\SYSTEM", SystemHiveText(instances, present)) ||
      !registry.AddHiveFile(windows_dir + L"\\system32\\config\\Software",
                            L"Windows Registry Editor Version 5.00\r\n\r\n[HIVE\\Microsoft]\r\n")) {
    std::fprintf(stderr, "scan_bench: the simulated hives could not be made\n");
    std::exit(2);
  }

  for (int round = 0; round < rounds; ++round) {
    {
      MountedInstallation mount(registry, system, windows_dir);
      CountingRegistry counting(registry);
      std::vector<DeviceRecord> records;
      const double ms = Milliseconds(
          [&] { records = ReadInstalledDevices(counting, mount.profile().system_root, present_ids); });
      result.walk_ms = std::min(result.walk_ms, ms);
      result.walk_operations = counting.total();
      result.records = records.size();
      if (round == 0) {
        result.enumerating_operations =
            EnumeratingLookupOperations(registry, mount.profile().system_root, present_ids);
      }
    }
    CountingRegistry counting(registry);
    Platform platform{counting, files, system, devices};
    NullView view;
    DeviceScanTable table;
    const double ms = Milliseconds([&] { ScanInstalledDevices(platform, view, windows_dir, table); });
    result.scan_ms = std::min(result.scan_ms, ms);
    result.scan_operations = counting.total();
    result.items = view.items;
  }
  return result;
}

std::vector<size_t> ParseSizes(const std::string& text) {
  std::vector<size_t> sizes;
  for (const std::wstring& piece : SplitText(Utf8ToWide(text), L",")) {
    const int64_t value = ReadInteger(piece);
    if (value > 0) sizes.push_back(static_cast<size_t>(value));
  }
  return sizes;
}

int Run(int argc, char** argv) {
  std::vector<size_t> sizes = {2000, 20000};
  size_t present = 300;
  int rounds = 3;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--instances" && i + 1 < argc) {
      sizes = ParseSizes(argv[++i]);
    } else if (arg == "--present" && i + 1 < argc) {
      present = static_cast<size_t>(std::max(1, std::atoi(argv[++i])));
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--check") {
      check = true;
    } else {
      std::fprintf(stderr, "usage: scan_bench [--instances N,N...] [--present N] [--rounds R] [--check]\n");
      return 2;
    }
  }
  if (sizes.empty()) return 2;
  char folder_template[] = "/tmp/orvane-scan-bench-XXXXXX";
  if (!mkdtemp(folder_template)) return 2;
  const std::wstring folder = Utf8ToWide(folder_template);

  std::printf("%10s %8s %8s %6s | %10s %9s | %10s %9s | %16s\n", "instances", "present", "records", "items",
              "walk ops", "walk ms", "scan ops", "scan ms", "enumerating ops");
  std::vector<Result> results;
  for (size_t instances : sizes) {
    const Result r = Measure(std::max(instances, present), present, rounds, folder);
    std::printf("%10zu %8zu %8zu %6zu | %10zu %9.2f | %10zu %9.2f | %16zu\n", r.instances, present, r.records, r.items,
                r.walk_operations, r.walk_ms, r.scan_operations, r.scan_ms, r.enumerating_operations);
    results.push_back(r);
  }
  PosixFileSystem().DeleteTree(folder);

  if (!check || results.size() < 2) return 0;
  const Result& small = results.front();
  const Result& large = results.back();
  const bool flat_operations = large.scan_operations <= small.scan_operations;
  const bool flat_time = large.scan_ms <= small.scan_ms * 2.0 + 5.0;
  std::printf("operations %s, time %s\n", flat_operations ? "flat" : "GROW", flat_time ? "flat" : "GROWS");
  return flat_operations && flat_time ? 0 : 1;
}

}  // namespace
}  // namespace bench
}  // namespace orvane

int main(int argc, char** argv) { return orvane::bench::Run(argc, argv); }
