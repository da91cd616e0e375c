// A whole machine for scenario tests off a real one: the running system's
// registry and devices in memory, drive letters that are folders of a
// scratch area on the host, disks and volumes, executable facts, system
// facts and a clock that does not wait.
//
//   SimulatedMachine machine;
//   machine.AddDrive(L"X", kDriveFixed, L"WinPE");       // X:\ is a folder
//   machine.RunningSystem(L"X:\\Windows", L"AMD64", L"10.0", L"19041");
//   machine.WriteFile(L"D:\\Windows\\inf\\oem1.inf", bytes);
//   ... run the code with machine.registry, machine.files, ...
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/memory/drive_mapped_file_system.h"
#include "platform/memory/memory_clock.h"
#include "platform/memory/memory_devices.h"
#include "platform/memory/memory_file_facts.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_storage.h"
#include "platform/memory/memory_system_info.h"
#include "registry/registry_access.h"
#include "support/scratch_folder.h"
#include "text/text_helpers.h"

namespace orvane {

class SimulatedMachine {
 public:
  ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.files()};
  MemoryRegistry registry;
  MemoryDeviceSource devices;
  MemoryStorage storage;
  MemoryFileFacts file_facts;
  MemorySystemInfo system;
  MemoryClock clock;

  // Drive letter ("D") as an empty folder of the scratch area, with its
  // type and volume label. Returns the host folder.
  std::wstring AddDrive(const std::wstring& letter, uint32_t type = kDriveFixed, const std::wstring& label = L"") {
    const std::wstring folder = scratch / (L"drive-" + letter.substr(0, 1));
    scratch.files().CreateDirectories(folder);
    files.MapDrive(letter, folder);
    storage.AddDrive(letter, type, label);
    return folder;
  }

  // Writes a file on a mapped drive, creating the folders above it.
  bool WriteFile(const std::wstring& path, const std::string& bytes) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) files.CreateDirectories(path.substr(0, slash));
    return files.WriteFile(path, bytes);
  }

  // Every file and folder below a folder of the scratch area ("drive-D" for
  // drive D:, "" for all drives): a file's size and a hash of its bytes, or
  // "<folder>". Links are listed, not entered.
  std::map<std::wstring, std::string> Snapshot(const std::wstring& folder = L"") {
    std::map<std::wstring, std::string> found;
    std::vector<DirEntry> entries;
    FileSystem& host = scratch.files();
    host.ListDirectory(folder.empty() ? scratch.path() : scratch / folder, &entries);
    for (const DirEntry& entry : entries) {
      const std::wstring path = folder.empty() ? entry.name : folder + host.Separator() + entry.name;
      if (entry.is_directory && !entry.is_link) {
        found[path] = "<folder>";
        for (const auto& inner : Snapshot(path)) found.insert(inner);
        continue;
      }
      std::string bytes;
      host.ReadFile(scratch / path, &bytes);
      found[path] = std::to_string(bytes.size()) + " " + std::to_string(std::hash<std::string>()(bytes));
    }
    return found;
  }

  // The running system: Windows directory (its drive must be mapped for
  // files to exist there), architecture, version ("10.0" or "6.1": the
  // registry values are written as such a system keeps them), build,
  // language and product type.
  void RunningSystem(const std::wstring& windows_dir, const std::wstring& architecture,
                     const std::wstring& version, const std::wstring& build, const std::wstring& language = L"0409",
                     const std::wstring& product_type = L"1") {
    system.SetEnvironment(L"windir", windows_dir);
    system.product_type = product_type;
    system.temp_directory = windows_dir.substr(0, 2) + L"\\Windows\\TEMP\\";
    const std::wstring current = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    WriteRegValue(registry, L"hklm", L"System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                  L"PROCESSOR_ARCHITECTURE", kRegSz, architecture);
    if (version == L"10.0") {
      WriteRegValue(registry, L"hklm", current, L"CurrentMajorVersionNumber", kRegDword, L"10");
      WriteRegValue(registry, L"hklm", current, L"CurrentMinorVersionNumber", kRegDword, L"0");
      WriteRegValue(registry, L"hklm", current, L"CurrentVersion", kRegSz, L"6.3");
    } else {
      WriteRegValue(registry, L"hklm", current, L"CurrentVersion", kRegSz, version);
    }
    WriteRegValue(registry, L"hklm", current, L"CurrentBuild", kRegSz, build);
    WriteRegValue(registry, L"hklm", L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", kRegSz,
                  windows_dir.substr(0, 2) + L"\\Program Files");
    WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\control\\Nls\\Language", L"Default", kRegSz,
                  language);
    WriteRegValue(registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Control", L"SystemStartOptions", kRegSz,
                  L" MININT");
  }
};

}  // namespace orvane
