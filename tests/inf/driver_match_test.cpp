#include "inf/driver_match.h"

#include <gtest/gtest.h>

#include "inf/inf_test_support.h"
#include "platform/memory/memory_file_system.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

using inf_test::Profile;

// A device text: every identifier followed by LF.
std::wstring Device(std::initializer_list<const wchar_t*> ids) {
  std::wstring out;
  for (const wchar_t* id : ids) out += std::wstring(id) + L"\n";
  return out;
}

// A record: the fields with LF between them.
std::wstring Record(std::initializer_list<const wchar_t*> fields) {
  const std::wstring lines = Device(fields);
  return lines.substr(0, lines.size() - 1);
}

// ---------------------------------------------------------------------------
// The example of an amd64 system of version 10.0 (a UTF-16 file)

const wchar_t kExampleDevice[] =
    L"PCI\\VEN_1234&DEV_5678&SUBSYS_00021234\\3&1&0&10\n"
    L"PCI\\VEN_1234&DEV_5678&SUBSYS_00021234\n"
    L"PCI\\VEN_1234&DEV_5678\n";

TEST(DriverMatchTest, WorkedExampleFieldForField) {
  MemoryFileSystem files;
  files.AddFile(L"C:\\drv\\acme.inf", inf_test::ReadDataFile("inf_tool/pack/acme/net.inf"));
  SystemProfile amd64 = Profile(L"AMD64", L"10.0", L"19045", L"0409");
  const std::wstring record =
      Record({L"Acme Gigabit Adapter", L"pci\\ven_1234&dev_5678&subsys_00021234\\3&1&0&10", L"pci\\ven_1234&dev_5678",
              L"nic_install.NTAMD64", L".NTamd64.10.0", L"Acme Corp", L"05/14/2021", L"1.2.3.4", L"Net"});
  EXPECT_EQ(record, MatchInfDevice(files, L"C:\\drv\\acme.inf", amd64, kExampleDevice));
  EXPECT_EQ(L"", MatchInfDevices(files, L"C:\\drv\\missing.inf", amd64, kExampleDevice));
  // Descriptions in the system's language.
  EXPECT_EQ(L"Acme Gigabit-Netzwerkkarte f\u00fcr Server",
            ParseDriverMatch(MatchInfDevice(files, L"C:\\drv\\acme.inf", Profile(L"AMD64", L"10.0", L"19045", L"0407"),
                                            kExampleDevice))
                .description);
}

// ---------------------------------------------------------------------------
// Choice of the models decoration

struct ChoiceCase {
  const wchar_t* value;
  SystemProfile profile;
  const wchar_t* chosen;  // "section|decoration", "" for no model section
};

