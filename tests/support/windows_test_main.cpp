// Entry of the test programs in the Windows builds, which are linked for
// wide-character start-up: the arguments arrive as UTF-16.
#ifdef _WIN32
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
#endif
