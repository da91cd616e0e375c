// Class icons from the running system's own files.
#include "ui/class_icon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/win32_test_support.h"

namespace orvane {
namespace {

std::wstring WindowsFolder() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  const UINT length = GetWindowsDirectoryW(buffer.data(), MAX_PATH);
  return std::wstring(buffer.data(), length);
}

TEST(ClassIconTest, ExtractsOneSmallIconOrNone) {
  HICON icon = ClassIcon(L"System", WindowsFolder());
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), win32_test::IconWidth(icon));
  DestroyIcon(icon);
  EXPECT_EQ(nullptr, ClassIcon(L"System", L"Q:\\NoWindowsHere"));
}

}  // namespace
}  // namespace orvane
