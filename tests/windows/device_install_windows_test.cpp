// A real driver install under the running system's device installer: the
// test package of tests/data/drivers/orvtest on a device the test creates,
// and the install of a candidate out of .zip and .7z packages through the
// Windows command-line 7-Zip beside the test program.
//
// What this cannot show under Wine: every device node reports problem 0
// there, so result 5 after an install comes only from a refused install; and
// there are no disks that could appear. The native tests cover both.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "app/cancellation.h"
#include "install/install_candidate.h"
#include "platform/system_clock.h"
#include "platform/windows/windows_archiver.h"
#include "platform/windows/windows_component_registration.h"
#include "platform/windows/windows_decompressor.h"
#include "platform/windows/windows_device_installer.h"
#include "platform/windows/windows_devices.h"
#include "platform/windows/windows_disks.h"
#include "platform/windows/windows_drives.h"
#include "platform/windows/windows_file_facts.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_registry.h"
#include "platform/windows/windows_system_info.h"
#include "registry/registry_access.h"
#include "sources/unattended_run.h"
#include "support/recording_view.h"
#include "text/text_helpers.h"
#include "text/ui_texts.h"

namespace orvane {
namespace {

const wchar_t kHardwareId[] = L"ORVANE\\ORVTEST_NET";
const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\OrvTest";
const GUID kNetClass = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::wstring SystemDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  GetSystemDirectoryW(buffer, MAX_PATH);
  return buffer;
}

std::wstring TestPackageFolder() {
  return ReplaceAll(Utf8ToWide(ORVANE_TEST_DATA_DIR), L"/", L"\\") + L"\\drivers\\orvtest";
}

// A present device of class Net with the test package's hardware ID (the
// same one on every run: it stays in the system once made).
std::wstring CreateTestDevice(const std::wstring& name, const std::wstring& enumerator = L"ROOT") {
  const std::wstring id = enumerator + L"\\" + name + L"\\0000";
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kNetClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return L"";
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  if (SetupDiCreateDeviceInfoW(set, id.c_str(), &kNetClass, nullptr, nullptr, 0, &info)) {
    std::wstring ids = std::wstring(kHardwareId) + L'\0' + L'\0';
    SetupDiSetDeviceRegistryPropertyW(set, &info, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids.data()),
                                      static_cast<DWORD>(ids.size() * sizeof(wchar_t)));
    if (!SetupDiRegisterDeviceInfo(set, &info, 0, nullptr, nullptr, nullptr)) {
      SetupDiDestroyDeviceInfoList(set);
      return L"";
    }
  } else if (GetLastError() != ERROR_DEVINST_ALREADY_EXISTS) {
    SetupDiDestroyDeviceInfoList(set);
    return L"";
  }
  SetupDiDestroyDeviceInfoList(set);
  return id;
}

std::wstring DeviceDriverValue(const std::wstring& id) {
  WindowsRegistry registry;
  return ReadRegValue(registry, nullptr, L"hklm", L"SYSTEM\\CurrentControlSet\\Enum\\" + id, L"Driver");
}

void ForgetEarlierInstalls() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
  DeleteFileW((SystemDirectory() + L"\\drivers\\orvtest.sys").c_str());
  DeleteFileW((SystemDirectory() + L"\\drivers\\orvtest.dat").c_str());
  DeleteFileW((SystemDirectory() + L"\\orvtest.dll").c_str());
}

bool FileThere(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTestDevice(const std::wstring& id) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  if (SetupDiOpenDeviceInfoW(set, id.c_str(), nullptr, 0, &info)) SetupDiCallClassInstaller(DIF_REMOVE, set, &info);
  SetupDiDestroyDeviceInfoList(set);
}

// The device, its service and its files go again after the tests, so that
// the system does not try to start the stand-in driver at later starts.
class WindowsDriverInstall : public testing::Test {
 protected:
  static void TearDownTestSuite() {
    RemoveTestDevice(L"ROOT\\ORVANE_TEST_NET\\0000");
    ForgetEarlierInstalls();
  }
};

TEST_F(WindowsDriverInstall, InstallsTheTestPackageOnACreatedDevice) {
  ForgetEarlierInstalls();
  const std::wstring id = CreateTestDevice(L"ORVANE_TEST_NET");
  ASSERT_FALSE(id.empty()) << GetLastError();
  const std::wstring inf = TestPackageFolder() + L"\\orvtest.inf";
  ASSERT_TRUE(FileThere(inf)) << inf;

  WindowsDeviceInstaller installer;
  // Letter case does not matter.
  EXPECT_EQ(kInstallOk, installer.InstallDriverOnDevice(LowerText(id), inf));
  HKEY service = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &service));
  if (service) RegCloseKey(service);
  EXPECT_TRUE(FileThere(SystemDirectory() + L"\\drivers\\orvtest.sys"));
  EXPECT_TRUE(FileThere(SystemDirectory() + L"\\orvtest.dll"));
  EXPECT_TRUE(FileThere(SystemDirectory() + L"\\drivers\\orvtest.dat")) << "the file held in the cabinet";
  EXPECT_FALSE(DeviceDriverValue(id).empty());
}

