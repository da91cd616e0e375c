#include "app/cancellation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/worker_state.h"
#include "support/in_memory_file_system.h"
#include "support/recording_view.h"

namespace orvane {
namespace {

class CountingChild : public ChildProcess {
 public:
  void Terminate() override { ++terminated; }
  std::atomic<int> terminated{0};
};

TEST(CancellationToken, EndsTheRegisteredChildOnceAndStaysSet) {
  CancellationToken token;
  CountingChild child;
  EXPECT_FALSE(token.IsCancelled());
  {
    ChildRegistration registration(token, &child);
    EXPECT_TRUE(registration.accepted());
    token.Cancel();
    token.Cancel();
  }
  EXPECT_TRUE(token.IsCancelled());
  EXPECT_EQ(child.terminated, 1);
}

TEST(CancellationToken, ChildRegisteredAfterCancelIsEndedAtOnce) {
  CancellationToken token;
  token.Cancel();
  CountingChild child;
  ChildRegistration registration(token, &child);
  EXPECT_FALSE(registration.accepted());
  EXPECT_EQ(child.terminated, 1);
}

TEST(CancellationToken, ChildThatEndedNormallyIsLeftAlone) {
  CancellationToken token;
  CountingChild first;
  CountingChild second;
  { ChildRegistration registration(token, &first); }
  ChildRegistration registration(token, &second);
  token.Cancel();
  EXPECT_EQ(first.terminated, 0);
  EXPECT_EQ(second.terminated, 1);
}

TEST(CancellationToken, CancelRacingWithTheEndOfTheChildNeverTouchesAGoneChild) {
  // A child is registered and destroyed over and over while another thread
  // cancels; Terminate must only ever reach a live child.
  for (int round = 0; round < 200; ++round) {
    CancellationToken token;
    std::atomic<bool> go{false};
    std::thread canceller([&] {
      while (!go) std::this_thread::yield();
      token.Cancel();
    });
    go = true;
    for (int i = 0; i < 20; ++i) {
      auto child = std::make_unique<CountingChild>();
      ChildRegistration registration(token, child.get());
      if (!registration.accepted()) {
        EXPECT_EQ(child->terminated, 1);
      }
    }
    canceller.join();
  }
}

TEST(CancellableFileSystem, PassesOperationsThroughUntilCancelledThenRefusesThem) {
  InMemoryFileSystem memory;
  memory.AddFile(L"/dps/a.inf", "x");
  CancellationToken token;
  CancellableFileSystem files(memory, token);
  std::string bytes;
  std::vector<DirEntry> entries;
  EXPECT_TRUE(files.ReadFile(L"/dps/a.inf", &bytes));
  EXPECT_EQ(bytes, "x");
  EXPECT_TRUE(files.WriteFile(L"/dps/b.inf", "y"));
  EXPECT_TRUE(files.ListDirectory(L"/dps", &entries));
  EXPECT_EQ(entries.size(), 2u);

  token.Cancel();
  EXPECT_FALSE(files.ReadFile(L"/dps/a.inf", &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(files.ListDirectory(L"/dps", &entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(files.WriteFile(L"/dps/c.inf", "z"));
  EXPECT_FALSE(files.AppendFile(L"/dps/a.inf", "z"));
  EXPECT_FALSE(files.CopyFile(L"/dps/a.inf", L"/dps/d.inf"));
  EXPECT_FALSE(files.DeleteFile(L"/dps/a.inf"));
  EXPECT_FALSE(files.DeleteTree(L"/dps"));
  EXPECT_FALSE(files.CreateDirectories(L"/dps/sub"));
  EXPECT_FALSE(files.FileExists(L"/dps/a.inf"));
  // Nothing changed underneath.
  EXPECT_TRUE(memory.ReadFile(L"/dps/a.inf", &bytes));
  EXPECT_EQ(bytes, "x");
  EXPECT_FALSE(memory.FileExists(L"/dps/c.inf"));
  EXPECT_FALSE(memory.DirectoryExists(L"/dps/sub"));
}

TEST(PackageUnpackFolder, IsOnTheDriveOfTheTemporaryDirectory) {
  EXPECT_EQ(PackageUnpackFolder(L"X:\\Windows\\TEMP\\"), L"X:\\orvane_dps");
  EXPECT_EQ(PackageUnpackFolder(L"C:"), L"C:\\orvane_dps");
  EXPECT_EQ(PackageUnpackFolder(L"C"), L"");
}

TEST(WorkerSlot, RunsOneWorkerAtATime) {
  WorkerSlot slot;
  EXPECT_FALSE(slot.IsRunning());
  EXPECT_TRUE(slot.WaitForEnd(std::chrono::milliseconds(0)));
  std::atomic<bool> release{false};
  std::atomic<int> second_runs{0};
  ASSERT_TRUE(slot.Start([&] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }));
  EXPECT_TRUE(slot.IsRunning());
  EXPECT_FALSE(slot.Start([&] { ++second_runs; }));
  EXPECT_FALSE(slot.WaitForEnd(std::chrono::milliseconds(20)));
  release = true;
  EXPECT_TRUE(slot.WaitForEnd(std::chrono::seconds(10)));
  EXPECT_FALSE(slot.IsRunning());
  ASSERT_TRUE(slot.Start([&] { ++second_runs; }));
  EXPECT_TRUE(slot.WaitForEnd(std::chrono::seconds(10)));
  EXPECT_EQ(second_runs, 1);
}

TEST(WorkerSlot, AnAbandonedWorkerNoLongerBlocksTheNext) {
  WorkerSlot slot;
  auto release = std::make_shared<std::atomic<bool>>(false);
  ASSERT_TRUE(slot.Start([release] {
    while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }));
  slot.Abandon();
  EXPECT_FALSE(slot.IsRunning());
  std::atomic<bool> ran{false};
  ASSERT_TRUE(slot.Start([&] { ran = true; }));
  EXPECT_TRUE(slot.WaitForEnd(std::chrono::seconds(10)));
  EXPECT_TRUE(ran);
  *release = true;
}

TEST(RecordingView, KeepsTheWindowStateAndTheOrderOfCalls) {
  RecordingView view;
  view.AddTreeItem(ViewControl::DeviceTree, L"LAN", ItemIcon{L"net", L"X:\\Windows"}, 7);
  view.AddTreeItem(ViewControl::DeviceTree, L"SATA (2)", ItemIcon{}, 9);
  view.Check(1);
  EXPECT_EQ(view.TreeItemCount(ViewControl::DeviceTree), 2);
  EXPECT_FALSE(view.IsTreeItemChecked(ViewControl::DeviceTree, 0));
  EXPECT_TRUE(view.IsTreeItemChecked(ViewControl::DeviceTree, 1));
  EXPECT_FALSE(view.IsTreeItemChecked(ViewControl::DeviceTree, 2));
  EXPECT_EQ(view.TreeItemData(ViewControl::DeviceTree, 1), 9);
  view.SetTreeItemChecked(ViewControl::DeviceTree, 1, false);
  view.SetTreeItemColour(ViewControl::DeviceTree, 1, ItemColour{255, 0, 0});
  EXPECT_FALSE(view.tree()[1].checked);
  EXPECT_TRUE(view.tree()[1].colour == (ItemColour{255, 0, 0}));

  EXPECT_EQ(view.SelectedListLine(ViewControl::DriverList), -1);
  view.AddListLine(ViewControl::DriverList, {L"Dev", L"Acme", L"1.0", L"01/02/2020"}, ItemIcon{});
  view.Select(0);
  EXPECT_EQ(view.SelectedListLine(ViewControl::DriverList), 0);
  view.ClearList(ViewControl::DriverList);
  EXPECT_EQ(view.SelectedListLine(ViewControl::DriverList), -1);

  view.SetText(ViewControl::CmdStatus, L"Check: a.inf");
  view.AppendLog(L"\r\none");
  view.AppendLog(L"\r\ntwo");
  EXPECT_EQ(view.log(), L"\r\none\r\ntwo");
  std::vector<std::wstring> calls = view.calls();
  ASSERT_EQ(calls.size(), 9u);
  EXPECT_EQ(calls[0], L"AddTreeItem DeviceTree LAN [net] 7");
  EXPECT_EQ(calls[3], L"SetTreeItemColour DeviceTree 1 255,0,0");
  EXPECT_EQ(calls[6], L"SetText CmdStatus=Check: a.inf");
  EXPECT_EQ(calls[8], L"AppendLog \r\ntwo");
}

}  // namespace
}  // namespace orvane