TEST(ChooseModelsSectionTest, DecorationRules) {
  SystemProfile amd64 = Profile(L"AMD64", L"10.0", L"19045");
  SystemProfile amd64_server = Profile(L"amd64", L"10.0", L"19045", L"0409", L"3");
  SystemProfile x86_61 = Profile(L"x86", L"6.1", L"7601");
  SystemProfile no_version = Profile(L"x86", L"", L"");
  const ChoiceCase cases[] = {
      // The highest version that the system reaches.
      {L"Acme, NTamd64.6.3, NTamd64.10.0", amd64, L"Acme.NTamd64.10.0|.NTamd64.10.0"},
      {L"Acme, NTamd64.10.0, NTamd64.6.3", Profile(L"AMD64", L"6.3", L"9600"), L"Acme.NTamd64.6.3|.NTamd64.6.3"},
      {L"Acme, NTx86.6.1, NTamd64.6.3", amd64, L"Acme.NTamd64.6.3|.NTamd64.6.3"},
      // Undecorated sections are never used for amd64.
      {L"Acme", amd64, L""},
      // A build part above the system's build rejects the decoration.
      {L"Acme, NTamd64.10.0...99999, NTamd64.6.3", amd64, L"Acme.NTamd64.6.3|.NTamd64.6.3"},
      {L"Acme, NTamd64.10.0...17134", Profile(L"AMD64", L"10.0", L""), L""},
      {L"Acme, NTamd64.10.0, NTamd64.10.0...17134", amd64, L"Acme.NTamd64.10.0...17134|.NTamd64.10.0...17134"},
      // Numbers past the range read as the largest value, never wrapped round.
      {L"Acme, NTamd64.10.0...18446744073709551615, NTamd64.6.3", amd64, L"Acme.NTamd64.6.3|.NTamd64.6.3"},
      {L"Acme, NTamd64.6.0.18446744073709551617, NTamd64", amd64, L"Acme.NTamd64|.NTamd64"},
      // Equal versions: the first listed wins (NTamd64 defaults to 5.0).
      {L"Acme, NTamd64, NTamd64.5.0", amd64, L"Acme.NTamd64|.NTamd64"},
      {L"Acme, NTamd64.5.0, NTamd64", amd64, L"Acme.NTamd64.5.0|.NTamd64.5.0"},
      {L"Intel, NTamd64.6.3, NTamd64.6.3.1", amd64, L"Intel.NTamd64.6.3|.NTamd64.6.3"},
      // Product type: "0x0" is removed before reading, so 0x1 reads as 0.
      {L"Acme, NTamd64.6.0.0x00000003, NTamd64", amd64, L"Acme.NTamd64|.NTamd64"},
      {L"Acme, NTamd64.6.0.0x00000003, NTamd64", amd64_server, L"Acme.NTamd64.6.0.0x00000003|.NTamd64.6.0.0x00000003"},
      {L"Acme, NTamd64.6.0.0X00000001, NTamd64", amd64, L"Acme.NTamd64.6.0.0X00000001|.NTamd64.6.0.0X00000001"},
      {L"Acme, NTamd64.6.0.0x1", amd64_server, L"Acme.NTamd64.6.0.0x1|.NTamd64.6.0.0x1"},
      // A suite mask cannot be shown to fit.
      {L"Acme, NTamd64.6.0..0x00000010, NTamd64", amd64, L"Acme.NTamd64|.NTamd64"},
      // x86: NT and NTx86 count, NTamd64 does not.
      {L"Acme, NTamd64", x86_61, L"Acme|"},
      {L"Acme, NT.10.0", x86_61, L""},
      {L"Acme, NT.10.0, NTx86.6.1", Profile(L"X86", L"10.0", L"19045"), L"Acme.NT.10.0|.NT.10.0"},
      {L"Acme, NT, ntx86", x86_61, L"Acme.ntx86|.ntx86"},
      // An empty version reads as 0 and accepts no decoration.
      {L"Acme, NTx86", no_version, L"Acme|"},
      {L"Acme, NT", no_version, L""},
      {L"Acme, NTamd64", Profile(L"AMD64", L"", L""), L""},
      // Blanks go from the decorations, quotes and outer blanks from the base.
      {L"  \"Acme Models\" , NTamd64 . 10 . 0 ,", amd64, L"Acme Models.NTamd64.10.0|.NTamd64.10.0"},
      {L"%Models%, %Target%", amd64, L"Acme.NTamd64.10.0|.NTamd64.10.0"},
  };
  InfDocument doc = InfDocument::FromText(L"[Strings]\nModels=Acme\nTarget=NTamd64.10.0\n");
  for (const ChoiceCase& c : cases) {
    const ModelsChoice choice = ChooseModelsSection(doc, c.value, c.profile);
    EXPECT_EQ(c.chosen, choice.has_section ? choice.section + L"|" + choice.decoration : L"")
        << c.value << L" on " << c.profile.architecture << L" " << c.profile.version;
  }
}

// ---------------------------------------------------------------------------
// Identifier lookup. Install sections and identifiers lose their quotes and
// blanks and may be string tokens; a model line without identifiers is
// passed over.

const wchar_t kLookupInf[] =
    L"[Version]\n"
    L"Signature=$Chicago$\n"
    L"Class=\"System\"\n"
    L"DriverVer=\"01/01/2020\"\n"
    L"[Manufacturer]\n"
    L"First = First, NTamd64\n"
    L"Second = Second, NTamd64\n"
    L"[First.NTamd64]\n"
    L"Compatible Model = Compat_Inst, PCI\\VEN_1AB2&DEV_0001\n"
    L"Exact Model      = Exact_Inst, PCI\\VEN_1ab2&DEV_0001&SUBSYS_00011AB2, PCI\\VEN_1AB2&DEV_0002\n"
    L"Later Model      = Later_Inst, PCI\\VEN_1AB2&DEV_0001&SUBSYS_00011AB2\n"
    L"Root Model       = \"Root Inst\", ROOT\\ACME\\0000, \" ROOT\\ACME\"\n"
    L"Empty Model      = Empty_Inst, PCI\\VEN_1AB2&DEV_0003\n"
    L"Fast Adapter, rev 2 = Fast_Inst, PCI\\VEN_1AB2&DEV_0003&REV_02\n"
    L"No Identifiers   = Exact_Inst\n"
    L"Nameless Model   = , PCI\\VEN_1AB2&DEV_0004\n"
    L"Token Model      = %None%, , %Dev5%\n"
    L"[Second.NTamd64]\n"
    L"%Second.Desc% = Second_Inst, PCI\\VEN_1AB2&DEV_0001, PCI\\VEN_1AB2&DEV_0003\n"
    L"[Compat_Inst.NT]\nx=1\n"
    L"[Exact_Inst.NTamd64]\nx=1\n"
    L"[Exact_Inst.NT]\nx=1\n"
    L"[RootInst]\nx=1\n"
    L"[Empty_Inst.NTamd64]\n"
    L"[Fast_Inst]\nx=1\n"
    L"[Second_Inst]\nx=1\n"
    L"[.NT]\nx=1\n"
    L"[Strings]\n"
    L"Second.Desc = \"Second, Inc. Device\"\n"
    L"None = \"\"\n"
    L"Dev5 = \"PCI\\VEN_1AB2&DEV_0005\"\n";

