#include "registry/system_profile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system_info.h"
#include "support/simulated_machine.h"

namespace orvane {
namespace {

// The eight fields joined by "|".
std::wstring Fields(const SystemProfile& p) {
  return p.system_drive + L"|" + p.windows_dir + L"|" + p.architecture + L"|" + p.version + L"|" + p.build +
         L"|" + p.program_files + L"|" + p.language + L"|" + p.product_type;
}

// The version numbers of version 10 win over its frozen "6.3" text; older
// systems have the text only; a system that has none of the values.
TEST(ReadRunningProfileTest, RunningSystemsOfBothKindsAndOfNoValues) {
  const struct {
    const wchar_t *windir, *architecture, *version, *build, *language, *product_type, *fields;
  } cases[] = {
      {L"X:\\windows", L"AMD64", L"10.0", L"19041", L"0409", L"1", L"X:|X:\\windows|AMD64|10.0|19041|E:\\Programs|0409|1"},
      {L"D:\\WINNT", L"x86", L"6.1", L"7601", L"0407", L"3", L"D:|D:\\WINNT|x86|6.1|7601|E:\\Programs|0407|3"},
  };
  for (const auto& c : cases) {
    SimulatedMachine machine;
    machine.RunningSystem(c.windir, c.architecture, c.version, c.build, c.language, c.product_type);
    WriteRegValue(machine.registry, L"hklm", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", kRegSz,
                  L"E:\\Programs");
    EXPECT_EQ(c.fields, Fields(ReadRunningProfile(machine.registry, machine.system)));
  }
  // Missing values give empty fields.
  SimulatedMachine bare;
  bare.system.product_type = L"";  // the version query failed
  EXPECT_EQ(Fields(ReadRunningProfile(bare.registry, bare.system)), L"|||||||");
  // A Windows directory without a folder part is its own drive text.
  bare.system.SetEnvironment(L"Windir", L"X:");
  EXPECT_EQ(ReadRunningProfile(bare.registry, bare.system).system_drive, L"X:");
}

// The name of each version the program knows (5.2 is the server line but for
// the 64-bit client), the bitness of the architecture and the name of the
// product type, as "name|bitness|type".
TEST(WindowsNamesTest, DisplayNameBitnessAndProductType) {
  const struct {
    const wchar_t *version, *architecture, *product_type, *texts;
  } cases[] = {
      {L"5.0", L"x86", L"1", L"Win 2000|32 Bit|WinNT"},    {L"5.1", L"", L"2", L"Win XP||LanmanNT"},
      {L"5.2", L"X86", L"3", L"Win 2003|32 Bit|ServerNT"}, {L"5.2", L"AMD64", L"", L"Win XP|64 Bit|WinNT"},
      {L"5.2", L"IA64", L"02", L"unknown||WinNT"},         {L"6.0", L"amd64", L"1", L"Win Vista|64 Bit|WinNT"},
      {L"6.1", L"x86", L"1", L"Win 7|32 Bit|WinNT"},       {L"6.2", L"ARM64", L"1", L"Win 8||WinNT"},
      {L"6.3", L"AMD64", L"1", L"Win 8.1|64 Bit|WinNT"},   {L"10.0", L"AMD64", L"1", L"Win 10|64 Bit|WinNT"},
      {L"6.4", L"x86", L"1", L"unknown|32 Bit|WinNT"},     {L"10", L"x86", L"1", L"unknown|32 Bit|WinNT"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.texts, WindowsDisplayName(c.version, c.architecture) + L"|" + BitnessText(c.architecture) + L"|" +
                           ProductTypeName(c.product_type))
        << c.version << L" / " << c.architecture;
  }
}

}  // namespace
}  // namespace orvane
