#include "app/cancellation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "app/worker_state.h"
#include "platform/memory/memory_file_system.h"

namespace orvane {
namespace {

class CountingChild : public ChildProcess {
 public:
  void Terminate() override { ++terminated; }
  std::atomic<int> terminated{0};
};

TEST(CancellationToken, EndsOnlyTheRegisteredChildOnceAndStaysSet) {
  CancellationToken token;
  CountingChild ended_normally, running, late;
  { ChildRegistration registration(token, &ended_normally); }
  ChildRegistration registration(token, &running);
  EXPECT_TRUE(registration.accepted() && !token.IsCancelled());
  token.Cancel();
  token.Cancel();
  EXPECT_TRUE(token.IsCancelled());
  // A child registered after the cancel is ended at once.
  EXPECT_FALSE(ChildRegistration(token, &late).accepted());
  EXPECT_EQ((std::vector<int>{ended_normally.terminated, running.terminated, late.terminated}),
            (std::vector<int>{0, 1, 1}));
}

TEST(CancellationToken, CancelRacingWithTheEndOfTheChildNeverTouchesAGoneChild) {
  // A child is registered and destroyed over and over while another thread
  // cancels; Terminate must only ever reach a live child.
  for (int round = 0; round < 200; ++round) {
    CancellationToken token;
    std::thread canceller([&token] { token.Cancel(); });
    for (int i = 0; i < 20; ++i) {
      auto child = std::make_unique<CountingChild>();
      ChildRegistration registration(token, child.get());
      EXPECT_TRUE(registration.accepted() || child->terminated == 1);
    }
    canceller.join();
  }
}

TEST(CancellableFileSystem, RefusesEveryOperationOnceCancelled) {
  MemoryFileSystem memory;
  memory.AddFile(L"/dps/a.inf", "x");
  CancellationToken token;
  CancellableFileSystem files(memory, token);
  // Every scan of sources/driver_sources_test.cpp reads through it; here: what
  // a cancel stops. A refused read or listing leaves nothing of an earlier one.
  std::string bytes = "earlier";
  std::vector<DirEntry> entries(1);
  token.Cancel();
  EXPECT_FALSE(files.ReadFile(L"/dps/a.inf", &bytes) || !bytes.empty());
  EXPECT_FALSE(files.ListDirectory(L"/dps", &entries) || !entries.empty());
  EXPECT_FALSE(files.WriteFile(L"/dps/c.inf", "z") || files.AppendFile(L"/dps/a.inf", "z") ||
               files.CopyFile(L"/dps/a.inf", L"/dps/d.inf") || files.DeleteFile(L"/dps/a.inf") ||
               files.DeleteTree(L"/dps") || files.CreateDirectories(L"/dps/sub") || files.FileExists(L"/dps/a.inf"));
  // Nothing changed underneath.
  EXPECT_TRUE(memory.ReadFile(L"/dps/a.inf", &bytes) && bytes == "x");
  EXPECT_FALSE(memory.FileExists(L"/dps/c.inf") || memory.DirectoryExists(L"/dps/sub"));
}

// On the drive of a full temporary directory: "X:\orvane_dps" in the scans of
// sources/driver_sources_test.cpp; a bare drive is enough, less is none.
TEST(PackageUnpackFolder, IsOnTheDriveOfTheTemporaryDirectory) {
  EXPECT_EQ(PackageUnpackFolder(L"C:") + L"|" + PackageUnpackFolder(L"C"), L"C:\\orvane_dps|");
}

TEST(WorkerSlot, RunsOneWorkerAtATimeAndAnAbandonedOneNoLongerBlocks) {
  WorkerSlot slot;
  EXPECT_TRUE(!slot.IsRunning() && slot.WaitForEnd(std::chrono::milliseconds(0)));
  std::atomic<int> runs{0};
  auto count = [&runs] { ++runs; };
  for (bool abandon : {false, true}) {
    SCOPED_TRACE(abandon ? "abandoned" : "waited for");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ASSERT_TRUE(slot.Start([released] { released.wait(); }));
    EXPECT_TRUE(slot.IsRunning());
    EXPECT_FALSE(slot.Start(count));
    EXPECT_FALSE(slot.WaitForEnd(std::chrono::milliseconds(20)));
    if (abandon) {
      slot.Abandon();
    } else {
      release.set_value();
    }
    // Ended, or forgotten: the slot takes the next worker.
    EXPECT_TRUE(slot.WaitForEnd(std::chrono::seconds(10)));
    ASSERT_TRUE(slot.Start(count));
    EXPECT_TRUE(slot.WaitForEnd(std::chrono::seconds(10)));
    if (abandon) release.set_value();
  }
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace orvane
