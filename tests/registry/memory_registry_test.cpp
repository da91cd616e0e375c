// The in-memory registry's own features that the fixtures and the hive tests
// lean on: deletions and refusals of the .reg import, and hive files that load
// and unload as the system's do. (The value forms of the import, and the
// contents of hive files, are read back by every test that loads a machine.)
#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/machine_fixture.h"
#include "registry/registry_access.h"

namespace orvane {
namespace {

const std::wstring kHeader = L"Windows Registry Editor Version 5.00\r\n\r\n";

// A read as "text#status".
std::wstring Get(MemoryRegistry& registry, const std::wstring& path, const std::wstring& name,
                 const std::wstring& root = L"hklm") {
  RegStatus status = 9;
  const std::wstring text = ReadRegValue(registry, &status, root, path, name);
  return text + L"#" + std::to_wstring(status);
}

TEST(RegImportTest, DeletionsOfKeysAndValues) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.ImportRegText(kHeader + L"[HKEY_LOCAL_MACHINE\\SYSTEM\\A\\B\\C]\r\n\"v\"=\"1\"\r\n"
                                               L"[HKEY_LOCAL_MACHINE\\SYSTEM\\A]\r\n\"keep\"=\"1\"\r\n\"drop\"=\"1\"\r\n"));
  ASSERT_TRUE(registry.ImportRegText(kHeader + L"[-HKEY_LOCAL_MACHINE\\SYSTEM\\A\\B]\r\n"
                                               L"[HKEY_LOCAL_MACHINE\\system\\a]\r\n\"DROP\"=-\r\n"
                                               L"[-HKEY_LOCAL_MACHINE\\SYSTEM\\NotThere]\r\n"));
  EXPECT_EQ(Get(registry, L"SYSTEM\\A\\B\\C", L"v"), L"#1");
  EXPECT_EQ(Get(registry, L"SYSTEM\\A\\B", L""), L"#1");
  EXPECT_EQ(Get(registry, L"SYSTEM\\A", L"keep"), L"1#0");
  EXPECT_EQ(Get(registry, L"SYSTEM\\A", L"drop"), L"#2");
}

TEST(RegImportTest, UnreadableTextIsRejectedWhole) {
  const std::wstring good = L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Partial]\r\n\"a\"=\"1\"\r\n";
  const std::wstring key = L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n";
  for (const std::wstring& bad : {
           key + L"\"b\"=dword:123456789\r\n", key + L"\"b\"=hex:0g\r\n",
           key + L"\"b\"=hex:01,\\",  // ends mid-list
           key + L"\"unclosed=\"1\"\r\n", key + L"\"b\"=\"1\" junk\r\n", key + L"\"b\"=qword:1\r\n",
           std::wstring(L"[HKEY_NOWHERE\\X]\r\n"), std::wstring(L"[-HKEY_LOCAL_MACHINE]\r\n"),
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X\r\n")}) {
    MemoryRegistry registry;
    EXPECT_FALSE(registry.ImportRegText(kHeader + good + bad)) << testing::PrintToString(bad);
    EXPECT_EQ(Get(registry, L"SOFTWARE\\Partial", L"a"), L"#1") << "applied: " << testing::PrintToString(bad);
  }
  MemoryRegistry registry;
  EXPECT_FALSE(registry.ImportRegText(good)) << "no header";
  EXPECT_FALSE(registry.ImportRegText(L"REGEDIT5\r\n" + good));
  EXPECT_FALSE(registry.ImportRegText(L""));
  EXPECT_FALSE(registry.ImportRegText(kHeader + L"\"orphan\"=\"before any key\"\r\n"));
  EXPECT_TRUE(registry.ImportRegText(kHeader)) << "a header alone is valid";
}

TEST(HiveFileTest, MountReadWriteUnloadAndReload) {
  MemoryRegistry registry;
  const std::wstring file = L"D:\\Windows\\system32\\config\\SYSTEM";
  ASSERT_TRUE(registry.AddHiveFile(file, testing_support::ReadTestDataText("registry/offline_system_hive.reg")));
  EXPECT_EQ(registry.LoadHive(L"X_System", file), 1314) << "restore privilege not enabled";
  ASSERT_TRUE(registry.SetPrivilege(L"SeRestorePrivilege", true));
  ASSERT_EQ(registry.LoadHive(L"X_System", L"d:\\windows\\SYSTEM32\\config\\system"), kRegOk)
      << "file names ignore case";

  EXPECT_EQ(Get(registry, L"X_System\\ControlSet001\\Control\\Nls\\Language", L"Default"), L"0407#0");

  // The name is taken, the file in use, a name an ordinary key's.
  ASSERT_TRUE(registry.AddHiveFile(L"E:\\SOFTWARE", kHeader));
  EXPECT_NE(registry.LoadHive(L"X_System", file), kRegOk);
  EXPECT_NE(registry.LoadHive(L"X_Other", file), kRegOk);
  EXPECT_NE(registry.LoadHive(L"x_system", L"E:\\SOFTWARE"), kRegOk);
  EXPECT_NE(registry.LoadHive(L"SOFTWARE", L"E:\\SOFTWARE"), kRegOk);

  ASSERT_EQ(WriteRegValue(registry, L"hklm", L"X_System\\Select", L"Written", kRegSz, L"kept"), 0);
  // An open key below the mount point keeps the hive loaded.
  Registry::Key key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, L"X_System\\Select", kKeyRead, &key), kRegOk);
  EXPECT_NE(registry.UnloadHive(L"X_System"), kRegOk);
  registry.CloseKey(key);
  EXPECT_EQ(registry.UnloadHive(L"x_SYSTEM"), kRegOk);
  EXPECT_EQ(Get(registry, L"X_System\\Select", L"Current"), L"#1");

  // Mounted again, under another name: the changes went into the file.
  ASSERT_EQ(registry.LoadHive(L"Again", file), kRegOk);
  EXPECT_EQ(Get(registry, L"Again\\Select", L"Written"), L"kept#0");
  EXPECT_EQ(registry.UnloadHive(L"Again"), kRegOk);
}

}  // namespace
}  // namespace orvane
