// A Windows installed on a simulated machine's drive, as the discovery and
// the device scan see it: hive files (registered with the memory registry as
// .reg text whose keys lie below HIVE, and written to the drive so that they
// exist with a size), INF files in its inf folder, and the running system's
// present devices with their identifiers.
//
// The fixture in tests/data/installed_windows is the installation the
// end-to-end checks build as real hive files: a Windows 10 x64 that drives
// the Acme Gigabit Adapter (kAcmeInstanceId) with oem3.inf.
#pragma once

#include <string>

#include "devices/machine_fixture.h"
#include "platform/platform.h"
#include "registry/installation_discovery.h"
#include "registry/registry_access.h"
#include "support/simulated_machine.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace testing_support {

// First line of every .reg text.
inline const wchar_t kRegHeader[] = L"Windows Registry Editor Version 5.00\r\n\r\n";

// The fixture's network adapter as the running system lists it, and its
// hardware identifiers.
inline const wchar_t kAcmeInstanceId[] = L"PCI\\VEN_1234&DEV_5678&SUBSYS_00011234\\4&1A2B3C4D&0&00E0";
inline const wchar_t kAcmeHardwareIds[] = L"PCI\\VEN_1234&DEV_5678&SUBSYS_00011234\nPCI\\VEN_1234&DEV_5678";

// Hive files of the installation in windows_dir (its drive must be mapped).
// An empty text leaves that hive file out. False when a text cannot be read.
inline bool AddInstallation(SimulatedMachine& machine, const std::wstring& windows_dir,
                            const std::wstring& system_text, const std::wstring& software_text) {
  for (const auto& [file, text] : {std::make_pair(L"\\system32\\config\\SYSTEM", &system_text),
                                   std::make_pair(L"\\system32\\config\\Software", &software_text)}) {
    if (text->empty()) continue;
    const std::wstring path = windows_dir + file;
    if (!machine.registry.AddHiveFile(path, *text) || !machine.WriteFile(path, WideToUtf8(*text))) return false;
  }
  return true;
}

// The fixture's hives and inf\oem3.inf in windows_dir; its adapter's driver
// of that setup class.
inline bool AddFixtureInstallation(SimulatedMachine& machine, const std::wstring& windows_dir,
                                   const std::wstring& setup_class = L"Net") {
  return AddInstallation(machine, windows_dir,
                         ReplaceAll(ReadTestDataText("installed_windows/system.reg"), L"\"Class\"=\"Net\"",
                                    L"\"Class\"=\"" + setup_class + L"\""),
                         ReadTestDataText("installed_windows/software.reg")) &&
         machine.WriteFile(windows_dir + L"\\inf\\oem3.inf",
                           WideToUtf8(ReadTestDataText("installed_windows/inf/oem3.inf")));
}

// A present device of the running system, with its hardware identifiers
// (LF-joined) in its enum key.
inline void AddPresentDevice(SimulatedMachine& machine, const std::wstring& instance_id,
                             const std::wstring& hardware_ids) {
  WriteRegValue(machine.registry, L"hklm", L"SYSTEM\\CurrentControlSet\\Enum\\" + instance_id, L"HardwareID",
                kRegMultiSz, hardware_ids);
  machine.devices.AddDevice(instance_id);
}

// A WinPE 10 x64 on drive X: with English texts, the stage of every scenario.
inline void StartWinPe(SimulatedMachine& machine, const std::wstring& architecture = L"AMD64") {
  LoadUiTexts(0x0409);
  machine.AddDrive(L"X", kDriveFixed, L"Boot");
  machine.RunningSystem(L"X:\\Windows", architecture, L"10.0", L"19041");
}

// The machine as the discovery and the scan see it.
inline DiscoveryServices DiscoveryOf(SimulatedMachine& machine) {
  return DiscoveryServices{machine.registry, machine.files, machine.system, machine.storage, machine.file_facts};
}
inline Platform PlatformOf(SimulatedMachine& machine) {
  return Platform{machine.registry, machine.files, machine.system, machine.devices};
}

}  // namespace testing_support
}  // namespace orvane
