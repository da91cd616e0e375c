// A real driver install by the running system's device installer: the test
// package of tests/data/drivers/orvtest on a device the test creates, and
// the installs it refuses; the attribute clearing of the copy step and the
// component registration. (The unattended run over these parts is the one
// over the in-memory ones in tests/sources/driver_sources_test.cpp; the real
// program's install out of a .7z package: tests/e2e/driver_folder.sh.)
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>

#include "install/staging.h"
#include "platform/windows/system_library.h"
#include "platform/windows/windows_component_registration.h"
#include "platform/windows/windows_decompressor.h"
#include "platform/windows/windows_device_installer.h"
#include "platform/windows/windows_file_system.h"
#include "platform/windows/windows_registry.h"
#include "registry/registry_access.h"
#include "support/scratch_folder.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

const wchar_t kTestDevice[] = L"PCI\\ORVANE_INSTALL\\0000";
const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\OrvTest";
const wchar_t* const kDriverFiles[] = {L"drivers\\orvtest.sys", L"orvtest.dll", L"drivers\\orvtest.dat"};

// A present device of class Net with the test package's hardware ID.
bool CreateTestDevice() {
  const GUID net = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
  HDEVINFO set = SetupDiCreateDeviceInfoList(&net, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  const std::wstring ids = std::wstring(L"ORVANE\\ORVTEST_NET") + L'\0' + L'\0';
  const bool made =
      SetupDiCreateDeviceInfoW(set, kTestDevice, &net, nullptr, nullptr, 0, &info) &&
      SetupDiSetDeviceRegistryPropertyW(set, &info, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids.data()),
                                        static_cast<DWORD>(ids.size() * sizeof(wchar_t))) &&
      SetupDiRegisterDeviceInfo(set, &info, 0, nullptr, nullptr, nullptr);
  SetupDiDestroyDeviceInfoList(set);
  return made;
}

// The device, its service and its files, also of an earlier run.
void RemoveTestDeviceAndDriver() {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set != INVALID_HANDLE_VALUE) {
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (SetupDiOpenDeviceInfoW(set, kTestDevice, nullptr, 0, &info)) SetupDiCallClassInstaller(DIF_REMOVE, set, &info);
    SetupDiDestroyDeviceInfoList(set);
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
  for (const wchar_t* file : kDriverFiles) DeleteFileW(SystemFolderPath(file).c_str());
}

std::wstring DeviceDriverValue() {
  WindowsRegistry registry;
  return ReadRegValue(registry, nullptr, L"hklm", L"SYSTEM\\CurrentControlSet\\Enum\\" + std::wstring(kTestDevice),
                      L"Driver");
}

// Everything goes again after the test, so that the system does not try to
// start the stand-in driver at later starts.
class WindowsDriverInstall : public testing::Test {
 protected:
  static void TearDownTestSuite() { RemoveTestDeviceAndDriver(); }
};

TEST_F(WindowsDriverInstall, InstallsTheTestDriverOnItsDeviceAndRefusesWhatDoesNotFit) {
  RemoveTestDeviceAndDriver();
  ASSERT_TRUE(CreateTestDevice()) << GetLastError();
  ScratchFolder package;
  const std::wstring source = ReplaceAll(Utf8ToWide(ORVANE_TEST_DATA_DIR), L"/", L"\\") + L"\\drivers\\orvtest\\";
  for (const wchar_t* name : {L"orvtest.inf", L"orvtest.sys", L"orvtest.dll", L"orvdata.cab"})
    ASSERT_TRUE(package.files().CopyFile(source + name, package / name)) << name;
  const std::wstring inf = package / L"orvtest.inf";
  WindowsDeviceInstaller installer;
  // An unknown device, and an INF without a driver for the device (found
  // whatever the letter case): refused, not reported as done.
  EXPECT_EQ(kInstallNoSuchDevice, installer.InstallDriverOnDevice(L"ROOT\\NO_SUCH_DEVICE\\0000", inf));
  EXPECT_EQ(kInstallNoSuchDevice, installer.InstallDriverOnDevice(L"", inf));
  EXPECT_EQ(kInstallDeviceProblem, installer.InstallDriverOnDevice(LowerText(kTestDevice), package / L"missing.inf"));
  EXPECT_EQ(L"", DeviceDriverValue());

  // The device gets its driver: the service and the files, one of them out
  // of the package's cabinet.
  EXPECT_EQ(kInstallOk, installer.InstallDriverOnDevice(LowerText(kTestDevice), inf));
  EXPECT_NE(L"", DeviceDriverValue());
  HKEY service = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &service));
  if (service) RegCloseKey(service);
  for (const wchar_t* file : kDriverFiles)
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(SystemFolderPath(file).c_str())) << file;
}

TEST(StagingWindows, CopiedCatalogsLoseReadOnlyAndSystemOtherFilesOnlyReadOnly) {
  WindowsFileSystem files;
  WindowsDecompressor decompressor;
  ScratchFolder scratch;
  const DWORD locked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  for (const wchar_t* name : {L"a.cat", L"a.sys"}) {
    ASSERT_TRUE(files.WriteFile(scratch / name, "bytes"));
    ASSERT_TRUE(SetFileAttributesW((scratch / name).c_str(), locked));
  }
  const std::wstring out = scratch / L"out\\";
  CopyStagedFiles(files, decompressor, {{scratch / L"a.cat", out + L"b.CAT"}, {scratch / L"a.sys", out + L"b.sys"}});
  EXPECT_EQ(GetFileAttributesW((out + L"b.CAT").c_str()) & locked, 0u);
  EXPECT_EQ(GetFileAttributesW((out + L"b.sys").c_str()) & locked, static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
}

TEST(ComponentRegistrationWindows, NeedsASystemLibraryWithARegistrationEntry) {
  WindowsComponentRegistration components;
  EXPECT_FALSE(components.RegisterServer(L"kernel32.dll"));  // no DllRegisterServer
  EXPECT_FALSE(components.RegisterServer(L"orvane-no-such-library.dll"));
  EXPECT_FALSE(components.RegisterServer(L"..\\system32\\netcfgx.dll"));  // not a plain name
}

}  // namespace
}  // namespace orvane