class LookupTest : public ::testing::Test {
 protected:
  std::vector<DriverMatch> All(const std::wstring& list) {
    return MatchInfDevices(doc_, amd64_, DeviceIdList::FromText(list));
  }
  std::optional<DriverMatch> One(const std::wstring& text) { return MatchInfDevice(doc_, amd64_, text); }
  // "instance|identifier|install section" of each match, ";" after each.
  std::wstring Found(const std::vector<DriverMatch>& matches) {
    std::wstring out;
    for (const DriverMatch& m : matches) out += m.instance_id + L"|" + m.matched_id + L"|" + m.install_section + L";";
    return out;
  }
  // The same of the one-device lookup, "-" for none.
  std::wstring FoundOne(const std::wstring& text) {
    const std::optional<DriverMatch> m = One(text);
    return m ? Found({*m}) : L"-";
  }

  InfDocument doc_ = InfDocument::FromText(kLookupInf);
  SystemProfile amd64_ = Profile(L"AMD64", L"10.0");
};

TEST_F(LookupTest, TheDevicesOwnIdentifierOrderDecidesInEveryListForm) {
  // The compatible identifier is listed on an earlier line than the hardware
  // identifier; the hardware identifier wins, on the first line listing it.
  const std::wstring device = Device({L"PCI\\VEN_1AB2&DEV_0001&SUBSYS_00011AB2\\3&0&0&08",
                                      L"PCI\\VEN_1AB2&DEV_0001&SUBSYS_00011AB2", L"PCI\\VEN_1AB2&DEV_0001"});
  const wchar_t instance[] = L"pci\\ven_1ab2&dev_0001&subsys_00011ab2\\3&0&0&08";
  const std::wstring exact =
      Record({L"exact model", instance, L"pci\\ven_1ab2&dev_0001&subsys_00011ab2", L"exact_inst.NTAMD64", L".NTamd64",
              L"First", L"\"01/01/2020\"", L"", L"\"System\""});
  EXPECT_EQ(exact + L"\r" +
                Record({L"Second, Inc. Device", instance, L"pci\\ven_1ab2&dev_0001", L"second_inst", L".NTamd64",
                        L"Second", L"\"01/01/2020\"", L"", L"\"System\""}) +
                L"\r",
            MatchListText(All(device)));
  // MatchInfDevice gives the first manufacturer's match only, its decoration
  // built from the architecture as the profile holds it.
  EXPECT_EQ(exact, DriverMatchText(One(device).value()));
  EXPECT_EQ(L"exact_inst.NTamd64", MatchInfDevice(doc_, Profile(L"amd64", L"10.0"), device)->install_section);

  // The instance identifier is tried for device lists only.
  const std::wstring root = Device({L"ROOT\\ACME\\0000", L"ROOT\\Acme"});
  EXPECT_EQ(L"root\\acme\\0000|root\\acme\\0000|rootinst;", Found(All(root)));
  EXPECT_EQ(L"root\\acme\\0000|root\\acme|rootinst;", FoundOne(root));

  // Empty entries match nothing; the same device twice gives one record per
  // manufacturer; a last identifier without LF is not tried.
  const std::wstring a = Device({L"PCI\\A\\1", L"PCI\\VEN_1AB2&DEV_0002"});
  EXPECT_EQ(L"pci\\a\\1|pci\\ven_1ab2&dev_0002|exact_inst.NTAMD64;",
            Found(All(L"," + a + L",," + a + L",PCI\\B\\1\nPCI\\VEN_1AB2&DEV_0001")));
  EXPECT_FALSE(One(L""));
}

