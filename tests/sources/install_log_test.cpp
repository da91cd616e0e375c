// The log file of a run. Its exact bytes (header, UTF-8, CR LF) are compared
// whole by the unattended run's scenarios (sources/driver_sources_test.cpp)
// and the host import's (install/host_import_test.cpp).
#include "sources/install_log.h"

#include <gtest/gtest.h>

#include <string>

#include "support/simulated_machine.h"

namespace orvane {
namespace {

TEST(InstallLog, EachRunReplacesTheFileEvenWhenReadOnlyAndNoFileMeansNoWrites) {
  SimulatedMachine machine;
  machine.AddDrive(L"X", kDriveRamDisk, L"Boot");
  InstallLog log;
  // A temporary directory without a drive, and one on a drive that cannot
  // be written (not mapped here): the log stays closed, appends do nothing.
  for (const std::wstring temp : {L"", L"\\\\server\\share\\", L"Q:\\Temp\\"}) {
    EXPECT_FALSE(log.Open(machine.files, temp)) << temp;
    log.LogAppend(L"lost");
  }
  EXPECT_FALSE(machine.files.FileExists(L"X:\\Orvane.log"));

  ASSERT_TRUE(machine.WriteFile(L"X:\\Orvane.log", "old run\r\n"));
  ASSERT_TRUE(machine.files.SetAttributes(L"X:\\Orvane.log", kAttributeReadOnly));
  for (const std::wstring temp : {L"X:\\Windows\\TEMP\\", L"x:\\temp"}) {
    ASSERT_TRUE(log.Open(machine.files, temp));
    log.LogAppend(L"run on " + temp);
    log.Close();
    log.LogAppend(L"after the close");
    std::string bytes;
    machine.files.ReadFile(L"X:\\Orvane.log", &bytes);
    EXPECT_EQ("run on " + WideToUtf8(temp) + "\r\n", bytes);
  }
}

}  // namespace
}  // namespace orvane
