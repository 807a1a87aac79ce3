// Writes the benchmark's corpus: clean CAS images with random program data, the same files for
// the same seed on every machine (the generator and the size mapping are our own, not the standard
// library's distributions, whose results differ between implementations).
//
// make_corpus DIRECTORY COUNT [SEED]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kMinimumData = 200;
constexpr std::uint32_t kMaximumData = 40000;
constexpr std::size_t kHeaderLength = 144;

// splitmix64: small, fast, and fully defined by its seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

 private:
  std::uint64_t state_;
};

void PutLowFirst(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<unsigned char>(value & 0xFF);
  bytes[at + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

// A clean image: the block fields and the stored size agree with the data length.
std::vector<unsigned char> MakeImage(Random& random) {
  const auto data_length =
      static_cast<std::uint32_t>(kMinimumData + random.Next() % (kMaximumData - kMinimumData + 1));
  const std::size_t length = kHeaderLength + data_length;
  std::vector<unsigned char> bytes(length, 0);
  bytes[0] = 0x11;
  PutLowFirst(bytes, 2, static_cast<std::uint32_t>(length / 128));
  PutLowFirst(bytes, 4, static_cast<std::uint32_t>(length % 128));
  bytes[129] = 1;
  PutLowFirst(bytes, 130, data_length);
  bytes[132] = 0xFF;
  for (std::size_t i = kHeaderLength; i < length; i += 8) {
    std::uint64_t word = random.Next();
    for (std::size_t j = i; j < length && j < i + 8; ++j, word >>= 8) {
      bytes[j] = static_cast<unsigned char>(word);
    }
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_corpus DIRECTORY COUNT [SEED]\n");
    return 2;
  }
  const std::string directory = argv[1];
  const long count = std::atol(argv[2]);
  Random random(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20081117);
  char name[32];
  for (long i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "/G%06ld.CAS", i);
    const std::vector<unsigned char> image = MakeImage(random);
    std::ofstream file(directory + name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    if (!file) {
      std::fprintf(stderr, "make_corpus: cannot write %s%s\n", directory.c_str(), name);
      return 1;
    }
  }
  return 0;
}
