// The in-memory registry's own features: .reg import, hive files, sharing.
#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "devices/machine_fixture.h"
#include "registry/registry_access.h"

namespace orvane {
namespace {

const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00\r\n\r\n";

std::wstring Read(MemoryRegistry& registry, const std::wstring& path, const std::wstring& name,
                  int* status = nullptr) {
  RegStatus byte = 9;
  std::wstring text = ReadRegValue(registry, &byte, L"hklm", path, name);
  if (status != nullptr) *status = byte;
  return text;
}

std::vector<uint8_t> Raw(MemoryRegistry& registry, const std::wstring& path,
                         const std::wstring& name, uint32_t* type) {
  std::vector<uint8_t> data;
  EXPECT_TRUE(registry.GetRaw(kHkeyLocalMachine, path, name, type, &data));
  return data;
}

TEST(RegImportTest, ValuesOfEveryForm) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.ImportRegText(
      std::wstring(kHeader) +
      L"; a comment\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
      L"@=\"the default\"\r\n"
      L"\"Quoted \\\"name\\\"\"=\"C:\\\\Windows\\\\ says \\\"hi\\\" \\n\"\r\n"
      L"\"Count\"=dword:0000001f\r\n"
      L"  \"Negative\" = dword:FFFFFFFF   ; trailing comment\r\n"
      L"\"Bytes\"=hex:00,0f,A0\r\n"
      L"\"Empty\"=hex:\r\n"
      L"\"Expand\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,\\\r\n"
      L"  00,5c,00,78,00,00,00\r\n"
      L"\"List\"=hex(7):61,00,00,00,e4,00,62,00,00,00,00,00\r\n"
      L"\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      L"\"Nothing\"=hex(0):\r\n"));
  const std::wstring key = L"SOFTWARE\\Test";
  int status = -1;
  EXPECT_EQ(Read(registry, key, L"", &status), L"the default");
  EXPECT_EQ(status, 0);
  // Only \\ and \" are escapes; any other backslash stays.
  EXPECT_EQ(Read(registry, key, L"Quoted \"name\""), L"C:\\Windows\\ says \"hi\" \\n");
  EXPECT_EQ(Read(registry, key, L"Count"), L"31");
  EXPECT_EQ(Read(registry, key, L"Negative"), L"-1");
  EXPECT_EQ(Read(registry, key, L"Bytes"), L"000FA0");
  EXPECT_EQ(Read(registry, key, L"Empty", &status), L"");
  EXPECT_EQ(status, 0);

  uint32_t type = 0;
  EXPECT_EQ(Raw(registry, key, L"Expand", &type), RegStringBytes(L"%SystemRoot%\\x"));
  EXPECT_EQ(type, kRegExpandSz);
  EXPECT_EQ(Read(registry, key, L"Expand"), L"%SystemRoot%\\x");
  EXPECT_EQ(Read(registry, key, L"List"), L"a\n\u00e4b");
  EXPECT_EQ(Raw(registry, key, L"Quad", &type).size(), 8u);
  EXPECT_EQ(type, kRegQword);
  EXPECT_EQ(Read(registry, key, L"Quad", &status), L"");
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(Raw(registry, key, L"Nothing", &type).empty());
  EXPECT_EQ(type, kRegNone);
}

TEST(RegImportTest, DeletionsOfKeysAndValues) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.ImportRegText(std::wstring(kHeader) +
                                     L"[HKEY_LOCAL_MACHINE\\SYSTEM\\A\\B\\C]\r\n\"v\"=\"1\"\r\n"
                                     L"[HKEY_LOCAL_MACHINE\\SYSTEM\\A]\r\n\"keep\"=\"1\"\r\n\"drop\"=\"1\"\r\n"));
  ASSERT_TRUE(registry.ImportRegText(std::wstring(kHeader) +
                                     L"[-HKEY_LOCAL_MACHINE\\SYSTEM\\A\\B]\r\n"
                                     L"[HKEY_LOCAL_MACHINE\\system\\a]\r\n\"DROP\"=-\r\n"
                                     L"[-HKEY_LOCAL_MACHINE\\SYSTEM\\NotThere]\r\n"));
  int status = -1;
  Read(registry, L"SYSTEM\\A\\B\\C", L"v", &status);
  EXPECT_EQ(status, 1);
  Read(registry, L"SYSTEM\\A\\B", L"", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Read(registry, L"SYSTEM\\A", L"keep"), L"1");
  Read(registry, L"SYSTEM\\A", L"drop", &status);
  EXPECT_EQ(status, 2);
}

