#include "app/driver_rows.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The match of a network driver in its text form.
const std::wstring kMatch =
    L"acme gigabit\npci\\ven_8086&dev_10d3\\3&1\npci\\ven_8086&dev_10d3\ne1q.ndi.ntx86\n\n\n\n\nNet";

CandidateRecord PackageCandidate() {
  CandidateRecord candidate;
  candidate.match = ParseDriverMatch(kMatch);
  candidate.inf_path = L"X:\\orvane_dps\\win7\\x86\\e1q.inf";
  candidate.package_path = L"D:\\Drivers\\lan.7z";
  candidate.unpack_folder = L"X:\\orvane_dps";
  candidate.subfolder = L"win7\\x86\\";
  return candidate;
}

TEST(DriverRows, TextFormHasTenOrThirteenFieldsAndDetailsShowTheInfInItsPackage) {
  const CandidateRecord package = PackageCandidate();
  EXPECT_EQ(CandidateText(package),
            kMatch + L"\nX:\\orvane_dps\\win7\\x86\\e1q.inf\nD:\\Drivers\\lan.7z\nX:\\orvane_dps\nwin7\\x86\\");
  EXPECT_EQ(CandidateText(ParseCandidate(CandidateText(package))), CandidateText(package));
  CandidateRecord plain = PackageCandidate();
  plain.package_path = plain.unpack_folder = plain.subfolder = L"";
  plain.inf_path = L"D:\\Drivers\\e1q.inf";
  EXPECT_EQ(CandidateText(plain), kMatch + L"\nD:\\Drivers\\e1q.inf");

  const CandidateDetails details = DetailsOfCandidate(package);
  EXPECT_EQ(details.type + L"|" + details.hardware_id + L"|" + details.inf + L"|" + details.package,
            L"Net|pci\\ven_8086&dev_10d3|win7\\x86\\e1q.inf|D:\\Drivers\\lan.7z");
  EXPECT_EQ(DetailsOfCandidate(plain).inf + L"|" + DetailsOfCandidate(plain).package, L"D:\\Drivers\\e1q.inf|");
}

// The line of each candidate and no line selected: ImportSelectedCandidate
// (install_candidate_test), ScanDriverPath (driver_sources_test).
TEST(DriverRows, LinesPastTheTableHaveNoCandidate) {
  CandidateTable table;
  table.Add(PackageCandidate());
  EXPECT_FALSE(table.ForLine(1));
  table.Clear();
  EXPECT_FALSE(table.Count() || table.ForLine(0));
}

}  // namespace
}  // namespace orvane
