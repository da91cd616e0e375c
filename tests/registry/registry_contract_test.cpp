// One suite for every registry implementation: the access layer over the
// in-memory registry always, and over the real registry on Windows builds
// (below a scratch key of the current user that is removed afterwards).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "registry/registry_access.h"

#ifdef _WIN32
#include <process.h>

#include "platform/windows/windows_registry.h"
#endif

namespace orvane {
namespace {

struct Backend {
  std::string name;
  std::function<std::unique_ptr<Registry>()> make;
};

std::vector<Backend> Backends() {
  std::vector<Backend> backends{{"Memory", [] { return std::make_unique<MemoryRegistry>(); }}};
#ifdef _WIN32
  backends.push_back({"Windows", [] { return std::make_unique<WindowsRegistry>(); }});
#endif
  return backends;
}

std::wstring ScratchKey() {
#ifdef _WIN32
  return L"Software\\OrvaneTest-" + std::to_wstring(_getpid());
#else
  return L"Software\\OrvaneTest-0";
#endif
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

class RegistryContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    registry_ = GetParam().make();
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    test = test.substr(0, test.find('/'));
    base_ = ScratchKey() + L"\\" + std::wstring(test.begin(), test.end());
  }
  void TearDown() override {
#ifdef _WIN32
    if (auto* windows = dynamic_cast<WindowsRegistry*>(registry_.get()))
      windows->DeleteTree(kHkeyCurrentUser, ScratchKey());
#endif
  }

  std::wstring Path(const std::wstring& sub) const { return sub.empty() ? base_ : base_ + L"\\" + sub; }

  // A read below the scratch key as "text#status".
  std::wstring Get(const std::wstring& sub, const std::wstring& name, const std::wstring& root = L"hkcu") {
    RegStatus status = 0xEE;
    const std::wstring text = ReadRegValue(*registry_, &status, root, Path(sub), name);
    return text + L"#" + std::to_wstring(status);
  }
  std::wstring Enum(const std::wstring& path, int32_t index, const std::wstring& root = L"hkcu") {
    RegStatus status = 0xEE;
    const std::wstring text = EnumRegSubKey(*registry_, &status, root, path, index);
    return text + L"#" + std::to_wstring(status);
  }
  int Put(const std::wstring& sub, const std::wstring& name, int32_t type, const std::wstring& text) {
    return WriteRegValue(*registry_, L"hkcu", Path(sub), name, type, text);
  }

  // Raw bytes through the platform interface, bypassing the access layer.
  // The buffer continues with non-NUL characters: the platform adds a string
  // terminator that a caller left out when the next character in memory is
  // NUL, and that must not make malformed data look well-formed.
  void PutRaw(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> buffer(bytes);
    buffer.insert(buffer.end(), {'Z', 'Z', 'Z', 'Z'});
    Registry::Key key = 0;
    ASSERT_EQ(registry_->CreateKey(kHkeyCurrentUser, base_, kKeyAllAccess, &key), kRegOk);
    EXPECT_EQ(registry_->SetValue(key, name, type, buffer.data(), static_cast<uint32_t>(bytes.size())), kRegOk);
    registry_->CloseKey(key);
  }

  // Writes through the access layer and returns the stored bytes.
  std::vector<uint8_t> WriteAndGetRaw(int32_t type, const std::wstring& text) {
    EXPECT_EQ(Put(L"", L"v", type, text), 0);
    Registry::Key key = 0;
    uint32_t stored_type = 0, size = 0;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(registry_->OpenKey(kHkeyCurrentUser, base_, kKeyRead, &key), kRegOk);
    EXPECT_EQ(registry_->QueryValue(key, L"v", &stored_type, &size, &bytes), kRegOk);
    registry_->CloseKey(key);
    EXPECT_EQ(stored_type, static_cast<uint32_t>(type));
    return bytes;
  }