TEST(RegImportTest, Regedit4StoresEightBitHexStringsAsUnicode) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.ImportRegText(
      L"REGEDIT4\n\n[HKEY_CURRENT_USER\\Old]\n\"Name\"=\"plain\"\n"
      L"\"Path\"=hex(2):25,77,69,6e,64,69,72,25,5c,e4,00\n"
      L"\"Multi\"=hex(7):61,00,62,63,00,00\n"));
  RegStatus status = 9;
  EXPECT_EQ(ReadRegValue(registry, &status, L"hkcu", L"Old", L"Name"), L"plain");
  EXPECT_EQ(ReadRegValue(registry, &status, L"hkcu", L"Old", L"Path"), L"%windir%\\\u00e4");
  EXPECT_EQ(ReadRegValue(registry, &status, L"hkcu", L"Old", L"Multi"), L"a\nbc");
}

TEST(RegImportTest, ShortRootNamesByteOrderMarkAndClassesRoot) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.ImportRegText(L"\uFEFFWindows Registry Editor Version 5.00\n"
                                     L"[HKLM\\SOFTWARE\\Short]\n\"a\"=\"1\"\n"
                                     L"[HKEY_CLASSES_ROOT\\.inf]\n@=\"inffile\"\n"
                                     L"[HKU\\.DEFAULT\\Env]\n"));
  EXPECT_EQ(Read(registry, L"SOFTWARE\\Short", L"a"), L"1");
  // The classes root is the machine's class registration.
  EXPECT_EQ(Read(registry, L"SOFTWARE\\Classes\\.inf", L""), L"inffile");
  RegStatus status = 9;
  EXPECT_EQ(ReadRegValue(registry, &status, L"hkcr", L".inf", L""), L"inffile");
  EXPECT_EQ(EnumRegSubKey(registry, &status, L"hku", L".DEFAULT", 1), L"Env");
}

TEST(RegImportTest, UnreadableTextIsRejectedWhole) {
  const std::wstring good = L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Partial]\r\n\"a\"=\"1\"\r\n";
  for (const std::wstring& bad : {
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"b\"=dword:123456789\r\n"),
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"b\"=hex:0g\r\n"),
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"b\"=hex:01,\\"),  // ends mid-list
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"unclosed=\"1\"\r\n"),
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"b\"=\"1\" junk\r\n"),
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"b\"=qword:1\r\n"),
           std::wstring(L"[HKEY_NOWHERE\\X]\r\n"),
           std::wstring(L"[-HKEY_LOCAL_MACHINE]\r\n"),
           std::wstring(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X\r\n"),
       }) {
    MemoryRegistry registry;
    EXPECT_FALSE(registry.ImportRegText(std::wstring(kHeader) + good + bad))
        << testing::PrintToString(bad);
    int status = -1;
    Read(registry, L"SOFTWARE\\Partial", L"a", &status);
    EXPECT_EQ(status, 1) << "nothing applied for " << testing::PrintToString(bad);
  }
  MemoryRegistry registry;
  EXPECT_FALSE(registry.ImportRegText(good)) << "no header";
  EXPECT_FALSE(registry.ImportRegText(L"REGEDIT5\r\n" + good));
  EXPECT_FALSE(registry.ImportRegText(L""));
  EXPECT_FALSE(registry.ImportRegText(std::wstring(kHeader) + L"\"orphan\"=\"before any key\"\r\n"));
  EXPECT_TRUE(registry.ImportRegText(kHeader)) << "a header alone is valid";
}

