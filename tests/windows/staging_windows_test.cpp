// The attribute clearing of the copy step and the component registration
// against the real system. (The portable copy test runs here with the
// system's setup library as its decompressor.)
#include <windows.h>

#include <gtest/gtest.h>

#include "install/staging.h"
#include "platform/windows/windows_component_registration.h"
#include "platform/windows/windows_decompressor.h"
#include "platform/windows/windows_file_system.h"
#include "support/scratch_folder.h"

namespace orvane {
namespace {

class StagingWindowsTest : public ::testing::Test {
 protected:
  std::wstring Put(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = scratch_ / name;
    EXPECT_TRUE(files_.WriteFile(path, bytes));
    return path;
  }

  WindowsFileSystem files_;
  ScratchFolder scratch_;
  WindowsDecompressor decompressor_;
};

TEST_F(StagingWindowsTest, CopiedCatalogsLoseReadOnlyAndSystemOtherFilesOnlyReadOnly) {
  const std::wstring cat = Put(L"a.cat", "catalog");
  const std::wstring sys = Put(L"a.sys", "driver");
  const DWORD locked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(SetFileAttributesW(cat.c_str(), locked));
  ASSERT_TRUE(SetFileAttributesW(sys.c_str(), locked));
  const std::wstring out = scratch_.path() + L"\\out\\";
  CopyStagedFiles(files_, decompressor_, {{cat, out + L"b.CAT"}, {sys, out + L"b.sys"}});
  EXPECT_EQ(GetFileAttributesW((out + L"b.CAT").c_str()) & locked, 0u);
  EXPECT_EQ(GetFileAttributesW((out + L"b.sys").c_str()) & locked,
            static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
}

TEST(ComponentRegistrationWindows, NeedsASystemLibraryWithARegistrationEntry) {
  WindowsComponentRegistration components;
  EXPECT_FALSE(components.RegisterServer(L"kernel32.dll"));  // no DllRegisterServer
  EXPECT_FALSE(components.RegisterServer(L"orvane-no-such-library.dll"));
  EXPECT_FALSE(components.RegisterServer(L"..\\system32\\netcfgx.dll"));  // not a plain name
}

}  // namespace
}  // namespace orvane
