// A simulated machine with everything an install reaches: the device
// installer on the machine's devices, an archiver that records its command
// lines (and does what the test tells it), a decompressor that copies, the
// component registration, a cancellation token, a log and a window.
//
//   InstallMachine machine;                       // WinPE 10.0 x64 on X:
//   machine.devices.AddDevice(L"PCI\\VEN_1\\0", 28);
//   InstallCandidate(machine.services, machine.view, machine.Profile(), text);
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "install/install_services.h"
#include "platform/memory/memory_component_registration.h"
#include "platform/memory/memory_device_installer.h"
#include "support/recording_view.h"
#include "support/simulated_machine.h"

namespace orvane {

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

  // WinPE of that version on X: (RAM drive), the program and its archiver
  // in X:\Tools, the log open.
  explicit InstallMachine(const std::wstring& version = L"10.0", const std::wstring& architecture = L"AMD64",
                          const std::wstring& product_type = L"1") {
    AddDrive(L"X", kDriveRamDisk, L"Boot");
    RunningSystem(L"X:\\Windows", architecture, version, version == L"10.0" ? L"19041" : L"2600", L"0409",
                  product_type);
    system.program_folder = L"X:\\Tools\\";
    WriteFile(L"X:\\Tools\\7z.exe", "archiver placeholder");
    log.Open(files, system.TempDirectory());
  }

  SystemProfile Profile() { return ReadRunningProfile(registry, system); }

  std::string LogBytes() {
    std::string bytes;
    files.ReadFile(L"X:\\Orvane.log", &bytes);
    return bytes;
  }
};

}  // namespace orvane
