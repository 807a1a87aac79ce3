// The CAS check over images held in memory.
#include "tape/image_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/image_builder.h"
#include "support/memory_image.h"
#include "support/string_sink.h"

namespace tvc {
namespace {

using testing::CountingBytes;
using testing::Lines;
using testing::MemoryImage;
using testing::StringSink;
using testing::TapeHeader;

struct Row {
  std::string name;
  std::int32_t raw_crc;
  bool operator==(const Row&) const = default;
};

struct CheckOutcome {
  std::string report;
  std::vector<Row> rows;
};

CheckOutcome RunCheck(const ImageLayout& layout, const MemoryImage& file, bool long_mode,
                      std::string name) {
  StringSink sink;
  ReportStream out(sink, [](const Status&) { FAIL() << "the report failed"; });
  RunState state;
  state.long_info = long_mode;
  state.shown_name = std::move(name);
  state.image = file.image();
  CheckImage(layout, state, out);
  out.Close();
  CheckOutcome outcome{sink.text, {}};
  for (std::size_t index = 0; index < state.summary.rows(); ++index) {
    const SummaryRow row = state.summary.row(index);
    outcome.rows.push_back({std::string(row.name), row.raw_crc});
  }
  return outcome;
}

CheckOutcome CheckCas(std::vector<std::uint8_t> bytes, bool long_mode = false,
                      std::string name = "GAME.CAS") {
  return RunCheck(kCasLayout, MemoryImage(std::move(bytes)), long_mode, std::move(name));
}

// The bytes cut to `length`, or padded with zeros to it.
std::vector<std::uint8_t> Resized(std::vector<std::uint8_t> bytes, std::size_t length) {
  bytes.resize(length);
  return bytes;
}

// A clean image of ten data bytes 1..10: block size 154, stored size 10, raw CRC 55.
TapeHeader CleanImage() { return TapeHeader::Consistent(CountingBytes(10, 1)); }

TEST(CasCheckTest, CleanImageShortAndLong) {
  EXPECT_EQ(CheckCas(CleanImage().Cas()).report,
            Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 55", ""}));
  const CheckOutcome outcome = CheckCas(CleanImage().Cas(), /*long_mode=*/true);
  EXPECT_EQ(outcome.report, Lines({
                                "Valid CAS file found: GAME.CAS",
                                "- Copy protection: $00 ($00=not protected)",
                                "- Full ($80) blocks in the file:   $0001 (1)",
                                "- Last block size in the file:     $001A (26)",
                                "- Size of the blocks (calculated): $009A (154)",
                                "- File type: Program file.",
                                "- Size of the file: $000A (10)",
                                "- Autostarted file.",
                                "Raw CRC: 55",
                                "",
                            }));
  EXPECT_EQ(outcome.rows, (std::vector<Row>{{"GAME.CAS", 55}}));
}

TEST(CasCheckTest, WrongMarkOrEmptyFileIsRejectedWithOneLine) {
  TapeHeader wrong_mark = CleanImage();
  wrong_mark.mark = 0x10;
  for (const auto& bytes : {wrong_mark.Cas(), std::vector<std::uint8_t>{}}) {
    for (const bool long_mode : {false, true}) {
      const CheckOutcome outcome = CheckCas(bytes, long_mode, "A.CAS");
      EXPECT_EQ(outcome.report, Lines({"       A.CAS file isn't a valid CAS file. Skipped..."}));
      EXPECT_TRUE(outcome.rows.empty());
    }
  }
  // A name longer than the field is written whole.
  EXPECT_EQ(CheckCas(wrong_mark.Cas(), false, "LONGERNAME.CAS").report,
            Lines({"LONGERNAME.CAS file isn't a valid CAS file. Skipped..."}));
}

TEST(CasCheckTest, FieldValuesAndWarnings) {
  struct Case {
    std::string label;
    std::uint8_t copy_protection, file_type, autorun;
    bool long_mode;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"data file, not autostarted", 0x5A, 0, 0x00, true,
       Lines({"Valid CAS file found: GAME.CAS", "- Copy protection: $5A ($00=not protected)",
              "- Full ($80) blocks in the file:   $0001 (1)",
              "- Last block size in the file:     $001A (26)",
              "- Size of the blocks (calculated): $009A (154)", "- File type: Data file.",
              "- Size of the file: $000A (10)", "- Not autostarted file", "Raw CRC: 55", ""})},
      {"unknown type and autorun, long", 0, 2, 0x01, true,
       Lines({"Valid CAS file found: GAME.CAS", "- Copy protection: $00 ($00=not protected)",
              "- Full ($80) blocks in the file:   $0001 (1)",
              "- Last block size in the file:     $001A (26)",
              "- Size of the blocks (calculated): $009A (154)", "! Unknown data file type.",
              "- Size of the file: $000A (10)", "! Autorun value is not normal, but maybe valid.",
              "Raw CRC: 55", ""})},
      {"unknown type and autorun, short", 0, 0xFF, 0x80, false,
       Lines({"Valid CAS file found: GAME.CAS", "! Unknown data file type.",
              "! Autorun value is not normal, but maybe valid.", "Raw CRC: 55", ""})},
  };
  for (const Case& c : cases) {
    TapeHeader image = CleanImage();
    image.copy_protection = c.copy_protection;
    image.file_type = c.file_type;
    image.autorun = c.autorun;
    const CheckOutcome outcome = CheckCas(image.Cas(), c.long_mode);
    EXPECT_EQ(outcome.report, c.expected) << c.label;
    EXPECT_EQ(outcome.rows, (std::vector<Row>{{"GAME.CAS", 55}})) << c.label;
  }
}

TEST(CasCheckTest, BlockSizeBoundsTheSum) {
  struct Case {
    std::string label;
    std::uint16_t full_blocks, last_block;
    std::size_t data_bytes;  // all $FF
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"below the header: nothing summed", 1, 0, 5,
       Lines({"Valid CAS file found: GAME.CAS",
              "File length calculated from block size is different than the size stored in CAS "
              "file.",
              "! PC Filesize: 149", "! Stored block size: 128", "Raw CRC: 0", ""})},
      {"512 full blocks wrap to 0", 512, 0, 5,
       Lines({"Valid CAS file found: GAME.CAS",
              "File length calculated from block size is different than the size stored in CAS "
              "file.",
              "! PC Filesize: 149", "! Stored block size: 0", "Raw CRC: 0", ""})},
      {"exactly the header", 1, 16, 0, Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 0", ""})},
      {"one data byte of five", 1, 17, 5,
       Lines({"Valid CAS file found: GAME.CAS",
              "File length calculated from block size is different than the size stored in CAS "
              "file.",
              "! PC Filesize: 149", "! Stored block size: 145", "Raw CRC: 255", ""})},
      {"block size 32768", 256, 0, 32624,
       Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 8319120", ""})},
      {"block size 65535", 511, 127, 65391,
       Lines({"Valid CAS file found: GAME.CAS", "Raw CRC: 16674705", ""})},
  };
  for (const Case& c : cases) {
    TapeHeader image = TapeHeader::Consistent(std::vector<std::uint8_t>(c.data_bytes, 0xFF));
    image.full_blocks = c.full_blocks;
    image.last_block = c.last_block;
    EXPECT_EQ(CheckCas(image.Cas()).report, c.expected) << c.label;
  }
}

TEST(CasCheckTest, StoredSizeIsComparedWithoutWrapping) {
  TapeHeader image = CleanImage();
  image.stored_size = 65535;
  EXPECT_EQ(CheckCas(image.Cas(), true).report,
            Lines({"Valid CAS file found: GAME.CAS", "- Copy protection: $00 ($00=not protected)",
                   "- Full ($80) blocks in the file:   $0001 (1)",
                   "- Last block size in the file:     $001A (26)",
                   "- Size of the blocks (calculated): $009A (154)", "- File type: Program file.",
                   "- Size of the file: $FFFF (65535)", "- Autostarted file.",
                   "! PC file size is different than the file size calculated from the value "
                   "stored in CAS file.",
                   "! PC Filesize: 154", "! Stored file size +144: 65679", "Raw CRC: 55", ""}));
}

TEST(CasCheckTest, SummaryRowKeepsThirtyTwoCharactersOfTheName) {
  const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.CAS";
  const CheckOutcome outcome = CheckCas(CleanImage().Cas(), false, name);
  EXPECT_EQ(outcome.report, Lines({"Valid CAS file found: " + name, "Raw CRC: 55", ""}));
  EXPECT_EQ(outcome.rows, (std::vector<Row>{{name.substr(0, 32), 55}}));
}

TEST(CasCheckTest, ImageEndingInsideTheHeaderIsLeftOut) {
  struct Case {
    std::size_t length;
    bool long_mode;
    std::string expected;
  };
  const std::string kValid = "Valid CAS file found: GAME.CAS";
  const std::vector<Case> cases = {
      {1, false,
       Lines({kValid, "! Unexpected end of file at offset 1. Image left out of the summary.", ""})},
      {3, true,
       Lines({kValid, "- Copy protection: $00 ($00=not protected)",
              "! Unexpected end of file at offset 3. Image left out of the summary.", ""})},
      {130, true,
       Lines({kValid, "- Copy protection: $00 ($00=not protected)",
              "- Full ($80) blocks in the file:   $0001 (1)",
              "- Last block size in the file:     $001A (26)",
              "- Size of the blocks (calculated): $009A (154)", "- File type: Program file.",
              "! Unexpected end of file at offset 130. Image left out of the summary.", ""})},
      {143, false,
       Lines(
           {kValid, "! Unexpected end of file at offset 143. Image left out of the summary.", ""})},
  };
  for (const Case& c : cases) {
    const CheckOutcome outcome = CheckCas(Resized(CleanImage().Cas(), c.length), c.long_mode);
    EXPECT_EQ(outcome.report, c.expected) << "length " << c.length;
    EXPECT_TRUE(outcome.rows.empty()) << "length " << c.length;
  }
}

TEST(CasCheckTest, ImageEndingInsideTheDataKeepsTheSumOfWhatIsThere) {
  // Older tools wrote block fields 112 bytes too large: the whole program is there.
  TapeHeader image = CleanImage();
  image.WithBlockSize(154 + 112);
  const CheckOutcome outcome = CheckCas(image.Cas());
  EXPECT_EQ(outcome.report,
            Lines({"Valid CAS file found: GAME.CAS",
                   "! Unexpected end of file at offset 154. Raw CRC of the data present.",
                   "File length calculated from block size is different than the size stored in "
                   "CAS file.",
                   "! PC Filesize: 154", "! Stored block size: 266", "Raw CRC: 55", ""}));
  EXPECT_EQ(outcome.rows, (std::vector<Row>{{"GAME.CAS", 55}}));
}

TEST(CasCheckTest, ReadErrorsLeaveTheImageOut) {
  const std::string lost = ": Input/output error. Image left out of the summary.";
  struct Case {
    std::string label;
    std::size_t offset;
    std::string report;
  };
  const std::vector<Case> cases = {
      {"at the mark", 0, Lines({"! Read error in GAME.CAS at offset 0" + lost, ""})},
      {"in the header", 100,
       Lines({"Valid CAS file found: GAME.CAS", "! Read error in GAME.CAS at offset 100" + lost,
              ""})},
      {"in the data", 150,
       Lines({"Valid CAS file found: GAME.CAS", "! Read error in GAME.CAS at offset 150" + lost,
              ""})},
      // Bytes that the check does not read cannot fail it: here ten behind the data.
      {"behind the data", 160, CheckCas(Resized(CleanImage().Cas(), 164)).report},
  };
  for (const Case& c : cases) {
    MemoryImage file(Resized(CleanImage().Cas(), 164));
    file.FailReadsAt(c.offset, "Input/output error");
    const CheckOutcome outcome = RunCheck(kCasLayout, file, false, "GAME.CAS");
    EXPECT_EQ(outcome.report, c.report) << c.label;
    EXPECT_EQ(outcome.rows.empty(), c.offset < 154) << c.label;
  }
}

// ---- TTP images ----

CheckOutcome CheckTtp(std::vector<std::uint8_t> bytes, bool long_mode = false) {
  return RunCheck(kTtpLayout, MemoryImage(std::move(bytes)), long_mode, "GAME.TTP");
}

// A TTP image of ten data bytes 1..10 whose stored size counts the signature as well, so that
// neither length group appears: 158 bytes, block size 154, stored size 14.
TapeHeader CleanTtp() {
  TapeHeader image = TapeHeader::Consistent(CountingBytes(10, 1));
  image.WithBlockSize(154);
  image.stored_size = 14;
  return image;
}

TEST(TtpCheckTest, CleanImageShortAndLong) {
  EXPECT_EQ(CheckTtp(CleanTtp().Ttp()).report,
            Lines({"TTP0", "Valid TTP file found: GAME.TTP", "Valid CAS file found: GAME.TTP",
                   "Raw CRC: 55", ""}));
  const CheckOutcome outcome = CheckTtp(CleanTtp().Ttp(), /*long_mode=*/true);
  EXPECT_EQ(outcome.report, Lines({
                                "TTP0",
                                "Valid TTP file found: GAME.TTP",
                                "Valid CAS file found: GAME.TTP",
                                "- Full ($80) blocks in the file:   $0001 (1)",
                                "- Last block size in the file:     $001A (26)",
                                "- Size of the blocks (calculated): $009A (154)",
                                "- File type: Program file.",
                                "- Size of the file: $000E (14)",
                                "- Autostarted file.",
                                "Raw CRC: 55",
                                "",
                            }));
  EXPECT_EQ(outcome.rows, (std::vector<Row>{{"GAME.TTP", 55}}));
}

TEST(TtpCheckTest, AnySignatureIsEchoedAndOnlyTheMarkDecides) {
  struct Case {
    std::string signature;
    std::string echoed;
    bool recognised;
  };
  // Control bytes are echoed as '?': a signature can neither break the line nor drive a terminal.
  const std::vector<Case> cases = {{"TTP0", "TTP0", true},
                                   {"ttp0", "ttp0", false},
                                   {"TTP1", "TTP1", false},
                                   {std::string("\x00\x01\r\x1B", 4), "????", false},
                                   {"\x7F\nT\xC3", "??T\xC3", false}};
  for (const Case& c : cases) {
    std::string expected = Lines({c.echoed});
    if (c.recognised) expected += Lines({"Valid TTP file found: GAME.TTP"});
    expected += Lines({"Valid CAS file found: GAME.TTP", "Raw CRC: 55", ""});
    const CheckOutcome outcome = CheckTtp(CleanTtp().Ttp(c.signature));
    EXPECT_EQ(outcome.report, expected) << c.signature;
    EXPECT_EQ(outcome.rows.size(), 1u) << c.signature;
  }
  TapeHeader wrong_mark = CleanTtp();
  wrong_mark.mark = 0x12;
  const CheckOutcome rejected = CheckTtp(wrong_mark.Ttp());
  EXPECT_EQ(rejected.report, Lines({"TTP0", "Valid TTP file found: GAME.TTP",
                                    "    GAME.TTP file isn't a valid CAS file. Skipped..."}));
  EXPECT_TRUE(rejected.rows.empty());
}

TEST(TtpCheckTest, FieldsAtTheirOffsetsAndStoredSizeHighByteFirst) {
  std::vector<std::uint8_t> bytes = CleanTtp().Ttp();
  bytes[5] = 0x02;  // full blocks, low byte first: 258
  bytes[6] = 0x01;
  bytes[134] = 0x01;  // stored size, high byte first: 258
  bytes[135] = 0x02;
  EXPECT_EQ(CheckTtp(bytes, true).report,
            Lines({"TTP0", "Valid TTP file found: GAME.TTP", "Valid CAS file found: GAME.TTP",
                   "- Full ($80) blocks in the file:   $0102 (258)",
                   "- Last block size in the file:     $001A (26)",
                   "- Size of the blocks (calculated): $811A (33050)", "- File type: Program file.",
                   "- Size of the file: $0102 (258)", "- Autostarted file.",
                   "! Unexpected end of file at offset 158. Raw CRC of the data present.",
                   "! PC file size is different than the file size calculated from the value "
                   "stored in CAS file.",
                   "! PC Filesize: 158", "! Stored file size +144: 402",
                   "File length calculated from block size is different than the size stored in "
                   "CAS file.",
                   "! PC Filesize: 158", "! Stored block size +4: 33054", "Raw CRC: 55", ""}));
}

TEST(TtpCheckTest, BlockSizeBoundsTheSum) {
  struct Case {
    std::string label;
    std::uint16_t block_size;
    std::uint16_t stored_size;
    std::size_t data_bytes;  // all $FF
    std::string expected_tail;
  };
  const std::vector<Case> cases = {
      {"block size 144: nothing summed", 144, 4, 0, Lines({"Raw CRC: 0", ""})},
      {"block size below the header", 100, 9, 5,
       Lines({"File length calculated from block size is different than the size stored in CAS "
              "file.",
              "! PC Filesize: 153", "! Stored block size +4: 104", "Raw CRC: 0", ""})},
      {"block size 40000, a file of 40004 bytes", 40000, 39860, 39856,
       Lines({"Raw CRC: 10163280", ""})},
      {"stored size without the signature", 148, 4, 4,
       Lines({"! PC file size is different than the file size calculated from the value stored "
              "in CAS file.",
              "! PC Filesize: 152", "! Stored file size +144: 148", "Raw CRC: 1020", ""})},
  };
  for (const Case& c : cases) {
    TapeHeader image = TapeHeader::Consistent(std::vector<std::uint8_t>(c.data_bytes, 0xFF));
    image.WithBlockSize(c.block_size);
    image.stored_size = c.stored_size;
    EXPECT_EQ(CheckTtp(image.Ttp()).report,
              Lines({"TTP0", "Valid TTP file found: GAME.TTP", "Valid CAS file found: GAME.TTP"}) +
                  c.expected_tail)
        << c.label;
  }
}

TEST(TtpCheckTest, ImagesThatEndEarly) {
  const std::string kStart =
      Lines({"TTP0", "Valid TTP file found: GAME.TTP", "Valid CAS file found: GAME.TTP"});
  struct Case {
    std::size_t length;
    std::string expected;
    std::size_t rows;
  };
  const std::vector<Case> cases = {
      {0, Lines({"    GAME.TTP file isn't a valid CAS file. Skipped..."}), 0},
      {3, Lines({"    GAME.TTP file isn't a valid CAS file. Skipped..."}), 0},
      {4,
       Lines({"TTP0", "Valid TTP file found: GAME.TTP",
              "    GAME.TTP file isn't a valid CAS file. Skipped..."}),
       0},
      {10,
       kStart +
           Lines({"! Unexpected end of file at offset 10. Image left out of the summary.", ""}),
       0},
      {147,
       kStart + Lines({"! Unexpected end of file at offset 147. Image left out of the "
                       "summary.",
                       ""}),
       0},
      {155,
       kStart + Lines({"! Unexpected end of file at offset 155. Raw CRC of the data present.",
                       "! PC file size is different than the file size calculated from the "
                       "value stored in CAS file.",
                       "! PC Filesize: 155", "! Stored file size +144: 158",
                       "File length calculated from block size is different than the size "
                       "stored in CAS file.",
                       "! PC Filesize: 155", "! Stored block size +4: 158", "Raw CRC: 28", ""}),
       1},
  };
  for (const Case& c : cases) {
    const CheckOutcome outcome = CheckTtp(Resized(CleanTtp().Ttp(), c.length));
    EXPECT_EQ(outcome.report, c.expected) << "length " << c.length;
    EXPECT_EQ(outcome.rows.size(), c.rows) << "length " << c.length;
  }
}

}  // namespace
}  // namespace tvc