  std::unique_ptr<Registry> registry_;
  std::wstring base_;
};

TEST_P(RegistryContract, StatusCodesTellMissingKeyValueAndDefaultApart) {
  EXPECT_EQ(Get(L"", L"x"), L"#1");  // key does not exist
  ASSERT_EQ(Put(L"", L"x", kRegSz, L"text"), 0);
  EXPECT_EQ(Get(L"", L"x"), L"text#0");
  EXPECT_EQ(Get(L"", L"missing"), L"#2");
  EXPECT_EQ(Get(L"", L""), L"#3");  // default value not set
  ASSERT_EQ(Put(L"", L"", kRegSz, L"default"), 0);
  EXPECT_EQ(Get(L"", L""), L"default#0");

  // Exactly one byte is stored through the pointer; no pointer is fine.
  uint8_t wide[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  ReadRegValue(*registry_, &wide[0], L"hkcu", base_, L"missing");
  EXPECT_EQ(std::vector<uint8_t>(wide, wide + 4), Bytes({2, 0xAA, 0xAA, 0xAA}));
  EXPECT_EQ(ReadRegValue(*registry_, nullptr, L"hkcu", base_, L"x"), L"text");
  EXPECT_EQ(EnumRegSubKey(*registry_, nullptr, L"hkcu", base_, 1), L"");
}

TEST_P(RegistryContract, RootNamesIgnoreCaseAndOnlySevenAreAccepted) {
  for (const wchar_t* root : {L"hklm", L"HKLM", L"hkcr", L"HkCr", L"hkcu", L"hku", L"HKU", L"hkcc", L"hklm64",
                              L"HKLM64", L"hkcu64", L"HKCU64"}) {
    RegStatus status = 9;
    ReadRegValue(*registry_, &status, root, L"", L"OrvaneNoSuchValue");
    EXPECT_EQ(status, 2) << root;
  }
  ASSERT_EQ(WriteRegValue(*registry_, L"HKCU", base_, L"v", kRegSz, L"same hive"), 0);
  for (const wchar_t* root : {L"hkcu", L"hKcU", L"hkcu64"}) EXPECT_EQ(Get(L"", L"v", root), L"same hive#0");

  for (const wchar_t* root : {L"HKEY_CURRENT_USER", L"", L"hkcu ", L"hkey"}) {
    EXPECT_EQ(Get(L"", L"v", root), L"#1");
    EXPECT_EQ(WriteRegValue(*registry_, root, base_ + L"\\new", L"v", kRegSz, L"x"), 1);
    EXPECT_EQ(WriteRegValue(*registry_, root, base_ + L"\\new", L"", 0, L""), 1);
    EXPECT_EQ(Enum(L"Software", 1, root), L"#1");
  }
  EXPECT_EQ(Get(L"new", L""), L"#1") << "a refused root must not create anything";
}

TEST_P(RegistryContract, OnlyOneLeadingBackslashIsDropped) {
  ASSERT_EQ(WriteRegValue(*registry_, L"hkcu", L"\\" + base_ + L"\\k", L"v", kRegSz, L"x"), 0);
  EXPECT_EQ(Get(L"k", L"v"), L"x#0");
  RegStatus status = 9;
  EXPECT_EQ(ReadRegValue(*registry_, &status, L"hkcu", L"\\\\" + base_ + L"\\k", L"v"), L"");
  EXPECT_NE(status, 0);
  EXPECT_EQ(WriteRegValue(*registry_, L"hkcu", L"\\\\" + base_ + L"\\k2", L"v", kRegSz, L"x"), 1);
}

TEST_P(RegistryContract, StringsRoundTripWithTheirTerminator) {
  EXPECT_EQ(WriteAndGetRaw(kRegSz, L"ab"), Bytes({'a', 0, 'b', 0, 0, 0}));
  EXPECT_EQ(WriteAndGetRaw(kRegSz, L""), Bytes({0, 0}));
  EXPECT_EQ(WriteAndGetRaw(kRegExpandSz, L"%SystemRoot%\\x"), RegStringBytes(L"%SystemRoot%\\x"));
  EXPECT_EQ(Get(L"", L"v"), L"%SystemRoot%\\x#0") << "read unexpanded";
  const std::wstring umlauts = L"Ger\u00e4t \u00fc\u00df \u20ac";
  ASSERT_EQ(Put(L"", L"u", kRegSz, umlauts), 0);
  EXPECT_EQ(Get(L"", L"u"), umlauts + L"#0");

  PutRaw(L"raw", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}));
  EXPECT_EQ(Get(L"", L"raw"), L"a#0");  // text ends at its first NUL
  PutRaw(L"bare", kRegSz, Bytes({'a', 0, 'b', 0}));
  EXPECT_EQ(Get(L"", L"bare"), L"ab#0");  // no terminator: still read completely
  PutRaw(L"empty", kRegSz, {});
  EXPECT_EQ(Get(L"", L"empty"), L"#0");
}

