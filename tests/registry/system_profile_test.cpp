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
  MemoryRegistry registry;
  MemorySystemInfo system;
  system.product_type = L"";  // the version query failed
  EXPECT_EQ(Fields(ReadRunningProfile(registry, system)), L"|||||||");
  // A Windows directory without a folder part is its own drive text.
  system.SetEnvironment(L"Windir", L"X:");
  EXPECT_EQ(ReadRunningProfile(registry, system).system_drive, L"X:");
}

// The names of the versions the program knows; 5.2 is the server line but
// for the 64-bit client.
TEST(WindowsNamesTest, DisplayNameBitnessAndProductType) {
  const struct {
    const wchar_t *version, *architecture, *name;
  } names[] = {
      {L"5.0", L"x86", L"Win 2000"},  {L"5.1", L"", L"Win XP"},      {L"5.2", L"X86", L"Win 2003"},
      {L"5.2", L"AMD64", L"Win XP"},  {L"5.2", L"IA64", L"unknown"}, {L"6.0", L"amd64", L"Win Vista"},
      {L"6.1", L"x86", L"Win 7"},     {L"6.2", L"ARM64", L"Win 8"},  {L"6.3", L"AMD64", L"Win 8.1"},
      {L"10.0", L"AMD64", L"Win 10"}, {L"6.4", L"x86", L"unknown"},  {L"10", L"x86", L"unknown"},
  };
  for (const auto& c : names)
    EXPECT_EQ(WindowsDisplayName(c.version, c.architecture), c.name) << c.version << L" / " << c.architecture;
  const std::pair<const wchar_t*, const wchar_t*> bitness[] = {
      {L"x86", L"32 Bit"}, {L"AMD64", L"64 Bit"}, {L"amd64", L"64 Bit"}, {L"ARM64", L""}, {L"", L""}};
  for (const auto& c : bitness) EXPECT_EQ(BitnessText(c.first), c.second) << c.first;
  const std::pair<const wchar_t*, const wchar_t*> types[] = {
      {L"1", L"WinNT"}, {L"2", L"LanmanNT"}, {L"3", L"ServerNT"}, {L"", L"WinNT"}, {L"02", L"WinNT"}};
  for (const auto& c : types) EXPECT_EQ(ProductTypeName(c.first), c.second) << c.first;
}

}  // namespace
}  // namespace orvane