TEST_F(LookupTest, MatchInfDeviceNeedsDirectivesInTheFoundModel) {
  // DEV_0003 is found first, on a line whose install section is empty; the
  // later REV_02 identifier of the same manufacturer is not tried, and the
  // second manufacturer gives the match.
  const std::wstring device =
      Device({L"PCI\\VEN_1AB2&DEV_0003\\1", L"PCI\\VEN_1AB2&DEV_0003", L"PCI\\VEN_1AB2&DEV_0003&REV_02"});
  EXPECT_EQ(L"pci\\ven_1ab2&dev_0003\\1|pci\\ven_1ab2&dev_0003|second_inst;", FoundOne(device));
  // Without the second manufacturer there is no match at all.
  std::wstring first_only = kLookupInf;
  first_only.replace(first_only.find(L"Second = "), 4, L";Sec");
  EXPECT_FALSE(MatchInfDevice(InfDocument::FromText(first_only), amd64_, device));
  // The device-list lookup does not look at the install section.
  EXPECT_EQ(
      L"pci\\ven_1ab2&dev_0003\\1|pci\\ven_1ab2&dev_0003|empty_inst.NTAMD64;"
      L"pci\\ven_1ab2&dev_0003\\1|pci\\ven_1ab2&dev_0003|second_inst;",
      Found(All(device)));
  // An install-section field that is empty, or a token for "", is still the
  // install section: its decorated form [.NT] holds the directives.
  const std::wstring nameless = Device({L"PCI\\D\\1", L"PCI\\VEN_1AB2&DEV_0004"});
  EXPECT_EQ(L"pci\\d\\1|pci\\ven_1ab2&dev_0004|.NT;", FoundOne(nameless));
  EXPECT_EQ(L"pci\\d\\1|pci\\ven_1ab2&dev_0004|.NT;pci\\e\\1|pci\\ven_1ab2&dev_0005|.NT;",
            Found(All(nameless + L"," + Device({L"PCI\\E\\1", L"PCI\\VEN_1AB2&DEV_0005"}))));
  // A description may hold "," before its "=".
  const DriverMatch fast = One(Device({L"PCI\\X\\1", L"PCI\\VEN_1AB2&DEV_0003&REV_02"})).value();
  EXPECT_EQ(L"fast adapter, rev 2|fast_inst", fast.description + L"|" + fast.install_section);
}

TEST(DriverMatchTest, FileAcceptanceAndManufacturerLines) {
  SystemProfile amd64 = Profile(L"AMD64", L"10.0");
  std::wstring device = Device({L"PCI\\VEN_1\\0", L"PCI\\VEN_1"});
  auto inf = [](const std::wstring& version, const std::wstring& manufacturer) {
    return InfDocument::FromText(L"[Version]\n" + version + L"\n[Manufacturer]\n" + manufacturer +
                                 L"\n[M.NTamd64]\nModel = Inst, PCI\\VEN_1\n[Inst]\nx=1\n");
  };
  for (const wchar_t* signature : {L"Signature=\"$Windows 95$\"", L"signature = $WINDOWS 95$ old"})
    EXPECT_FALSE(MatchInfDevice(inf(signature, L"Mfg = M, NTamd64"), amd64, device)) << signature;
  // A bare model-section name is not an entry.
  EXPECT_FALSE(MatchInfDevice(inf(L"", L"M.NTamd64"), amd64, device));
  // DriverVer without ",": the whole value is the date.
  const DriverMatch m = MatchInfDevice(inf(L"DriverVer = 07/01/2001 ", L"Mfg = M, NTamd64"), amd64, device).value();
  EXPECT_EQ(L"07/01/2001|", m.driver_date + L"|" + m.driver_version);
  // Lines with one key each count: on amd64 only the NTamd64 one serves, on
  // x86 every one falls back to the undecorated models.
  const InfDocument repeated = inf(L"", L"Mfg = M\nMfg = M, NTamd64\nMfg = M, NTia64\n[M]\nModel = Inst, PCI\\VEN_1");
  for (const auto& [profile, decorations] :
       {std::pair(amd64, L".NTamd64;"), std::pair(Profile(L"x86", L"6.1"), L";;;")}) {
    std::wstring found;
    for (const DriverMatch& match : MatchInfDevices(repeated, profile, DeviceIdList::FromText(device)))
      found += match.models_decoration + L";";
    EXPECT_EQ(decorations, found);
  }
}

}  // namespace
}  // namespace orvane
