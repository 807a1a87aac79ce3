// The check of one tape image: the header walk that writes the header lines and warnings,
// compares the stored lengths with the real one, sums the program data into the raw CRC and
// enters a valid image in the summary. CAS and TTP images share the walk; a layout tells them
// apart.
#ifndef TVC_TAPE_IMAGE_CHECK_H_
#define TVC_TAPE_IMAGE_CHECK_H_

#include <cstddef>
#include <string_view>

#include "report/report_stream.h"
#include "tape/run_state.h"

namespace tvc {

enum class ByteOrder { kLowFirst, kHighFirst };

// Where an image format keeps its header fields. From the CAS mark on, both formats share one
// 144-byte header; only the points below differ.
struct ImageLayout {
  // The signature in front of the CAS mark, echoed as a line of its own; empty when there is none.
  std::string_view signature;
  // The line written before the image's name when the image's signature is this one.
  std::string_view signature_found;
  // Whether a copy-protection byte follows the CAS mark.
  bool has_copy_protection;
  // Bytes between the last-block field and the file type that nobody looks at.
  std::size_t first_skip;
  ByteOrder stored_size_order;
  // Label of the block-size line; the compared length counts the signature as well.
  std::string_view stored_block_size_label;
};

// sorbek's CAS image: the 144-byte header at offset 0, every field low byte first.
extern const ImageLayout kCasLayout;
// ravnik's TTP image: "TTP0", then the header without a copy-protection byte and with the stored
// size high byte first.
extern const ImageLayout kTtpLayout;

// Checks state.image under the name state.shown_name, writes its lines to `out` and adds a
// summary row for a valid image.
void CheckImage(const ImageLayout& layout, RunState& state, ReportStream& out);

}  // namespace tvc

#endif  // TVC_TAPE_IMAGE_CHECK_H_