TEST_F(WindowsDriverInstall, UnknownDevicesAndInfsWithoutADriverFail) {
  const std::wstring id = CreateTestDevice(L"ORVANE_TEST_NET");
  ASSERT_FALSE(id.empty());
  WindowsDeviceInstaller installer;
  EXPECT_EQ(kInstallNoSuchDevice,
            installer.InstallDriverOnDevice(L"ROOT\\NO_SUCH_DEVICE\\0000", TestPackageFolder() + L"\\orvtest.inf"));
  EXPECT_EQ(kInstallNoSuchDevice, installer.InstallDriverOnDevice(L"", TestPackageFolder() + L"\\orvtest.inf"));
  // No driver for the device: the install is refused instead of reported
  // as done.
  EXPECT_EQ(kInstallDeviceProblem, installer.InstallDriverOnDevice(id, TestPackageFolder() + L"\\missing.inf"));
}

TEST(WindowsDisks, AnswersWithoutRealDisks) {
  WindowsDisks disks;
  std::vector<std::wstring> list;
  EXPECT_TRUE(disks.ListDiskDrives(&list));
  EXPECT_TRUE(disks.ListVolumeDevices(&list));
  std::vector<DiskInterface> interfaces;
  EXPECT_TRUE(disks.ListDiskInterfaces(&interfaces));
  EXPECT_EQ(-1, disks.StorageDeviceNumber(L"\\\\.\\orvane-no-such-device"));
  // The temporary name the volume lookup uses is defined and removed again
  // (Wine accepts the definition of a name that is no drive letter but does
  // not keep it, so only its removal is checked).
  const std::wstring target = disks.QueryDosDevice(L"C:");
  ASSERT_FALSE(target.empty());
  disks.DefineDosDevice(kDefineRawTargetPath, L"orvanevol", target);
  disks.DefineDosDevice(kDefineRawTargetPath | kRemoveDefinition, L"orvanevol", target);
  EXPECT_EQ(L"", disks.QueryDosDevice(L"orvanevol"));
}

// Everything of the running system, as the program itself uses it.
struct WindowsInstall {
  WindowsRegistry registry;
  WindowsFileSystem files;
  WindowsSystemInfo system;
  WindowsDeviceSource devices;
  WindowsDrives drives;
  WindowsDisks disks;
  SystemClock clock;
  WindowsDecompressor decompressor;
  WindowsComponentRegistration components;
  WindowsDeviceInstaller installer;
  WindowsArchiver archiver;
  CancellationToken cancel;
  InstallLog log;
  InstallServices services{registry,     files,      system,    devices,  drives, disks, clock,
                           decompressor, components, installer, archiver, cancel, log};
  RecordingView view;
};

// work\net\orvtest\ with the test driver, packed into work\drivers.<type>.
std::wstring PackTestDriver(WindowsInstall& install, const std::wstring& work, const std::wstring& type) {
  install.files.CreateDirectories(work + L"\\net\\orvtest");
  for (const wchar_t* name : {L"orvtest.inf", L"orvtest.sys", L"orvtest.dll", L"orvdata.cab"}) {
    install.files.CopyFile(TestPackageFolder() + L"\\" + name, work + L"\\net\\orvtest\\" + name);
  }
  const std::wstring package = work + L"\\drivers." + type;
  install.archiver.RunAndWait(ArchiverPath(install.system.ProgramFolder()),
                              L"a -t" + type + L" \"" + package + L"\" net", work, kShowHidden, install.cancel);
  return package;
}

