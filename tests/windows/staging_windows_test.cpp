// The Windows decompressor and component registration against the real
// system libraries, and the attribute clearing of the copy step.
#include <windows.h>

#include <gtest/gtest.h>

#include "inf/inf_test_support.h"
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
    const std::wstring path = scratch_.path() + L"\\" + name;
    EXPECT_TRUE(files_.WriteFile(path, bytes));
    return path;
  }

  WindowsFileSystem files_;
  ScratchFolder scratch_;
  WindowsDecompressor decompressor_;
};

TEST_F(StagingWindowsTest, SetupLibraryExpandsCabinetsAndLzFilesAndCopiesTheRest) {
  const struct {
    const char* data;
    const char* expanded;
  } cases[] = {
      {"staging/drv.sy_", "CABINET PAYLOAD OF DRV\r\n"},
      {"staging/lzdrv.sy_", "LZ PAYLOAD OF LZDRV lzlzlzlzlzlzlzlzlzlzlz\r\n"},
      {"staging/both.sys", "PLAIN BOTH\r\n"},
  };
  for (const auto& c : cases) {
    const std::wstring from = Put(L"in.bin", inf_test::ReadDataFile(c.data));
    const std::wstring to = scratch_.path() + L"\\out.bin";
    EXPECT_TRUE(decompressor_.DecompressOrCopy(from, to)) << c.data;
    std::string bytes;
    EXPECT_TRUE(files_.ReadFile(to, &bytes));
    EXPECT_EQ(bytes, c.expanded) << c.data;
  }
  EXPECT_FALSE(decompressor_.DecompressOrCopy(scratch_.path() + L"\\missing.sys",
                                              scratch_.path() + L"\\x.sys"));
}

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
