// A real driver install under the running system's device installer: the
// unattended run installs the test package of tests/data/drivers/orvtest out
// of a .7z package, through the Windows command-line 7-Zip beside the test
// program, on a device the test creates. (The real program's import of a
// candidate out of a package: tests/e2e/driver_folder.sh.)
//
// What this cannot show under Wine: every device node reports problem 0
// there, so result 5 after an install comes only from a refused install; and
// there are no disks that could appear. The native tests cover both.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
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

const wchar_t kTestDevice[] = L"PCI\\ORVANE_UNATTENDED\\0000";

// A present device of class Net with the test package's hardware ID.
bool CreateTestDevice() {
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kNetClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  const std::wstring ids = std::wstring(kHardwareId) + L'\0' + L'\0';
  const bool made = SetupDiCreateDeviceInfoW(set, kTestDevice, &kNetClass, nullptr, nullptr, 0, &info) &&
                    SetupDiSetDeviceRegistryPropertyW(set, &info, SPDRP_HARDWAREID,
                                                      reinterpret_cast<const BYTE*>(ids.data()),
                                                      static_cast<DWORD>(ids.size() * sizeof(wchar_t))) &&
                    SetupDiRegisterDeviceInfo(set, &info, 0, nullptr, nullptr, nullptr);
  SetupDiDestroyDeviceInfoList(set);
  return made;
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

void RemoveTestDevice() {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  if (SetupDiOpenDeviceInfoW(set, kTestDevice, nullptr, 0, &info)) SetupDiCallClassInstaller(DIF_REMOVE, set, &info);
  SetupDiDestroyDeviceInfoList(set);
}

// The device, its service and its files go again after the tests, so that
// the system does not try to start the stand-in driver at later starts.
class WindowsDriverInstall : public testing::Test {
 protected:
  static void TearDownTestSuite() {
    RemoveTestDevice();
    ForgetEarlierInstalls();
  }
};

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

// The running system's devices, except that the test device reports problem
// 28 until it has a driver (under Wine every device reports that it works).
class ProblemUntilInstalled : public DeviceSource {
 public:
  bool ListPresent(std::vector<PresentDevice>* devices) override {
    if (!real_.ListPresent(devices)) return false;
    for (PresentDevice& device : *devices) {
      if (EqualsNoCase(device.instance_id, kTestDevice) && DeviceDriverValue(kTestDevice).empty()) device.problem = 28;
    }
    return true;
  }
  void Reenumerate() override { real_.Reenumerate(); }

 private:
  WindowsDeviceSource real_;
};

TEST_F(WindowsDriverInstall, TheUnattendedRunInstallsAProblemDevicesDriverOutOfA7zPackage) {
  // Everything of the running system, as the program itself uses it.
  WindowsRegistry registry;
  WindowsFileSystem files;
  WindowsSystemInfo system;
  ProblemUntilInstalled devices;
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
  WindowsFileFacts facts;
  RecordingView view;
  const std::wstring archiver_path = ArchiverPath(system.ProgramFolder());
  if (!FileThere(archiver_path)) GTEST_SKIP() << archiver_path << " is missing (scripts/install-toolchain provides it)";
  LoadUiTexts(0x0409);
  ForgetEarlierInstalls();
  RemoveTestDevice();  // a device of an earlier run has its driver
  ASSERT_TRUE(CreateTestDevice()) << GetLastError();
  // Refused installs: an unknown device, and an INF without a driver for the
  // device (found whatever the letter case): refused, not reported as done.
  const std::wstring inf = TestPackageFolder() + L"\\orvtest.inf";
  EXPECT_EQ(kInstallNoSuchDevice, installer.InstallDriverOnDevice(L"ROOT\\NO_SUCH_DEVICE\\0000", inf));
  EXPECT_EQ(kInstallNoSuchDevice, installer.InstallDriverOnDevice(L"", inf));
  EXPECT_EQ(kInstallDeviceProblem,
            installer.InstallDriverOnDevice(LowerText(kTestDevice), TestPackageFolder() + L"\\missing.inf"));

  // work\net\orvtest\ with the test driver, packed into work\drivers.7z.
  const std::wstring work = system.TempDirectory() + L"orvane-unattended-test";
  files.DeleteTree(work);
  files.CreateDirectories(work + L"\\net\\orvtest");
  for (const wchar_t* name : {L"orvtest.inf", L"orvtest.sys", L"orvtest.dll", L"orvdata.cab"}) {
    files.CopyFile(TestPackageFolder() + L"\\" + name, work + L"\\net\\orvtest\\" + name);
  }
  const std::wstring package = work + L"\\drivers.7z";
  archiver.RunAndWait(archiver_path, L"a -t7z \"" + package + L"\" net", work, kShowHidden, cancel);

  std::atomic<uint8_t> stop{0};
  EXPECT_EQ(kUnattendedAllWorking,
            RunUnattended(services, facts, UnattendedRequest{L"2.0.3.2", package, L"", L""}, view, stop));
  EXPECT_TRUE(EndsWith(view.log(),
                       L"\r\n\r\n-------------- Folder  ---------------------\r\nSearchfolder: " + package +
                           L"\r\n\r\nDecompress package... (drivers.7z)  please wait"
                           L"\r\nUnpacking completed, searching for drivers...\r\n"
                           L"\r\n Driver found ( Orvane Test Network Adapter )\r\nDecompress driver..., please wait"
                           L"\r\n( Orvane Test Network Adapter ) getting installed...\r\nInstallation successfull"
                           L"\r\nFinished searching.\r\n\r\nAll devices installed.\r\n\r\nProcess finished"))
      << view.log();
  // The device has its driver: the service, the files (one of them out of
  // the package's cabinet), and the unpack folder is gone.
  EXPECT_FALSE(DeviceDriverValue(kTestDevice).empty());
  HKEY service = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &service));
  if (service) RegCloseKey(service);
  for (const wchar_t* file : {L"\\drivers\\orvtest.sys", L"\\orvtest.dll", L"\\drivers\\orvtest.dat"}) {
    EXPECT_TRUE(FileThere(SystemDirectory() + file)) << file;
  }
  EXPECT_FALSE(FileThere(PackageUnpackFolder(system.TempDirectory())));
  files.DeleteTree(work);
}

}  // namespace
}  // namespace orvane
