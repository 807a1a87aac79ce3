// The read-ahead stage over files in memory: whatever the system holds in memory, the steps come
// out in run order, each with its own file's bytes.
#include "driver/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "support/fake_platform.h"
#include "tape/run_state.h"

namespace tvc {
namespace {

using testing::FakePlatform;

constexpr std::size_t kSteps = 800;  // several windows

// Step i of the plan: every 7th a failed search, every 11th a missing file, every 13th a file
// that is only opened; the others files of 1 to 5 bytes that begin with i.
struct PlannedStep {
  SearchStep kind;
  std::string path;
  std::size_t bytes_wanted;
};

// The name of file i. (Built by appending: GCC 12 warns wrongly about "F" + std::to_string(i).)
std::string FileName(std::size_t i) { return std::string("F").append(std::to_string(i)); }

// " 1 2 3" for the bytes 1, 2, 3.
std::string Listed(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) text.append(" ").append(std::to_string(byte));
  return text;
}

std::vector<PlannedStep> Plan() {
  std::vector<PlannedStep> plan;
  for (std::size_t i = 0; i < kSteps; ++i) {
    const std::string path = FileName(i);
    if (i % 7 == 3) {
      plan.push_back({SearchStep::kFailure, path, 0});
    } else {
      plan.push_back({SearchStep::kMatch, i % 11 == 5 ? std::string("missing/").append(path) : path,
                      i % 13 == 6 ? 0 : kImageBytesRead});
    }
  }
  return plan;
}

std::vector<std::uint8_t> BytesOf(std::size_t i) {
  return std::vector<std::uint8_t>(i % 5 + 1, static_cast<std::uint8_t>(i));
}

// What one step that the stage handed out says, in a form that compares as a whole.
std::string Describe(const RunStep& step) {
  if (step.kind == SearchStep::kFailure)
    return std::string("failure ").append(step.failure.reason());
  if (step.outcome != ReadOutcome::kRead)
    return std::string("cannot open ").append(step.match.path);
  return std::string(step.match.path)
      .append(" of ")
      .append(std::to_string(step.start.length))
      .append(":")
      .append(Listed(step.bytes));
}

// What the stage should hand out for the plan.
std::vector<std::string> Expected(const std::vector<PlannedStep>& plan) {
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const PlannedStep& step = plan[i];
    if (step.kind == SearchStep::kFailure) {
      expected.push_back(std::string("failure ").append(step.path));
    } else if (step.path.starts_with("missing/")) {
      expected.push_back(std::string("cannot open ").append(step.path));
    } else {
      const std::vector<std::uint8_t> bytes = BytesOf(i);
      expected.push_back(std::string(step.path)
                             .append(" of ")
                             .append(std::to_string(bytes.size()))
                             .append(":")
                             .append(step.bytes_wanted > 0 ? Listed(bytes) : ""));
    }
  }
  return expected;
}

// Runs the plan through the stage; `in_memory(i)` says whether file i is in the system's memory.
std::vector<std::string> RunPlan(FakePlatform& platform, const std::vector<PlannedStep>& plan,
                                 const std::function<bool(std::size_t)>& in_memory) {
  for (std::size_t i = 0; i < plan.size(); ++i) {
    platform.AddFile(FileName(i), BytesOf(i), in_memory(i));
  }
  std::size_t next = 0;
  ReadAhead read_ahead(platform, [&](RunStep* step) {
    if (next == plan.size()) return false;
    const PlannedStep& planned = plan[next++];
    step->kind = planned.kind;
    step->match = {planned.path, planned.path};
    step->failure = Status::Error(planned.path);
    step->bytes_wanted = planned.bytes_wanted;
    return true;
  });
  std::vector<std::string> handed_out;
  while (const RunStep* step = read_ahead.Next()) handed_out.push_back(Describe(*step));
  return handed_out;
}

TEST(ReadAheadTest, StepsComeInRunOrderWhateverIsInMemory) {
  struct Case {
    const char* what;
    std::function<bool(std::size_t)> in_memory;
  };
  const Case cases[] = {
      {"all in memory", [](std::size_t) { return true; }},
      {"none in memory", [](std::size_t) { return false; }},
      {"every other one in memory", [](std::size_t i) { return i % 2 == 0; }},
      {"the first 20 not in memory", [](std::size_t i) { return i >= 20; }},
  };
  const std::vector<PlannedStep> plan = Plan();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform platform;
    EXPECT_EQ(RunPlan(platform, plan, c.in_memory), Expected(plan));
  }
}

// Files in memory are read by the run's own thread; the workers start at the first one that is
// not, read each file once, and stop taking over once a whole window in a row was in memory.
TEST(ReadAheadTest, ReadsAheadOnlyWhereReadingWaits) {
  const std::vector<PlannedStep> plan = Plan();
  FakePlatform all_in_memory;
  RunPlan(all_in_memory, plan, [](std::size_t) { return true; });
  EXPECT_TRUE(all_in_memory.ReadsThatMayWait().empty());

  FakePlatform none_in_memory;
  RunPlan(none_in_memory, plan, [](std::size_t) { return false; });
  std::vector<std::string> read = none_in_memory.ReadsThatMayWait();
  std::vector<std::string> files;
  for (const PlannedStep& step : plan) {
    if (step.kind == SearchStep::kMatch) files.push_back(step.path);
  }
  std::sort(read.begin(), read.end());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(read, files);

  FakePlatform cold_then_warm;
  RunPlan(cold_then_warm, plan, [](std::size_t i) { return i >= 20; });
  const std::vector<std::string> last_reads = cold_then_warm.ReadsThatNeverWait();
  ASSERT_FALSE(last_reads.empty());
  EXPECT_EQ(last_reads.back(), plan.back().path);
  EXPECT_LT(cold_then_warm.ReadsThatMayWait().size(), 20 + 3 * ReadAhead::kWindow);
  EXPECT_GT(last_reads.size(), kSteps / 2);
}

// A worker that runs out of memory hands the failure to the run, at the step it was reading.
TEST(ReadAheadTest, OutOfMemoryInAWorkerReachesTheRunAtItsStep) {
  const std::vector<PlannedStep> plan = Plan();
  FakePlatform platform;
  platform.ExhaustMemoryOn("F100");
  std::size_t handed_out = 0;
  EXPECT_THROW(
      {
        std::size_t next = 0;
        for (std::size_t i = 0; i < plan.size(); ++i) {
          platform.AddFile(FileName(i), BytesOf(i), false);
        }
        ReadAhead read_ahead(platform, [&](RunStep* step) {
          if (next == plan.size()) return false;
          step->kind = plan[next].kind;
          step->match = {plan[next].path, plan[next].path};
          step->bytes_wanted = plan[next].bytes_wanted;
          ++next;
          return true;
        });
        while (read_ahead.Next() != nullptr) ++handed_out;
      },
      std::bad_alloc);
  EXPECT_EQ(handed_out, 100u);
}

}  // namespace
}  // namespace tvc
