// Real driver INF files matched against the device lists of real machines,
// when the corpus is present.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "inf/driver_match.h"
#include "inf/inf_test_support.h"
#include "support/host_platform.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

using inf_test::Profile;

// Devices of one list file: UTF-8, one identifier a line, devices separated
// by blank lines.
std::vector<std::vector<std::wstring>> ParseDeviceFile(const std::string& bytes) {
  std::vector<std::vector<std::wstring>> devices(1);
  for (const std::wstring& raw : SplitText(Utf8ToWide(bytes), L"\n")) {
    std::wstring line = TrimBlanks(raw, kTrimBoth);
    if (line.empty()) {
      if (!devices.back().empty()) devices.emplace_back();
    } else {
      devices.back().push_back(line);
    }
  }
  if (devices.back().empty()) devices.pop_back();
  return devices;
}

class CorpusMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_ = MakeHostFileSystem();
    root_ = Utf8ToWide(ORVANE_CORPUS_DIR);
    if (!files_->DirectoryExists(root_ + L"/inf") || !files_->DirectoryExists(root_ + L"/devices"))
      GTEST_SKIP() << "no corpus at " << ORVANE_CORPUS_DIR;
    CollectInfs(L"");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(files_->ListDirectory(root_ + L"/devices", &entries));
    for (const DirEntry& e : entries) {
      if (e.is_directory || !EndsWith(LowerText(e.name), L".txt")) continue;
      std::string bytes;
      ASSERT_TRUE(files_->ReadFile(root_ + L"/devices/" + e.name, &bytes));
      device_lists_[e.name] = ParseDeviceFile(bytes);
    }
    ASSERT_GE(infs_.size(), 50u);
    ASSERT_EQ(5u, device_lists_.size());
  }

  void CollectInfs(const std::wstring& relative) {
    std::vector<DirEntry> entries;
    if (!files_->ListDirectory(root_ + L"/inf" + relative, &entries)) return;
    for (const DirEntry& e : entries) {
      if (e.is_link) continue;
      std::wstring path = relative + L"/" + e.name;
      if (e.is_directory)
        CollectInfs(path);
      else if (EndsWith(LowerText(e.name), L".inf"))
        infs_.insert(path.substr(1));
    }
  }

  std::wstring InfPath(const std::wstring& relative) const { return root_ + L"/inf/" + relative; }

  // Every match of every INF for one device list, by INF.
  std::map<std::wstring, std::vector<DriverMatch>> MatchAll(const std::wstring& list,
                                                             const SystemProfile& profile) {
    std::map<std::wstring, std::vector<DriverMatch>> out;
    DeviceIdList devices = DeviceIdList::FromItems(device_lists_.at(list));
    for (const std::wstring& inf : infs_) {
      std::vector<DriverMatch> found =
          MatchInfDevices(InfDocument::Load(*files_, InfPath(inf)), profile, devices);
      if (!found.empty()) out[inf] = found;
    }
    return out;
  }

  std::unique_ptr<FileSystem> files_;
  std::wstring root_;
  std::set<std::wstring> infs_;
  std::map<std::wstring, std::vector<std::vector<std::wstring>>> device_lists_;
  const SystemProfile amd64_ = Profile(L"AMD64", L"10.0", L"19045", L"0409", L"1");
};

