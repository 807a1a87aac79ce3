// Writes the example images of examples/ (or, with --check, verifies that they are up to date).
//   make_examples DIR          write the images into DIR
//   make_examples --check DIR  exit 1 unless DIR holds exactly these bytes
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/image_builder.h"

namespace {

using tvc::testing::TapeHeader;

struct Example {
  const char* name;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Text(const char* text) {
  return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

std::vector<Example> Examples() {
  // A clean program that starts by itself.
  TapeHeader hello = TapeHeader::Consistent(Text("10 PRINT \"HELLO TVC\"\r20 GOTO 10\r"));

  // A data file as older tools wrote it: block fields 112 bytes too large, so its data seem to
  // end early although all of it is there.
  TapeHeader scores = TapeHeader::Consistent(Text("ANNA 1200;BELA 950;CILI 720;DENES 400;"));
  scores.file_type = 0;
  scores.autorun = 0x00;
  scores.WithBlockSize(static_cast<std::uint16_t>(144 + scores.data.size() + 112));

  // Odd header values: an unknown autorun byte and a stored size that disagrees with the file.
  TapeHeader odd = TapeHeader::Consistent(tvc::testing::CountingBytes(300, 0x20));
  odd.autorun = 0x01;
  odd.copy_protection = 0x01;
  odd.stored_size = 280;

  // Not a CAS image at all: the first byte is not the CAS mark.
  TapeHeader not_cas = TapeHeader::Consistent(Text("just some text"));
  not_cas.mark = 'J';

  // TTP images: the same program with the signature in front, its block size as a complete TTP
  // image has it and its stored size counting the signature, so that no length warning appears.
  TapeHeader hello_ttp = hello;
  hello_ttp.stored_size = static_cast<std::uint16_t>(hello.data.size() + 4);

  // Another signature and a stored size without the signature: checked all the same, with a
  // length warning.
  TapeHeader scores_ttp = TapeHeader::Consistent(scores.data);
  scores_ttp.file_type = 0;
  scores_ttp.autorun = 0x00;

  // A TTP signature, but no CAS mark behind it.
  TapeHeader broken_ttp = hello_ttp;
  broken_ttp.mark = 0x00;

  return {{"HELLO.CAS", hello.Cas()},      {"SCORES.CAS", scores.Cas()},
          {"ODDHEAD.CAS", odd.Cas()},      {"NOTCAS.CAS", not_cas.Cas()},
          {"HELLO.TTP", hello_ttp.Ttp()},  {"SCORES.TTP", scores_ttp.Ttp("TTP1")},
          {"BROKEN.TTP", broken_ttp.Ttp()}};
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_examples [--check] DIR\n");
    return 2;
  }
  const std::filesystem::path directory = argv[argc - 1];
  int stale = 0;
  for (const Example& example : Examples()) {
    const std::filesystem::path path = directory / example.name;
    if (check) {
      if (ReadFile(path) != example.bytes) {
        std::fprintf(stderr, "%s is not up to date: rerun make_examples\n", path.string().c_str());
        stale = 1;
      }
      continue;
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(example.bytes.data()),
               static_cast<std::streamsize>(example.bytes.size()));
  }
  return stale;
}
