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
    .signature = "",
    .signature_found = "",
    .has_copy_protection = true,
    .first_skip = 123,
    .stored_size_order = ByteOrder::kLowFirst,
    .stored_block_size_label = "! Stored block size: ",
};

const ImageLayout kTtpLayout = {
    .signature = "TTP0",
    .signature_found = "Valid TTP file found: ",
    .has_copy_protection = false,
    .first_skip = 124,
    .stored_size_order = ByteOrder::kHighFirst,
    .stored_block_size_label = "! Stored block size +4: ",
};

namespace {

constexpr std::uint8_t kCasMark = 0x11;
// The header from the CAS mark to the program data.
constexpr std::int64_t kHeaderLength = 144;
// The bytes after autorun that close the header.
constexpr std::size_t kLastSkip = 11;

class HeaderWalk {
 public:
  HeaderWalk(const ImageLayout& layout, RunState& state, ReportStream& out)
      : layout_(layout), state_(state), out_(out), reader_(state.image) {}

  void Run();

 private:
  bool CheckSignature();
  bool CheckMark();
  std::optional<std::uint16_t> Read16(ByteOrder order);
  bool ReadHeaderFields();
  bool SumProgramData();
  void CompareLengths();
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
  std::uint16_t block_size_ = 0;
  std::uint16_t stored_size_ = 0;
};

void HeaderWalk::Run() {
  state_.raw_crc = 0;
  if (!CheckSignature() || !CheckMark()) return;
  out_.Text("Valid CAS file found: ").Name(state_.shown_name).EndLine();
  if (!ReadHeaderFields() || !SumProgramData()) return;
  CompareLengths();
  RecordRawCrc();
}

// The signature line comes before any test, whatever its bytes (shown as a name is, so that no
// control character reaches the report); only a file too short to hold a signature is rejected
// at once.
bool HeaderWalk::CheckSignature() {
  if (layout_.signature.empty()) return true;
  std::string signature;
  while (signature.size() < layout_.signature.size()) {
    const auto byte = reader_.ReadByte();
    if (!byte) {
      return reader_.stopped_by_error() ? LeaveOut() : RejectImage();
    }
    signature.push_back(static_cast<char>(*byte));
  }
  out_.Name(signature).EndLine();
  if (signature == layout_.signature)
    out_.Text(layout_.signature_found).Name(state_.shown_name).EndLine();
  return true;
}

bool HeaderWalk::CheckMark() {
  const auto mark = reader_.ReadByte();
  if (!mark && reader_.stopped_by_error()) return LeaveOut();
  if (!mark || *mark != kCasMark) return RejectImage();
  return true;
}

std::optional<std::uint16_t> HeaderWalk::Read16(ByteOrder order) {
  const auto first = reader_.ReadByte();
  if (!first) return std::nullopt;
  const auto second = reader_.ReadByte();
  if (!second) return std::nullopt;
  const auto [low, high] =
      order == ByteOrder::kLowFirst ? std::pair(*first, *second) : std::pair(*second, *first);
  return static_cast<std::uint16_t>(low | high << 8);
}

bool HeaderWalk::ReadHeaderFields() {
  if (layout_.has_copy_protection) {
    const auto copy_protection = reader_.ReadByte();
    if (!copy_protection) return LeaveOut();
    if (state_.long_info) {
      out_.Text("- Copy protection: $")
          .Text(Hex(*copy_protection))
          .Text(" ($00=not protected)")
          .EndLine();
    }
  }
  const auto full_blocks = Read16(ByteOrder::kLowFirst);
  if (!full_blocks) return LeaveOut();
  ShowValue16("- Full ($80) blocks in the file:   $", *full_blocks);
  const auto last_block = Read16(ByteOrder::kLowFirst);
  if (!last_block) return LeaveOut();
  ShowValue16("- Last block size in the file:     $", *last_block);
  // Formed at full width, then kept to 16 bits: 512 full blocks give a block size of 0.
  block_size_ = static_cast<std::uint16_t>(*full_blocks * 128 + *last_block);
  ShowValue16("- Size of the blocks (calculated): $", block_size_);

  if (!reader_.Skip(layout_.first_skip)) return LeaveOut();
  const auto file_type = reader_.ReadByte();
  if (!file_type) return LeaveOut();
  ShowFileType(*file_type);
  const auto stored_size = Read16(layout_.stored_size_order);
  if (!stored_size) return LeaveOut();
  stored_size_ = *stored_size;
  ShowValue16("- Size of the file: $", stored_size_);
  const auto autorun = reader_.ReadByte();
  if (!autorun) return LeaveOut();
  ShowAutorun(*autorun);
  if (!reader_.Skip(kLastSkip)) return LeaveOut();
  return true;
}

// The data run from the end of the header to block_size_ - 1 counted from the CAS mark. An image
// that ends early keeps the sum of the bytes present: older tools wrote block fields that
// overstate the data.
bool HeaderWalk::SumProgramData() {
  const std::int64_t wanted = std::max<std::int64_t>(0, block_size_ - kHeaderLength);
  const std::size_t summed = reader_.Sum(static_cast<std::size_t>(wanted), &state_.raw_crc);
  if (static_cast<std::int64_t>(summed) == wanted) return true;
  if (reader_.stopped_by_error()) return LeaveOut();
  out_.Text("! Unexpected end of file at offset ")
      .Number(reader_.offset())
      .Text(". Raw CRC of the data present.")
      .EndLine();
  return true;
}

void HeaderWalk::CompareLengths() {
  const std::int64_t file_length = state_.image.length;
  const std::int64_t stored_length = stored_size_ + kHeaderLength;
  if (file_length != stored_length) {
    out_.Line(
        "! PC file size is different than the file size calculated from the value stored in CAS "
        "file.");
    out_.Text("! PC Filesize: ").Number(file_length).EndLine();
    out_.Text("! Stored file size +144: ").Number(stored_length).EndLine();
  }
  // The signature lies in front of the blocks, so a complete image is that much longer.
  const std::int64_t block_length =
      block_size_ + static_cast<std::int64_t>(layout_.signature.size());
  if (file_length != block_length) {
    out_.Line(
        "File length calculated from block size is different than the size stored in CAS file.");
    out_.Text("! PC Filesize: ").Number(file_length).EndLine();
    out_.Text(layout_.stored_block_size_label).Number(block_length).EndLine();
  }
}

void HeaderWalk::RecordRawCrc() {
  out_.Text("Raw CRC: ").Number(state_.raw_crc).EndLine();
  out_.EndLine();
  state_.summary.Add(state_.shown_name, state_.raw_crc);
}

// A 16-bit field in long mode: the label, four hex digits, then the unsigned decimal value.
void HeaderWalk::ShowValue16(std::string_view label, std::uint16_t value) {
  if (!state_.long_info) return;
  out_.Text(label).Text(Hex(value)).Text(" (").Number(value).Text(")").EndLine();
}

// The TVC tape format marks a program file with 1 and a data file with 0.
void HeaderWalk::ShowFileType(std::uint8_t type) {
  if (type > 1) return out_.Line("! Unknown data file type.");
  if (state_.long_info)
    out_.Line(type == 1 ? "- File type: Program file." : "- File type: Data file.");
}

// The TVC tape format starts a program by itself when its autorun byte is $FF.
void HeaderWalk::ShowAutorun(std::uint8_t autorun) {
  if (autorun != 0x00 && autorun != 0xFF) {
    return out_.Line("! Autorun value is not normal, but maybe valid.");
  }
  if (state_.long_info)
    out_.Line(autorun == 0xFF ? "- Autostarted file." : "- Not autostarted file");
}

// Returns false, the walk's signal to stop.
bool HeaderWalk::RejectImage() {
  out_.Name(state_.shown_name, 12).Text(" file isn't a valid CAS file. Skipped...").EndLine();
  return false;
}

// The image stops before its header is complete, or a read of the file failed (`error`; ok when
// the file merely ended): whatever was written stays, one line tells why, and the image gets no
// summary row. Returns false, the walk's signal to stop.
bool HeaderWalk::LeaveOut(const Status& error) {
  if (!error.ok()) {
    out_.Text("! Read error in ")
        .Name(state_.shown_name)
        .Text(" at offset ")
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

void CheckImage(const ImageLayout& layout, RunState& state, ReportStream& out) {
  HeaderWalk(layout, state, out).Run();
}

}  // namespace tvc