TEST(HiveFileTest, MountReadWriteUnloadAndReload) {
  MemoryRegistry registry;
  const std::wstring file = L"D:\\Windows\\system32\\config\\SYSTEM";
  ASSERT_TRUE(registry.AddHiveFile(
      file, testing_support::ReadTestDataText("registry/offline_system_hive.reg")));

  EXPECT_EQ(registry.LoadHive(L"X_System", file), 1314) << "restore privilege not enabled";
  ASSERT_TRUE(registry.SetPrivilege(L"SeRestorePrivilege", true));
  ASSERT_EQ(registry.LoadHive(L"X_System", L"d:\\windows\\SYSTEM32\\config\\system"), kRegOk)
      << "file names ignore case";

  EXPECT_EQ(Read(registry, L"X_System\\Select", L"Current"), L"1");
  EXPECT_EQ(Read(registry, L"X_System\\ControlSet001\\Control\\Nls\\Language", L"Default"), L"0407");
  EXPECT_EQ(Read(registry, L"X_System\\ControlSet001\\Control\\Session Manager\\Environment", L"Path"),
            L"%SystemRoot%\\system32");
  EXPECT_EQ(Read(registry, L"X_System\\ControlSet001\\Services\\storahci", L"Owners"), L"mshdc.inf");
  RegStatus status = 9;
  EXPECT_EQ(EnumRegSubKey(registry, &status, L"hklm", L"X_System", 3), L"Select");
  EXPECT_EQ(EnumRegSubKey(registry, &status, L"hklm", L"", 1), L"SOFTWARE");
  EXPECT_EQ(EnumRegSubKey(registry, &status, L"hklm", L"", 2), L"X_System");

  // The name is taken, and the file is in use.
  EXPECT_NE(registry.LoadHive(L"X_System", file), kRegOk);
  EXPECT_NE(registry.LoadHive(L"X_Other", file), kRegOk);
  ASSERT_TRUE(registry.AddHiveFile(L"E:\\SOFTWARE", kHeader));
  EXPECT_NE(registry.LoadHive(L"x_system", L"E:\\SOFTWARE"), kRegOk);
  EXPECT_NE(registry.LoadHive(L"SOFTWARE", L"E:\\SOFTWARE"), kRegOk) << "an ordinary key's name";
  EXPECT_NE(registry.LoadHive(L"X_Software", L"E:\\missing"), kRegOk);
  EXPECT_FALSE(registry.AddHiveFile(file, kHeader)) << "replacing a mounted file";

  ASSERT_EQ(WriteRegValue(registry, L"hklm", L"X_System\\Select", L"Written", kRegSz, L"kept"), 0);

  // An open key below the mount point keeps the hive loaded.
  Registry::Key key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, L"X_System\\Select", kKeyRead, &key), kRegOk);
  EXPECT_NE(registry.UnloadHive(L"X_System"), kRegOk);
  registry.CloseKey(key);

  EXPECT_EQ(registry.UnloadHive(L"x_SYSTEM"), kRegOk);
  int read_status = -1;
  Read(registry, L"X_System\\Select", L"Current", &read_status);
  EXPECT_EQ(read_status, 1);
  EXPECT_NE(registry.UnloadHive(L"X_System"), kRegOk) << "nothing loaded any more";

  // Mounted again, under another name: the changes went into the file.
  ASSERT_EQ(registry.LoadHive(L"Again", file), kRegOk);
  EXPECT_EQ(Read(registry, L"Again\\Select", L"Written"), L"kept");
  EXPECT_EQ(registry.UnloadHive(L"Again"), kRegOk);
  EXPECT_TRUE(registry.SetPrivilege(L"SeRestorePrivilege", false));
  EXPECT_EQ(registry.LoadHive(L"Again", file), 1314);
}

TEST(HiveFileTest, HiveTextUsesThePlaceholderRootOnly) {
  MemoryRegistry registry;
  EXPECT_FALSE(registry.AddHiveFile(L"F:\\bad", std::wstring(kHeader) +
                                                    L"[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n"));
  EXPECT_FALSE(registry.AddHiveFile(L"F:\\bad", L"not reg text"));
  ASSERT_TRUE(registry.AddHiveFile(L"F:\\root",
                                   std::wstring(kHeader) + L"[HIVE]\r\n\"AtRoot\"=\"yes\"\r\n"));
  ASSERT_TRUE(registry.SetPrivilege(L"SeRestorePrivilege", true));
  ASSERT_EQ(registry.LoadHive(L"H", L"F:\\root"), kRegOk);
  EXPECT_EQ(Read(registry, L"H", L"AtRoot"), L"yes");
  EXPECT_NE(registry.LoadHive(L"a\\b", L"F:\\root"), kRegOk);
}

TEST(MemoryRegistryTest, DeletedKeyHandlesStopWorking) {
  MemoryRegistry registry;
  ASSERT_EQ(WriteRegValue(registry, L"hklm", L"SOFTWARE\\Gone\\Sub", L"v", kRegSz, L"x"), 0);
  Registry::Key key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, L"SOFTWARE\\Gone\\Sub", kKeyAllAccess, &key),
            kRegOk);
  ASSERT_TRUE(registry.ImportRegText(std::wstring(kHeader) + L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\r\n"));
  uint32_t type = 0;
  uint32_t size = 0;
  EXPECT_NE(registry.QueryValue(key, L"v", &type, &size, nullptr), kRegOk);
  const uint8_t data[] = {0, 0};
  EXPECT_NE(registry.SetValue(key, L"w", kRegSz, data, 2), kRegOk);
  registry.CloseKey(key);
  EXPECT_NE(registry.QueryValue(key, L"v", &type, &size, nullptr), kRegOk) << "closed handle";
}

TEST(MemoryRegistryTest, WorkersShareOneInstance) {
  MemoryRegistry registry;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&registry, t] {
      const std::wstring path = L"SOFTWARE\\Shared\\T" + std::to_wstring(t);
      for (int i = 0; i < 300; ++i) {
        WriteRegValue(registry, L"hklm", path, L"n", kRegDword, std::to_wstring(i));
        RegStatus status = 9;
        if (ReadRegValue(registry, &status, L"hklm", path, L"n") != std::to_wstring(i)) return;
        EnumRegSubKey(registry, &status, L"hklm", L"SOFTWARE\\Shared", 1 + i % 4);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(Read(registry, L"SOFTWARE\\Shared\\T" + std::to_wstring(t), L"n"), L"299");
  }
}

}  // namespace
}  // namespace orvane
