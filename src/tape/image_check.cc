#include "tape/image_check.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "tape/hex.h"
#include "tape/image_reader.h"

namespace tvc {

const ImageLayout kCasLayout = {
    .MAGIC = "",
    .signature_found = "",
    .has_copy_protection = true,
    .first_skip = 123,
    .stored_size_order = ByteOrder::kLowFirst,
    .seeks_to_start = false,
    .stored_block_size_label = "! Stored block size: ",
};

const ImageLayout kTtpLayout = {
    .MAGIC = "TTP0",
    .signature_found = "Valid TTP file found: ",
    .has_copy_protection = false,
    .first_skip = 124,
    .stored_size_order = ByteOrder::kHighFirst,
    .seeks_to_start = true,
    .stored_block_size_label = "! Stored block size +4: ",
};

namespace {

constexpr std::uint8_t kCasMark = 0x11;
// The header from the CAS mark to the program data.
constexpr std::int64_t kHeaderLength = 144;
// The bytes after AUTORUN that close the header.
constexpr std::size_t kLastSkip = 11;

class HeaderWalk {
 public:
  HeaderWalk(const ImageLayout& layout, RunState& state, ReportStream& out)
      : layout_(layout), state_(state), out_(out), reader_(*state.F) {}

  void Run();

 private:
  bool CheckSignature();
  bool CheckMark();
  std::optional<std::uint16_t> Read16(ByteOrder order);
  bool ReadHeaderFields();
  bool SumProgramData();
  bool CompareLengths();
  void RecordRawCrc();

  void ShowValue16(std::string_view label, std::uint16_t value);
  void ShowFileType(std::uint8_t type);
  void ShowAutorun(std::uint8_t autorun);
  bool RejectImage();
  bool LeaveOut() { return LeaveOut(reader_.error()); }
  bool LeaveOut(const Status& error);

