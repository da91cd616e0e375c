// Class icons from the running system's own files.
#include "ui/class_icon.h"

#include <gtest/gtest.h>

#include "support/win32_test_support.h"

namespace orvane {
namespace {

TEST(ClassIconTest, ExtractsOneSmallIconOrNone) {
  wchar_t windows[MAX_PATH + 1] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  HICON icon = ClassIcon(L"System", windows);
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), win32_test::IconWidth(icon));
  DestroyIcon(icon);
  EXPECT_EQ(nullptr, ClassIcon(L"System", L"Q:\\NoWindowsHere"));
}

}  // namespace
}  // namespace orvane
