#include "driver/read_ahead.h"

#include <new>
#include <system_error>
#include <utility>

#include "tape/run_state.h"

namespace tvc {

namespace {

// A buffer for the most the check reads of an image. Its pages are touched only as far as a read
// fills them, so a small image costs little memory.
std::unique_ptr<std::uint8_t[]> NewImageBuffer() {
  return std::make_unique_for_overwrite<std::uint8_t[]>(kImageBytesRead);
}

}  // namespace

ReadAhead::ReadAhead(Platform& platform, Source source)
    : platform_(platform), source_(std::move(source)), inline_buffer_(NewImageBuffer()) {}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

const RunStep* ReadAhead::Next() {
  if (reading_ahead_) {
    if (const RunStep* step = NextFromWindow(0)) return step;
    // The window ran empty after draining: back to reading in this thread. The workers sleep,
    // and the slots' buffers go: reading from memory needs none of them.
    reading_ahead_ = false;
    draining_ = false;
    for (Slot& slot : slots_) slot.buffer.reset();
  }
  return NextInline();
}

const RunStep* ReadAhead::NextInline() {
  if (source_ended_ || !source_(&inline_step_)) {
    source_ended_ = true;
    return nullptr;
  }
  if (inline_step_.kind != SearchStep::kMatch) return &inline_step_;
  Read(inline_step_, inline_buffer_.get(), Waiting::kNever);
  if (inline_step_.outcome != ReadOutcome::kWouldWait) return &inline_step_;

  // The file is not in memory: from here on the workers read ahead, this step first.
  reading_ahead_ = true;
  cached_in_a_row_ = 0;
  if (slots_.empty()) slots_.resize(kWindow + 1);  // the window and the step handed out
  StartWorkers();
  PrepareSlot(tail_).step = std::move(inline_step_);
  return NextFromWindow(1);
}

const RunStep* ReadAhead::NextFromWindow(std::size_t prepared) {
  // New steps go into free slots before the lock is taken: a search may take a while.
  if (!draining_) prepared += Prepare(prepared);

  std::unique_lock lock(mutex_);
  if (head_handed_out_) SlotAt(head_ - 1).state = SlotState::kFree;
  head_handed_out_ = false;
  std::size_t to_read = 0;
  for (; prepared > 0; --prepared, ++tail_) {
    Slot& slot = SlotAt(tail_);
    // A failed search needs no reading: it is ready as it comes.
    const bool needs_reading = slot.step.kind == SearchStep::kMatch;
    slot.state = needs_reading ? SlotState::kQueued : SlotState::kDone;
    if (needs_reading) ++to_read;
  }
  if (head_ == tail_) return nullptr;
  // One idle worker for each new step: waking them all for one step would cost more than the
  // reading of a cached image.
  for (std::size_t i = 0; i < to_read && i < workers_.size(); ++i) queued_.notify_one();

  Slot& head = SlotAt(head_);
  if (head.state == SlotState::kQueued) {
    // Every worker is busy, or none could be started: this thread reads the step itself.
    head.state = SlotState::kReading;
    lock.unlock();
    Read(head);
    lock.lock();
    head.state = SlotState::kDone;
  }
  if (head.state != SlotState::kDone) {
    waiting_for_head_ = true;
    done_.wait(lock, [&] { return head.state == SlotState::kDone; });
    waiting_for_head_ = false;
  }
  ++head_;
  head_handed_out_ = true;
  lock.unlock();

  if (head.out_of_memory) throw std::bad_alloc();
  RunStep& step = head.step;
  if (head.sample && step.outcome == ReadOutcome::kRead) {
    cached_in_a_row_ = step.start.was_cached ? cached_in_a_row_ + 1 : 0;
    if (cached_in_a_row_ >= kSamplesToGoBack) draining_ = true;
  }
  return &step;
}

std::size_t ReadAhead::Prepare(std::size_t already_prepared) {
  std::size_t prepared = 0;
  while (!source_ended_) {
    const std::uint64_t next = tail_ + already_prepared + prepared;
    if (next - head_ >= kWindow) break;
    if (!source_(&PrepareSlot(next).step)) {
      source_ended_ = true;
      break;
    }
    ++prepared;
  }
  return prepared;
}

ReadAhead::Slot& ReadAhead::PrepareSlot(std::uint64_t sequence) {
  // Free: the window and the step handed out take kWindow + 1 slots at most, and no other
  // thread looks at a slot beyond the window's tail.
  Slot& slot = SlotAt(sequence);
  if (!slot.buffer) slot.buffer = NewImageBuffer();
  slot.sample = sequence % kSampleEvery == 0;
  slot.out_of_memory = false;
  return slot;
}

void ReadAhead::StartWorkers() {
  if (!workers_.empty()) return;
  try {
    for (std::size_t i = 0; i < kWorkers; ++i) workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // The system allows no more threads (a process limit, little address space): the workers
    // that did start read ahead, and the run's own thread reads whatever they do not take.
  }
}

ReadAhead::Slot* ReadAhead::Claim() {
  if (next_claim_ < head_) next_claim_ = head_;
  for (; next_claim_ < tail_; ++next_claim_) {
    Slot& slot = SlotAt(next_claim_);
    if (slot.state == SlotState::kQueued) return &slot;
  }
  return nullptr;
}

void ReadAhead::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Slot* slot = nullptr;
    queued_.wait(lock, [&] { return stopping_ || (slot = Claim()) != nullptr; });
    if (stopping_) return;
    slot->state = SlotState::kReading;
    lock.unlock();
    try {
      Read(*slot);
    } catch (const std::bad_alloc&) {
      slot->out_of_memory = true;  // the run's thread ends the run when it takes the step
    }
    lock.lock();
    slot->state = SlotState::kDone;
    // Only the step at the head lets the run go on.
    if (waiting_for_head_ && slot == &SlotAt(head_)) done_.notify_one();
  }
}

void ReadAhead::Read(RunStep& step, std::uint8_t* buffer, Waiting waiting) {
  step.outcome = platform_.ReadFileStart(step.match.path, std::span(buffer, step.bytes_wanted),
                                         waiting, &step.start);
  step.bytes = std::span(buffer, step.start.size);
}

}  // namespace tvc
