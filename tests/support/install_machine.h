// A simulated machine with everything an install reaches: the device
// installer on the machine's devices, an archiver that records its command
// lines (and does what the test tells it), a decompressor that copies, the
// component registration, a cancellation token, a log and a window.
//
//   InstallMachine machine;                       // WinPE 10.0 x64 on X:
//   machine.devices.AddDevice(kTestDevice, 28);
//   machine.AddTestDriver(L"X:\\Drivers");
//   InstallCandidateFor(caller, machine.services, machine.view, machine.Profile(), TestDriverCandidate());
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/driver_rows.h"
#include "devices/machine_fixture.h"
#include "install/install_services.h"
#include "platform/memory/memory_component_registration.h"
#include "platform/memory/memory_device_installer.h"
#include "support/recording_view.h"
#include "support/simulated_machine.h"
#include "text/ui_texts.h"

namespace orvane {

// The device the test driver (tests/data/drivers/orvtest) serves in the scenarios.
inline const wchar_t kTestDevice[] = L"PCI\\VEN_8086&DEV_15B8\\3&0&FE";

// A candidate of the test driver for kTestDevice from X:\Drivers\orvtest.inf;
// packaged, from X:\Packages\drivers.zip, whose net\orvtest\ holds it, as the
// search found it unpacked into X:\orvane_dps.
inline CandidateRecord TestDriverCandidate(bool packaged = false) {
  CandidateRecord candidate;
  candidate.match.description = L"Orvane Test Network Adapter";
  candidate.match.instance_id = L"pci\\ven_8086&dev_15b8\\3&0&fe";
  candidate.match.matched_id = L"orvane\\orvtest_net";
  candidate.match.install_section = L"orvtest_install.NT";
  candidate.match.models_decoration = L".NTamd64";
  candidate.match.setup_class = L"Net";
  candidate.inf_path = L"X:\\Drivers\\orvtest.inf";
  if (packaged) {
    candidate.package_path = L"X:\\Packages\\drivers.zip";
    candidate.unpack_folder = L"X:\\orvane_dps";
    candidate.subfolder = L"net\\orvtest\\";
    candidate.inf_path = L"X:\\orvane_dps\\net\\orvtest\\orvtest.inf";
  }
  return candidate;
}

// Copies the file as it is: the scenarios hold no compressed files.
class CopyingDecompressor : public Decompressor {
 public:
  explicit CopyingDecompressor(FileSystem& files) : files_(files) {}
  bool DecompressOrCopy(const std::wstring& from, const std::wstring& to) override {
    return files_.CopyFile(from, to);
  }

 private:
  FileSystem& files_;
};

class RecordingArchiver : public Archiver {
 public:
  struct Call {
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int show_mode = -1;
  };
  // Runs for each call, for example to unpack files or to wait for a cancel.
  std::function<void(const Call&, CancellationToken&)> on_run;
  std::vector<Call> calls;

  uint32_t RunAndWait(const std::wstring& file, const std::wstring& parameters, const std::wstring& directory,
                      int show_mode, CancellationToken& token) override {
    calls.push_back(Call{file, parameters, directory, show_mode});
    if (on_run) on_run(calls.back(), token);
    return 0;
  }
};

class InstallMachine : public SimulatedMachine {
 public:
  MemoryDeviceInstaller installer{devices};
  RecordingArchiver archiver;
  CopyingDecompressor decompressor{files};
  MemoryComponentRegistration components;
  CancellationToken cancel;
  InstallLog log;
  RecordingView view;
  InstallServices services{registry, files, system, devices,    storage, storage, clock,
                           decompressor, components, installer, archiver, cancel, log};

  // WinPE of that version on X: (RAM drive) with English texts, the program
  // and its archiver in X:\Tools, the log open.
  explicit InstallMachine(const std::wstring& version = L"10.0", const std::wstring& architecture = L"AMD64",
                          const std::wstring& product_type = L"1") {
    LoadUiTexts(0x0409);
    AddDrive(L"X", kDriveRamDisk, L"Boot");
    RunningSystem(L"X:\\Windows", architecture, version, version == L"10.0" ? L"19041" : L"2600", L"0409",
                  product_type);
    system.program_folder = L"X:\\Tools\\";
    WriteFile(L"X:\\Tools\\7z.exe", "archiver placeholder");
    log.Open(files, system.TempDirectory());
  }

  SystemProfile Profile() { return ReadRunningProfile(registry, system); }

  // The files of the test driver into folder.
  void AddTestDriver(const std::wstring& folder) {
    for (const char* name : {"orvtest.inf", "orvtest.sys", "orvtest.dll", "orvdata.cab"}) {
      WriteFile(folder + L"\\" + Utf8ToWide(name), TestDataBytes(std::string("drivers/orvtest/") + name));
    }
  }
  // The INF of every install so far, in order.
  std::vector<std::wstring> InstalledInfs() const {
    std::vector<std::wstring> infs;
    for (const auto& install : installer.Installs()) infs.push_back(install.inf_path);
    return infs;
  }

  std::string LogBytes() {
    std::string bytes;
    files.ReadFile(L"X:\\Orvane.log", &bytes);
    return bytes;
  }
};

}  // namespace orvane
