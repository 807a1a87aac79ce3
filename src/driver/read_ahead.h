// The read-ahead stage between the search and the check. The run takes its steps strictly in
// order; while it checks one image, worker threads open and read the next ones, so that a cold
// disk, an SSD or a network share serves many requests at once instead of one.
//
// Handing an image from one thread to another costs more than reading it from the system's memory,
// so the stage reads ahead only where reading waits: each image is first read by the run's own
// thread from what the system already holds in memory. The first one that is not there starts
// the workers, which then keep a window of the images ahead read. Every few images a worker reads
// from memory first, to learn whether the image was there; once a long run of such samples was,
// the stage drains its window and goes back to reading in the run's own thread.
#ifndef TVC_DRIVER_READ_AHEAD_H_
#define TVC_DRIVER_READ_AHEAD_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace tvc {

// One step of a run, in the order of the parameters and of each search: a match to check, or a
// search that failed.
struct RunStep {
  SearchStep kind = SearchStep::kEnd;    // kMatch or kFailure
  const std::string* pattern = nullptr;  // the parameter the step came from
  FoundFile match;                       // for kMatch
  Status failure = Status::Ok();         // for kFailure
  std::size_t bytes_wanted = 0;          // for kMatch: how much of the file to read; 0: open only

  // The read, for kMatch, once the stage hands the step out.
  ReadOutcome outcome = ReadOutcome::kCannotOpen;
  FileStart start;
  std::span<const std::uint8_t> bytes;  // the file's first start.size bytes
};

class ReadAhead {
 public:
  // Fills the next step of the run (its kind, pattern, match or failure and bytes_wanted) and
  // returns true, or returns false after the last.
  using Source = std::function<bool(RunStep*)>;

  // The number of images read ahead, and of the threads that read them.
  static constexpr std::size_t kWindow = 128;
  static constexpr std::size_t kWorkers = 16;
  // One image in this many is read from memory first, as a sample. An odd number, so that a
  // collection with every other file in memory gives samples of both kinds.
  static constexpr std::size_t kSampleEvery = 7;
  // Samples in a row that were in memory before the stage goes back to the run's own thread.
  static constexpr std::size_t kSamplesToGoBack = kWindow / kSampleEvery;

  ReadAhead(Platform& platform, Source source);
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  // Stops the workers; a read in progress is finished first.
  ~ReadAhead();

  // The next step, read. It stays valid until the next call; nullptr after the last.
  const RunStep* Next();

 private:
  enum class SlotState { kFree, kQueued, kReading, kDone };
  struct Slot {
    RunStep step;
    SlotState state = SlotState::kFree;
    bool sample = false;         // read from memory first, to learn whether the file was there
    bool out_of_memory = false;  // the worker's read ran out of memory
    std::unique_ptr<std::uint8_t[]> buffer;
  };

  const RunStep* NextInline();
  // Hands out the step at the head of the window, once read. `prepared` steps beyond the window's
  // tail wait to join it.
  const RunStep* NextFromWindow(std::size_t prepared);
  // Takes steps from the source into the slots beyond the window's tail and the `already_prepared`
  // ones, as long as the window has room; returns how many.
  std::size_t Prepare(std::size_t already_prepared);
  // The slot for step `sequence`, ready to take it.
  Slot& PrepareSlot(std::uint64_t sequence);
  void StartWorkers();
  void Work();
  // Reads the step's file into `buffer` and fills in the outcome.
  void Read(RunStep& step, std::uint8_t* buffer, Waiting waiting);
  void Read(Slot& slot) {
    Read(slot.step, slot.buffer.get(), slot.sample ? Waiting::kMemoryFirst : Waiting::kAsNeeded);
  }
  Slot& SlotAt(std::uint64_t sequence) { return slots_[sequence % slots_.size()]; }
  // The earliest queued slot that no worker has taken, or nothing; the lock is held.
  Slot* Claim();

  Platform& platform_;
  Source source_;
  bool source_ended_ = false;

  // Reading in the run's own thread.
  RunStep inline_step_;
  std::unique_ptr<std::uint8_t[]> inline_buffer_;

  // Reading ahead. Steps are numbered in run order; the window holds head_ to tail_ - 1.
  bool reading_ahead_ = false;
  bool draining_ = false;            // no more steps go into the window
  std::size_t cached_in_a_row_ = 0;  // samples handed out whose files were all in memory
  bool head_handed_out_ = false;     // the step before head_ is the run's until the next call
  std::vector<Slot> slots_;
  std::uint64_t head_ = 0;
  std::uint64_t tail_ = 0;
  std::uint64_t next_claim_ = 0;  // no queued step before this one is left for the workers

  std::mutex mutex_;
  std::condition_variable queued_;  // a step was queued, or the workers are to stop
  std::condition_variable done_;    // the step at the head was read
  bool waiting_for_head_ = false;   // the run's thread waits on done_
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace tvc

#endif  // TVC_DRIVER_READ_AHEAD_H_