TEST_F(CorpusMatchTest, EveryRecordNamesAListedDeviceAndOneOfItsIdentifiers) {
  for (const auto& list : device_lists_) {
    std::map<std::wstring, std::set<std::wstring>> ids;  // instance -> identifiers, lower-cased
    std::wstring list_text;
    for (const std::vector<std::wstring>& device : list.second) {
      std::set<std::wstring>& set = ids[LowerText(device[0])];
      std::wstring text;
      for (const std::wstring& id : device) {
        set.insert(LowerText(id));
        text += id + L"\n";
      }
      list_text += (list_text.empty() ? L"" : L",") + text;
    }
    for (const std::wstring& inf : infs_) {
      SCOPED_TRACE(list.first + L" " + inf);
      InfDocument doc = InfDocument::Load(*files_, InfPath(inf));
      ASSERT_TRUE(doc.loaded());
      std::vector<DriverMatch> found =
          MatchInfDevices(doc, amd64_, DeviceIdList::FromItems(list.second));
      std::set<std::pair<std::wstring, std::wstring>> seen;  // (manufacturer+decoration, instance)
      for (const DriverMatch& m : found) {
        ASSERT_EQ(1u, ids.count(m.instance_id));
        EXPECT_EQ(1u, ids[m.instance_id].count(m.matched_id));
        EXPECT_TRUE(StartsWith(m.models_decoration, L".NTamd64") ||
                    StartsWith(m.models_decoration, L".NTAMD64"))
            << m.models_decoration;
        EXPECT_TRUE(seen.insert({m.manufacturer + m.models_decoration, m.instance_id}).second);
      }
      // The path form reads the same file into the same text.
      EXPECT_EQ(MatchListText(found), MatchInfDevices(*files_, InfPath(inf), amd64_, list_text));
      // A first match per device exists only where the list lookup found the
      // device (the single-device lookup skips the instance identifier).
      for (const std::vector<std::wstring>& device : list.second) {
        std::wstring text;
        for (const std::wstring& id : device) text += id + L"\n";
        std::optional<DriverMatch> one = MatchInfDevice(doc, amd64_, text);
        if (!one) continue;
        bool listed = false;
        for (const DriverMatch& m : found) listed = listed || m.instance_id == one->instance_id;
        EXPECT_TRUE(listed) << DriverMatchText(*one);
        EXPECT_TRUE(doc.SectionExists(one->install_section, true)) << one->install_section;
      }
    }
  }
}

// The matches of one INF as "identifier|models decoration" each.
std::vector<std::wstring> Found(const std::map<std::wstring, std::vector<DriverMatch>>& found, const std::wstring& inf) {
  std::vector<std::wstring> out;
  auto it = found.find(inf);
  if (it != found.end())
    for (const DriverMatch& m : it->second) out.push_back(m.matched_id + L"|" + m.models_decoration);
  return out;
}

const wchar_t kVirtio[] = L"virtio-win__kvm-guest-drivers-windows/";

TEST_F(CorpusMatchTest, VirtualMachineOfThisCorpus) {
  auto found = MatchAll(L"this-vm.txt", amd64_);
  // machine.inf names 8086:0D57 in undecorated models only, which an amd64
  // system never uses; the two virtio devices are served.
  ASSERT_EQ(2u, found.size());
  const std::vector<DriverMatch>& balloon = found[kVirtio + std::wstring(L"Balloon/sys/balloon.inf")];
  ASSERT_EQ(1u, balloon.size());
  EXPECT_EQ(
      L"VirtIO Balloon Driver\npci\\ven_1af4&dev_1045&subsys_10451af4&rev_01\\3&2b8e0b4b&0&08\n"
      L"pci\\ven_1af4&dev_1045\nballoon_device.NT\n.NTamd64\nRed Hat, Inc.\n01/01/2008\n0.0.0.1\nSystem",
      DriverMatchText(balloon[0]));
  const std::vector<DriverMatch>& viostor = found[kVirtio + std::wstring(L"viostor/viostor.inf")];
  ASSERT_EQ(1u, viostor.size());
  EXPECT_EQ(L"pci\\ven_1af4&dev_1042|scsi_inst|SCSIAdapter",
            viostor[0].matched_id + L"|" + viostor[0].install_section + L"|" + viostor[0].setup_class);
}