TEST_P(RegistryContract, DwordReadsSignedAndWritesFromHexOrTheIntegerRule) {
  EXPECT_EQ(WriteAndGetRaw(kRegDword, L"-1"), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Get(L"", L"v"), L"-1#0");
  EXPECT_EQ(WriteAndGetRaw(kRegDword, L"0"), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(Get(L"", L"v"), L"0#0");
  const struct {
    const wchar_t* text;
    const wchar_t* read_back;
  } cases[] = {{L"0x10", L"16"}, {L"16", L"16"}, {L"abc", L"0"}, {L"4294967297", L"1"}, {L"0X1F", L"31"},
               {L"$1f", L"31"}, {L"%101", L"5"}, {L" \t42x", L"42"}, {L"2147483648", L"-2147483648"},
               {L"0xFFFFFFFF", L"-1"}, {L"0x", L"0"}, {L"", L"0"}};
  for (const auto& c : cases) {
    ASSERT_EQ(Put(L"", L"d", kRegDword, c.text), 0);
    EXPECT_EQ(Get(L"", L"d"), c.read_back + std::wstring(L"#0")) << "written as '" << c.text << "'";
  }
  // A DWORD value of unusual length: too long does not fit the 32-bit read.
  PutRaw(L"long", kRegDword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Get(L"", L"long"), L"#1");
}

TEST_P(RegistryContract, BinaryIsUpperCaseHexBothWays) {
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"000FA0"), Bytes({0x00, 0x0F, 0xA0}));
  EXPECT_EQ(Get(L"", L"v"), L"000FA0#0");
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"0A1"), Bytes({0x0A})) << "odd last character ignored";
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L""), Bytes({0x00})) << "at least one byte";
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"abcd"), Bytes({0xAB, 0xCD}));
  EXPECT_EQ(Get(L"", L"v"), L"ABCD#0");
  EXPECT_EQ(WriteAndGetRaw(kRegBinary, L"zz1g7F"), Bytes({0x00, 0x01, 0x7F}));
  PutRaw(L"none", kRegBinary, {});
  EXPECT_EQ(Get(L"", L"none"), L"#0");
}

