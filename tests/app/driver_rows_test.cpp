#include "app/driver_rows.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvane {
namespace {

CandidateRecord PackageCandidate() {
  CandidateRecord candidate;
  candidate.match.description = L"acme gigabit";
  candidate.match.instance_id = L"pci\\ven_8086&dev_10d3\\3&1";
  candidate.match.matched_id = L"pci\\ven_8086&dev_10d3";
  candidate.match.install_section = L"e1q.ndi.ntx86";
  candidate.match.setup_class = L"Net";
  candidate.inf_path = L"X:\\orvane_dps\\win7\\x86\\e1q.inf";
  candidate.package_path = L"D:\\Drivers\\lan.7z";
  candidate.unpack_folder = L"X:\\orvane_dps";
  candidate.subfolder = L"win7\\x86\\";
  return candidate;
}

TEST(DriverRows, TextFormHasTenOrThirteenFields) {
  CandidateRecord plain = PackageCandidate();
  plain.package_path.clear();
  plain.unpack_folder.clear();
  plain.subfolder.clear();
  plain.inf_path = L"D:\\Drivers\\e1q.inf";
  const std::wstring plain_text = CandidateText(plain);
  EXPECT_EQ(9u, std::count(plain_text.begin(), plain_text.end(), L'\n'));
  EXPECT_EQ(L"D:\\Drivers\\e1q.inf", ParseCandidate(plain_text).inf_path);

  const CandidateRecord package = PackageCandidate();
  const std::wstring text = CandidateText(package);
  EXPECT_EQ(12u, std::count(text.begin(), text.end(), L'\n'));
  const CandidateRecord back = ParseCandidate(text);
  EXPECT_EQ(L"Net", back.match.setup_class);
  EXPECT_EQ(L"pci\\ven_8086&dev_10d3", back.match.matched_id);
  EXPECT_EQ(package.inf_path, back.inf_path);
  EXPECT_EQ(package.package_path, back.package_path);
  EXPECT_EQ(package.unpack_folder, back.unpack_folder);
  EXPECT_EQ(package.subfolder, back.subfolder);
}

TEST(DriverRows, DetailsShowThePackageSubfolderAndInfName) {
  const CandidateDetails details = DetailsOfCandidate(PackageCandidate());
  EXPECT_EQ(L"Net", details.type);
  EXPECT_EQ(L"pci\\ven_8086&dev_10d3", details.hardware_id);
  EXPECT_EQ(L"win7\\x86\\e1q.inf", details.inf);
  EXPECT_EQ(L"D:\\Drivers\\lan.7z", details.package);

  CandidateRecord plain = PackageCandidate();
  plain.package_path.clear();
  const CandidateDetails plain_details = DetailsOfCandidate(plain);
  EXPECT_EQ(plain.inf_path, plain_details.inf);
  EXPECT_EQ(L"", plain_details.package);
}

TEST(DriverRows, LinesMapToCandidatesInOrder) {
  CandidateTable table;
  EXPECT_FALSE(table.ForLine(0).has_value());
  CandidateRecord first = PackageCandidate();
  CandidateRecord second = PackageCandidate();
  second.match.description = L"second";
  table.Add(first);
  table.Add(second);
  ASSERT_EQ(2u, table.Count());
  EXPECT_EQ(L"acme gigabit", table.ForLine(0)->match.description);
  EXPECT_EQ(L"second", table.ForLine(1)->match.description);
  EXPECT_FALSE(table.ForLine(-1).has_value());  // no selected line
  EXPECT_FALSE(table.ForLine(2).has_value());
  table.Clear();
  EXPECT_EQ(0u, table.Count());
  EXPECT_FALSE(table.ForLine(0).has_value());
}

}  // namespace
}  // namespace orvane