TEST_F(CorpusMatchTest, DesktopBoard) {
  auto found = MatchAll(L"desktop-pc.txt", amd64_);
  const std::pair<const wchar_t*, std::vector<std::wstring>> expected[] = {
      {L"ProAmineOfficial__Driver-NanoKit-ESP32-of-T.U.M-Pro_Amine-IC/silabser.inf",
       {L"usb\\vid_10c4&pid_ea60|.NTamd64.10.0...17134"}},
      // Three [Manufacturer] lines with one key: only the NTamd64 one applies.
      {L"JasonDean-1__Tools-Drivers/CH341SER.INF", {L"usb\\vid_1a86&pid_7523|.NTamd64"}},
      // 0403:A138 is listed by two INFs; the undecorated one is not for amd64.
      {L"SCMD__windows-driver/ftdibus.inf", {L"usb\\vid_0403&pid_a138|.NTamd64"}},
      {L"SCMD__windows-driver/FTD2XX.INF", {}},
      // Identifiers built from string tokens (USB\%DeviceID%).
      {L"pbatard__libwdi/libwdi/winusb.inf", {L"usb\\vid_0483&pid_df11|.NTamd64"}},
      {L"pbatard__libwdi/libwdi/usbser.inf", {L"usb\\vid_2341&pid_0043|.NTamd64"}},
      // A vendor and class identifier catches the board's SMBus controller.
      {L"virtio-win__kvm-guest-drivers-windows/Q35/SMBus/smbus.inf",
       {L"pci\\ven_8086&cc_0c0500|.NTamd64"}},
  };
  for (const auto& e : expected) EXPECT_EQ(e.second, Found(found, e.first)) << e.first;

  // An older build does not reach the silabs decoration's build part; an
  // x86 system uses the undecorated models of FTD2XX.INF.
  EXPECT_EQ(0u, MatchAll(L"desktop-pc.txt", Profile(L"AMD64", L"10.0", L"17000")).count(expected[0].first));
  auto x86 = MatchAll(L"desktop-pc.txt", Profile(L"x86", L"6.1", L"7601"));
  ASSERT_EQ(1u, x86.count(L"SCMD__windows-driver/FTD2XX.INF"));
  EXPECT_EQ(L"", x86[L"SCMD__windows-driver/FTD2XX.INF"][0].models_decoration);
  EXPECT_EQ(3u, x86[L"JasonDean-1__Tools-Drivers/CH341SER.INF"].size());
}

TEST_F(CorpusMatchTest, NetworkApplianceAndEmulatedChipset) {
  auto found = MatchAll(L"network-appliance.txt", amd64_);
  const std::wstring lan = L"titus672__FW-7525/UDMB-7525_V1.00/UDMB-7525_V1.00/LAN/Rangeley/";
  const std::vector<DriverMatch>& intel = found[lan + L"Winx64/NDIS64/e1s64x64.inf"];
  ASSERT_EQ(4u, intel.size());
  // NTamd64.6.3 and NTamd64.6.3.1 have equal versions: the first listed wins.
  for (const DriverMatch& m : intel)
    EXPECT_EQ(L".NTamd64.6.3|e1f41|Net", m.models_decoration + L"|" + m.install_section + L"|" + m.setup_class);
  EXPECT_EQ(0u, found.count(lan + L"Win32/NDIS62/WinPE/e1s6232.inf"));

  auto q35 = MatchAll(L"vm-q35-virtio.txt", amd64_);
  // The decoration as written in [Manufacturer].
  EXPECT_EQ(std::vector<std::wstring>{L"pci\\ven_1b36&dev_0002|.NTAMD64"},
            Found(q35, kVirtio + std::wstring(L"pciserial/qemupciserial.inf")));
  EXPECT_EQ(std::vector<std::wstring>{L"pci\\ven_1af4&dev_1042&subsys_11001af4&rev_01|.NTamd64"},
            Found(q35, kVirtio + std::wstring(L"viostor/viostor.inf")));
  // Unstamped templates ($ARCH$) and the x86-only copies serve nothing here.
  for (const auto& item : q35)
    EXPECT_FALSE(Contains(item.first, L"/x86/") || Contains(item.first, L"viorng")) << item.first;
}

}  // namespace
}  // namespace orvane