TEST_F(WindowsDriverInstall, InstallsACandidateFromZipAnd7zPackagesThroughTheArchiver) {
  WindowsInstall install;
  const std::wstring archiver = ArchiverPath(install.system.ProgramFolder());
  if (!FileThere(archiver)) GTEST_SKIP() << archiver << " is missing (scripts/install-toolchain provides it)";
  LoadUiTexts(0x0409);
  const std::wstring id = CreateTestDevice(L"ORVANE_TEST_NET");
  ASSERT_FALSE(id.empty());

  const std::wstring work = install.system.TempDirectory() + L"orvane-archiver-test";
  install.files.DeleteTree(work);
  const std::wstring unpack = PackageUnpackFolder(install.system.TempDirectory());
  for (const std::wstring type : {L"zip", L"7z"}) {
    SCOPED_TRACE(type);
    ForgetEarlierInstalls();
    const std::wstring package = PackTestDriver(install, work, type);
    ASSERT_TRUE(FileThere(package));

    CandidateRecord candidate;
    candidate.match.description = L"Orvane Test Network Adapter";
    candidate.match.instance_id = LowerText(id);
    candidate.match.install_section = L"orvtest_install.NT";
    candidate.match.setup_class = L"Net";
    candidate.package_path = package;
    candidate.unpack_folder = unpack;
    candidate.subfolder = L"net\\orvtest\\";
    candidate.inf_path = unpack + L"\\net\\orvtest\\orvtest.inf";
    const SystemProfile target = ReadRunningProfile(install.registry, install.system);
    EXPECT_EQ(kInstallOk, InstallCandidate(install.services, install.view, target, CandidateText(candidate)));
    EXPECT_TRUE(FileThere(unpack + L"\\net\\orvtest\\orvtest.sys"));
    EXPECT_TRUE(FileThere(SystemDirectory() + L"\\drivers\\orvtest.sys"));
    EXPECT_TRUE(EndsWith(install.view.log(), L"\r\nInstallation successfull"));
    install.files.DeleteTree(unpack);
  }
  // A package the archiver cannot read unpacks nothing: the install fails.
  ASSERT_TRUE(install.files.WriteFile(work + L"\\broken.zip", "PK\x03\x04 not a package"));
  CandidateRecord broken;
  broken.match.description = L"Broken";
  broken.match.instance_id = id;
  broken.package_path = work + L"\\broken.zip";
  broken.unpack_folder = unpack;
  broken.subfolder = L"net\\orvtest\\";
  broken.inf_path = unpack + L"\\net\\orvtest\\orvtest.inf";
  EXPECT_EQ(kCandidateUnusable,
            InstallCandidate(install.services, install.view, ReadRunningProfile(install.registry, install.system),
                             CandidateText(broken)));
  install.files.DeleteTree(unpack);
  install.files.DeleteTree(work);
}

// The running system's devices, except that the test device reports problem
// 28 until it has a driver (under Wine every device reports that it works).
class ProblemUntilInstalled : public DeviceSource {
 public:
  explicit ProblemUntilInstalled(std::wstring id) : id_(std::move(id)) {}
  bool ListPresent(std::vector<PresentDevice>* devices) override {
    if (!real_.ListPresent(devices)) return false;
    for (PresentDevice& device : *devices) {
      if (EqualsNoCase(device.instance_id, id_) && DeviceDriverValue(id_).empty()) device.problem = 28;
    }
    return true;
  }
  void Reenumerate() override { real_.Reenumerate(); }

 private:
  WindowsDeviceSource real_;
  std::wstring id_;
};

TEST_F(WindowsDriverInstall, TheUnattendedRunInstallsAProblemDevicesDriverOutOfA7zPackage) {
  WindowsInstall install;
  const std::wstring archiver = ArchiverPath(install.system.ProgramFolder());
  if (!FileThere(archiver)) GTEST_SKIP() << archiver << " is missing (scripts/install-toolchain provides it)";
  LoadUiTexts(0x0409);
  ForgetEarlierInstalls();
  RemoveTestDevice(L"PCI\\ORVANE_UNATTENDED\\0000");  // a device of an earlier run has its driver
  const std::wstring id = CreateTestDevice(L"ORVANE_UNATTENDED", L"PCI");
  ASSERT_FALSE(id.empty());
  const std::wstring work = install.system.TempDirectory() + L"orvane-unattended-test";
  install.files.DeleteTree(work);
  const std::wstring package = PackTestDriver(install, work, L"7z");

  ProblemUntilInstalled devices(id);
  WindowsFileFacts facts;
  const InstallServices& s = install.services;
  InstallServices services{s.registry,   s.files,      s.system,     devices,  s.drives, s.disks, s.clock,
                           s.decompressor, s.components, s.installer, s.archiver, s.cancel, s.log};
  std::atomic<uint8_t> stop{0};
  EXPECT_EQ(kUnattendedAllWorking,
            RunUnattended(services, facts, UnattendedRequest{L"2.0.3.2", package, L"", L""}, install.view, stop));
  EXPECT_TRUE(EndsWith(install.view.log(),
                       L"\r\n\r\n-------------- Folder  ---------------------\r\nSearchfolder: " + package +
                           L"\r\n\r\nDecompress package... (drivers.7z)  please wait"
                           L"\r\nUnpacking completed, searching for drivers...\r\n"
                           L"\r\n Driver found ( Orvane Test Network Adapter )\r\nDecompress driver..., please wait"
                           L"\r\n( Orvane Test Network Adapter ) getting installed...\r\nInstallation successfull"
                           L"\r\nFinished searching.\r\n\r\nAll devices installed.\r\n\r\nProcess finished"))
      << install.view.log();
  EXPECT_FALSE(DeviceDriverValue(id).empty());
  EXPECT_TRUE(FileThere(SystemDirectory() + L"\\drivers\\orvtest.sys"));
  EXPECT_FALSE(FileThere(PackageUnpackFolder(install.system.TempDirectory())));
  RemoveTestDevice(id);
  install.files.DeleteTree(work);
}

}  // namespace
}  // namespace orvane
