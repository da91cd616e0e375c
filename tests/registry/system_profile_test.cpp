#include "registry/system_profile.h"

#include <gtest/gtest.h>

#include <string>

#include "devices/machine_fixture.h"
#include "platform/memory/memory_registry.h"
#include "support/fake_system_info.h"

namespace orvane {
namespace {

TEST(ReadRunningProfileTest, Version10PreinstallationEnvironment) {
  MemoryRegistry registry;
  ASSERT_TRUE(testing_support::LoadMachine(registry, "devices/desktop_pc.reg"));
  FakeSystemInfo system;
  system.SetEnvironment(L"WINDIR", L"X:\\windows");
  system.product_type = L"1";

  SystemProfile profile = ReadRunningProfile(registry, system);
  EXPECT_EQ(profile.system_drive, L"X:");
  EXPECT_EQ(profile.windows_dir, L"X:\\windows");
  EXPECT_EQ(profile.architecture, L"AMD64");
  // The numbers win over the frozen "6.3" text.
  EXPECT_EQ(profile.version, L"10.0");
  EXPECT_EQ(profile.build, L"19041");
  EXPECT_EQ(profile.program_files, L"X:\\Program Files");
  EXPECT_EQ(profile.language, L"0409");
  EXPECT_EQ(profile.product_type, L"1");
  EXPECT_EQ(WindowsDisplayName(profile.version, profile.architecture), L"Win 10");
  EXPECT_EQ(BitnessText(profile.architecture), L"64 Bit");
}

TEST(ReadRunningProfileTest, OlderSystemTakesTheVersionText) {
  MemoryRegistry registry;
  ASSERT_TRUE(registry.ImportRegText(
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\r\n"
      L"\"PROCESSOR_ARCHITECTURE\"=\"x86\"\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\Language]\r\n"
      L"\"Default\"=\"0407\"\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
      L"\"CurrentVersion\"=\"6.1\"\r\n\"CurrentBuild\"=\"7601\"\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
      L"\"ProgramFilesDir\"=\"X:\\\\Program Files\"\r\n"));
  FakeSystemInfo system;
  system.SetEnvironment(L"windir", L"D:\\WINNT");
  system.product_type = L"3";

  SystemProfile profile = ReadRunningProfile(registry, system);
  EXPECT_EQ(profile.system_drive, L"D:");
  EXPECT_EQ(profile.windows_dir, L"D:\\WINNT");
  EXPECT_EQ(profile.architecture, L"x86");
  EXPECT_EQ(profile.version, L"6.1");
  EXPECT_EQ(profile.build, L"7601");
  EXPECT_EQ(profile.language, L"0407");
  EXPECT_EQ(profile.product_type, L"3");
  EXPECT_EQ(WindowsDisplayName(profile.version, profile.architecture), L"Win 7");
  EXPECT_EQ(ProductTypeName(profile.product_type), L"ServerNT");
}

TEST(ReadRunningProfileTest, MissingValuesGiveEmptyFields) {
  MemoryRegistry registry;
  FakeSystemInfo system;
  system.product_type = L"";  // the version query failed
  SystemProfile profile = ReadRunningProfile(registry, system);
  EXPECT_EQ(profile.system_drive, L"");
  EXPECT_EQ(profile.windows_dir, L"");
  EXPECT_EQ(profile.architecture, L"");
  EXPECT_EQ(profile.version, L"");
  EXPECT_EQ(profile.build, L"");
  EXPECT_EQ(profile.program_files, L"");
  EXPECT_EQ(profile.language, L"");
  EXPECT_EQ(profile.product_type, L"");
  EXPECT_EQ(WindowsDisplayName(profile.version, profile.architecture), L"unknown");
  EXPECT_EQ(ProductTypeName(profile.product_type), L"WinNT");

  // A Windows directory without a folder part is its own drive text.
  system.SetEnvironment(L"Windir", L"X:");
  EXPECT_EQ(ReadRunningProfile(registry, system).system_drive, L"X:");
}

TEST(WindowsNamesTest, DisplayNameTable) {
  struct Case {
    const wchar_t* version;
    const wchar_t* architecture;
    const wchar_t* name;
  };
  const Case cases[] = {
      {L"5.0", L"x86", L"Win 2000"},   {L"5.1", L"", L"Win XP"},
      {L"5.2", L"x86", L"Win 2003"},   {L"5.2", L"X86", L"Win 2003"},
      {L"5.2", L"AMD64", L"Win XP"},   {L"5.2", L"IA64", L"unknown"},
      {L"5.2", L"", L"unknown"},       {L"6.0", L"amd64", L"Win Vista"},
      {L"6.1", L"x86", L"Win 7"},      {L"6.2", L"ARM64", L"Win 8"},
      {L"6.3", L"AMD64", L"Win 8.1"},  {L"10.0", L"AMD64", L"Win 10"},
      {L"6.4", L"x86", L"unknown"},    {L"10", L"x86", L"unknown"},
      {L"6.1 ", L"x86", L"unknown"},   {L"", L"x86", L"unknown"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowsDisplayName(c.version, c.architecture), c.name)
        << c.version << L" / " << c.architecture;
  }
}

TEST(WindowsNamesTest, BitnessAndProductTypeNames) {
  EXPECT_EQ(BitnessText(L"x86"), L"32 Bit");
  EXPECT_EQ(BitnessText(L"AMD64"), L"64 Bit");
  EXPECT_EQ(BitnessText(L"amd64"), L"64 Bit");
  EXPECT_EQ(BitnessText(L"ARM64"), L"");
  EXPECT_EQ(BitnessText(L"IA64"), L"");
  EXPECT_EQ(BitnessText(L""), L"");

  EXPECT_EQ(ProductTypeName(L"1"), L"WinNT");
  EXPECT_EQ(ProductTypeName(L"2"), L"LanmanNT");
  EXPECT_EQ(ProductTypeName(L"3"), L"ServerNT");
  EXPECT_EQ(ProductTypeName(L""), L"WinNT");
  EXPECT_EQ(ProductTypeName(L"4"), L"WinNT");
  EXPECT_EQ(ProductTypeName(L"02"), L"WinNT");
}

}  // namespace
}  // namespace orvane