  const ImageLayout& layout_;
  RunState& state_;
  ReportStream& out_;
  ImageReader reader_;
  std::uint16_t BLOCKSIZE = 0;
  std::uint16_t STOREDSIZE = 0;
};

void HeaderWalk::Run() {
  state_.FCRC = 0;
  if (layout_.seeks_to_start && !reader_.Seek(0)) {
    LeaveOut();
    return;
  }
  if (!CheckSignature() || !CheckMark()) return;
  out_.Text("Valid CAS file found: ").Text(state_.INF).EndLine();
  if (!ReadHeaderFields() || !SumProgramData() || !CompareLengths()) return;
  RecordRawCrc();
}

// The signature line comes before any test, whatever its bytes; only a file too short to hold a
// signature is rejected at once.
bool HeaderWalk::CheckSignature() {
  if (layout_.MAGIC.empty()) return true;
  std::string S;
  while (S.size() < layout_.MAGIC.size()) {
    const auto byte = reader_.GETBYTE();
    if (!byte) {
      return reader_.stopped_by_error() ? LeaveOut() : RejectImage();
    }
    S.push_back(static_cast<char>(*byte));
  }
  out_.Line(S);
  if (S == layout_.MAGIC) out_.Text(layout_.signature_found).Text(state_.INF).EndLine();
  return true;
}

bool HeaderWalk::CheckMark() {
  const auto CASMARK = reader_.GETBYTE();
  if (!CASMARK && reader_.stopped_by_error()) return LeaveOut();
  if (!CASMARK || *CASMARK != kCasMark) return RejectImage();
  return true;
}

std::optional<std::uint16_t> HeaderWalk::Read16(ByteOrder order) {
  const auto first = reader_.GETBYTE();
  if (!first) return std::nullopt;
  const auto second = reader_.GETBYTE();
  if (!second) return std::nullopt;
  const auto [low, high] =
      order == ByteOrder::kLowFirst ? std::pair(*first, *second) : std::pair(*second, *first);
  return static_cast<std::uint16_t>(low | high << 8);
}

bool HeaderWalk::ReadHeaderFields() {
  if (layout_.has_copy_protection) {
    const auto COPYPROT = reader_.GETBYTE();
    if (!COPYPROT) return LeaveOut();
    if (state_.LONG) {
      out_.Text("- Copy protection: $").Text(HEX(*COPYPROT)).Text(" ($00=not protected)").EndLine();
    }
  }
  const auto FULLBLOCKS = Read16(ByteOrder::kLowFirst);
  if (!FULLBLOCKS) return LeaveOut();
  ShowValue16("- Full ($80) blocks in the file:   $", *FULLBLOCKS);
  const auto LASTBLOCK = Read16(ByteOrder::kLowFirst);
  if (!LASTBLOCK) return LeaveOut();
  ShowValue16("- Last block size in the file:     $", *LASTBLOCK);
  // Formed at full width, then kept to 16 bits: 512 full blocks give a block size of 0.
  BLOCKSIZE = static_cast<std::uint16_t>(*FULLBLOCKS * 128 + *LASTBLOCK);
  ShowValue16("- Size of the blocks (calculated): $", BLOCKSIZE);

  if (!reader_.Skip(layout_.first_skip)) return LeaveOut();
  const auto FILETYPE = reader_.GETBYTE();
  if (!FILETYPE) return LeaveOut();
  ShowFileType(*FILETYPE);
  const auto stored_size = Read16(layout_.stored_size_order);
  if (!stored_size) return LeaveOut();
  STOREDSIZE = *stored_size;
  ShowValue16("- Size of the file: $", STOREDSIZE);
  const auto AUTORUN = reader_.GETBYTE();
  if (!AUTORUN) return LeaveOut();
  ShowAutorun(*AUTORUN);
  if (!reader_.Skip(kLastSkip)) return LeaveOut();
  return true;
}

// The data run from the end of the header to BLOCKSIZE - 1 counted from the CAS mark. An image
// that ends early keeps the sum of the bytes present: older tools wrote block fields that
// overstate the data.
bool HeaderWalk::SumProgramData() {
  const std::int64_t wanted = std::max<std::int64_t>(0, BLOCKSIZE - kHeaderLength);
  const std::size_t summed = reader_.Sum(static_cast<std::size_t>(wanted), &state_.FCRC);
  if (static_cast<std::int64_t>(summed) == wanted) return true;
  if (reader_.stopped_by_error()) return LeaveOut();
  out_.Text("! Unexpected end of file at offset ")
      .Number(reader_.offset())
      .Text(". Raw CRC of the data present.")
      .EndLine();
  return true;
}

bool HeaderWalk::CompareLengths() {
  std::int64_t file_length = 0;
  if (const Status status = state_.F->Length(&file_length); !status.ok()) return LeaveOut(status);
  const std::int64_t stored_length = STOREDSIZE + kHeaderLength;
  if (file_length != stored_length) {
    out_.Line(
        "! PC file size is different than the file size calculated from the value stored in CAS "
        "file.");
    out_.Text("! PC Filesize: ").Number(file_length).EndLine();
    out_.Text("! Stored file size +144: ").Number(stored_length).EndLine();
  }
  // The signature lies in front of the blocks, so a complete image is that much longer.
  const std::int64_t block_length = BLOCKSIZE + static_cast<std::int64_t>(layout_.MAGIC.size());
  if (file_length != block_length) {
    out_.Line(
        "File length calculated from block size is different than the size stored in CAS file.");
    out_.Text("! PC Filesize: ").Number(file_length).EndLine();
    out_.Text(layout_.stored_block_size_label).Number(block_length).EndLine();
  }
  return true;
}

void HeaderWalk::RecordRawCrc() {
  out_.Text("Raw CRC: ").Number(state_.FCRC).EndLine();
  out_.EndLine();
  state_.summary.Add(state_.INF, state_.FCRC);
}

// A 16-bit field in long mode: the label, four hex digits, then the unsigned decimal value.
void HeaderWalk::ShowValue16(std::string_view label, std::uint16_t value) {
  if (!state_.LONG) return;
  out_.Text(label).Text(HEX(value)).Text(" (").Number(value).Text(")").EndLine();
}

// The TVC tape format marks a program file with 1 and a data file with 0.
void HeaderWalk::ShowFileType(std::uint8_t type) {
  if (type > 1) return out_.Line("! Unknown data file type.");
  if (state_.LONG) out_.Line(type == 1 ? "- File type: Program file." : "- File type: Data file.");
}

// The TVC tape format starts a program by itself when its autorun byte is $FF.
void HeaderWalk::ShowAutorun(std::uint8_t autorun) {
  if (autorun != 0x00 && autorun != 0xFF) {
    return out_.Line("! Autorun value is not normal, but maybe valid.");
  }
  if (state_.LONG) out_.Line(autorun == 0xFF ? "- Autostarted file." : "- Not autostarted file");
}

// Returns false, the walk's signal to stop.
bool HeaderWalk::RejectImage() {
  out_.Text(state_.INF, 12).Text(" file isn't a valid CAS file. Skipped...").EndLine();
  return false;
}

// The image stops before its header is complete, or a file operation fails (`error`; ok when the
// file merely ended): whatever was written stays, one line tells why, and the image gets no
// summary row. Returns false, the walk's signal to stop.
bool HeaderWalk::LeaveOut(const Status& error) {
  if (!error.ok()) {
    out_.Text("! Read error at offset ")
        .Number(reader_.offset())
        .Text(": ")
        .Text(error.reason())
        .Text(". Image left out of the summary.")
        .EndLine();
  } else {
    out_.Text("! Unexpected end of file at offset ")
        .Number(reader_.offset())
        .Text(". Image left out of the summary.")
        .EndLine();
  }
  out_.EndLine();
  return false;
}

}  // namespace

void CHECK(const ImageLayout& layout, RunState& state, ReportStream& out) {
  HeaderWalk(layout, state, out).Run();
  state.F.reset();
}

}  // namespace tvc