TEST_P(RegistryContract, MultiStringsJoinWithLineFeedsAndAreNeverReadPastTheirData) {
  EXPECT_EQ(WriteAndGetRaw(kRegMultiSz, L"a\nb"), Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  EXPECT_EQ(Get(L"", L"v"), L"a\nb#0");
  EXPECT_EQ(WriteAndGetRaw(kRegMultiSz, L""), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(Get(L"", L"v"), L"#0");
  // Empty strings inside the list survive; trailing ones do not.
  ASSERT_EQ(Put(L"", L"v", kRegMultiSz, L"a\n\nb\n\n"), 0);
  EXPECT_EQ(Get(L"", L"v"), L"a\n\nb#0");

  // Malformed data: the walk ends at the last complete string.
  const struct {
    const wchar_t* name;
    std::vector<uint8_t> bytes;
    const wchar_t* read;
  } cases[] = {{L"empty", {}, L"#0"},
               {L"unterminated", Bytes({'a', 0, 0, 0, 'b', 0}), L"a#0"},
               {L"no_nul", Bytes({'x', 0, 'y', 0, 'z', 0}), L"#0"},
               {L"odd", Bytes({'a', 0, 0, 0, 'b'}), L"a#0"},
               {L"single_nul", Bytes({0, 0}), L"#0"}};
  for (const auto& c : cases) {
    PutRaw(c.name, kRegMultiSz, c.bytes);
    EXPECT_EQ(Get(L"", c.name), c.read) << c.name;
  }
}

TEST_P(RegistryContract, OtherTypesReadAsStatusOneAndAreNeverWritten) {
  PutRaw(L"q", kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  PutRaw(L"n", kRegNone, Bytes({1, 2}));
  PutRaw(L"be", 5, Bytes({0, 0, 0, 1}));
  for (const wchar_t* name : {L"q", L"n", L"be"}) EXPECT_EQ(Get(L"", name), L"#1") << name;
  // The key is made all the same; no value appears.
  EXPECT_EQ(Put(L"other", L"q", kRegQword, L"1"), 1);
  EXPECT_EQ(Put(L"other", L"q", 6, L"1"), 1);
  EXPECT_EQ(Get(L"other", L"q"), L"#2");
}

TEST_P(RegistryContract, LargeValuesReadCompletely) {
  std::wstring big(100000, L'x'), list, hex;
  for (size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<wchar_t>(L'a' + i % 26);
  for (int i = 0; i < 5000; ++i) list += (i ? L"\nentry" : L"entry") + std::to_wstring(i);
  for (int i = 0; i < 40000; ++i) hex += L"0123456789ABCDEF"[i % 16];
  ASSERT_EQ(Put(L"", L"big", kRegSz, big), 0);
  ASSERT_EQ(Put(L"", L"list", kRegMultiSz, list), 0);
  ASSERT_EQ(Put(L"", L"bin", kRegBinary, hex), 0);
  EXPECT_EQ(Get(L"", L"big"), big + L"#0");
  EXPECT_EQ(Get(L"", L"list"), list + L"#0");
  EXPECT_EQ(Get(L"", L"bin"), hex + L"#0");
}

TEST_P(RegistryContract, WritingCreatesTheKeyAndEveryParent) {
  EXPECT_EQ(Put(L"a\\b\\c", L"", 0, L"ignored"), 0);
  EXPECT_EQ(Get(L"a\\b\\c", L""), L"#3") << "key made, no value written";
  EXPECT_EQ(Put(L"a\\b\\c", L"", 0, L""), 0) << "existing key";
  EXPECT_EQ(Put(L"x\\y", L"v", kRegDword, L"7"), 0);
  EXPECT_EQ(Get(L"x\\y", L"v"), L"7#0");
  EXPECT_EQ(Enum(base_ + L"\\a", 1), L"b#0");
}

TEST_P(RegistryContract, EnumerationVisitsEachSubkeyOnceThenEnds) {
  for (const wchar_t* name : {L"Beta", L"alpha", L"Gamma"}) ASSERT_EQ(Put(name, L"", 0, L""), 0);
  EXPECT_EQ(Enum(base_, 1) + Enum(base_, 2) + Enum(base_, 3), L"alpha#0Beta#0Gamma#0");
  for (int32_t index : {4, 0, -1, 1000}) EXPECT_EQ(Enum(base_, index), L"#2") << index;
  EXPECT_EQ(Enum(base_ + L"\\missing", 1), L"#1");
}

TEST_P(RegistryContract, NamesIgnoreCaseAndKeepTheFirstSpelling) {
  ASSERT_EQ(Put(L"KeyName", L"MixedCase", kRegSz, L"1"), 0);
  ASSERT_EQ(Put(L"KEYNAME", L"MIXEDCASE", kRegSz, L"2"), 0);
  EXPECT_EQ(Get(L"keyname", L"mixedcase"), L"2#0");
  EXPECT_EQ(Enum(base_, 1), L"KeyName#0");
  EXPECT_EQ(Enum(base_, 2), L"#2") << "one key, not two";
}

TEST_P(RegistryContract, PlatformRulesTheLayerReliesOn) {
  Registry::Key key = 0;
  EXPECT_NE(registry_->OpenKey(0, L"Software", kKeyRead, &key), kRegOk);
  EXPECT_EQ(key, 0u);
  EXPECT_NE(registry_->OpenKey(0x80000009u, L"", kKeyRead, &key), kRegOk);
  ASSERT_EQ(registry_->CreateKey(kHkeyCurrentUser, base_, kKeyAllAccess, &key), kRegOk);
  registry_->CloseKey(key);
  ASSERT_EQ(registry_->OpenKey(kHkeyCurrentUser, base_, kKeyRead, &key), kRegOk);
  const uint8_t data[] = {'x', 0, 0, 0};
  EXPECT_EQ(registry_->SetValue(key, L"v", kRegSz, data, 4), kRegAccessDenied)
      << "a key opened for reading refuses writes";
  std::wstring name;
  EXPECT_EQ(registry_->EnumKey(key, 0, &name), kRegNoMoreItems);
  registry_->CloseKey(key);

  // A subkey name of 255 characters does not fit the 255-character buffer.
  ASSERT_EQ(Put(std::wstring(255, L'n'), L"", 0, L""), 0);
  EXPECT_EQ(Enum(base_, 1), L"#2");
  ASSERT_EQ(Put(std::wstring(254, L'm'), L"", 0, L""), 0);
  EXPECT_EQ(Enum(base_, 1), std::wstring(254, L'm') + L"#0");
}

TEST_P(RegistryContract, HiveFailuresAndPrivileges) {
  EXPECT_TRUE(registry_->SetPrivilege(L"SeRestorePrivilege", true));
  EXPECT_NE(registry_->LoadHive(L"OrvaneTestHive", L"C:\\orvane-no-such-dir\\SYSTEM"), kRegOk);
  EXPECT_NE(registry_->UnloadHive(L"OrvaneTestHiveNotLoaded"), kRegOk);
  EXPECT_TRUE(registry_->SetPrivilege(L"SeRestorePrivilege", false));
  EXPECT_FALSE(registry_->SetPrivilege(L"SeNoSuchThingPrivilege", true));
}

INSTANTIATE_TEST_SUITE_P(Registry, RegistryContract, ::testing::ValuesIn(Backends()),
                         [](const ::testing::TestParamInfo<Backend>& info) { return info.param.name; });

}  // namespace
}  // namespace orvane
