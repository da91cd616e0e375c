// The library loader against the real system. (The running system's profile,
// its present devices and their hardware IDs, read through the Windows device
// source and registry: tests/e2e/installed_windows.sh, whose page 2 lists the
// adapter the probe registers under the target line "WinPE: Win * 64 Bit".)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/system_library.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

using namespace std::string_literals;

std::wstring ModulePath(HMODULE module) {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

TEST(SystemLibraryTest, LoadsFromTheSystemFolderOnly) {
  std::wstring system_folder = SystemFolderPath(L"");
  ASSERT_FALSE(system_folder.empty());
  SystemLibrary setupapi(L"setupapi.dll");
  ASSERT_TRUE(setupapi.loaded());
  EXPECT_TRUE(EqualsNoCase(FolderOf(ModulePath(setupapi.module())), system_folder)) << ModulePath(setupapi.module());
  EXPECT_NE(setupapi.Find("SetupDiGetClassDevsW"), nullptr);
  // Names with a folder part are refused, even when they point into the system folder.
  for (const std::wstring& name :
       {std::wstring(), L".\\setupapi.dll"s, system_folder + L"setupapi.dll", L"no-such-library.dll"s})
    EXPECT_FALSE(SystemLibrary(name).loaded()) << name;

  // Nor a library next to the program.
  std::wstring copy = FolderOf(ModulePath(nullptr)) + L"orvane_probe_lib.dll";
  ASSERT_TRUE(CopyFileW(SystemFolderPath(L"version.dll").c_str(), copy.c_str(), FALSE));
  HMODULE plain = LoadLibraryW(L"orvane_probe_lib.dll");
  if (plain == nullptr) {
    DeleteFileW(copy.c_str());
    GTEST_SKIP() << "this loader does not load the copied library at all";
  }
  FreeLibrary(plain);
  // The ordinary search finds the copy in the program's folder; the loader
  // for system libraries must not.
  EXPECT_FALSE(SystemLibrary(L"orvane_probe_lib.dll").loaded());
  DeleteFileW(copy.c_str());
}

}  // namespace
}  // namespace orvane
