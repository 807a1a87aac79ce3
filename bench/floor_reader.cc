// The input floor of the benchmark: opens, reads and closes every file named on the command line
// and does nothing else, so that sorbek's time can be set against the least that any checker of
// the same files has to spend. The buffer is as large as the most sorbek reads of an image, so an
// image costs one read.
//
//   floor_reader FILE...           one file after the other, as a plain checker reads them
//   floor_reader -j N FILE...      N threads that take the files in any order: the limit of what
//                                  reading in parallel can gain on a cold disk
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 65540;

// Reads the file to its end; a read shorter than the buffer is taken as the end, as it is for a
// regular file, so that an image smaller than the buffer costs exactly one read.
bool ReadWhole(const char* path, unsigned char* buffer) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t count;
  do {
    count = ::read(fd, buffer, kBufferSize);
  } while (count == static_cast<ssize_t>(kBufferSize));
  ::close(fd);
  return count >= 0;
}

// Reads files[next], files[next + 1], ... as `next` hands them out, until none is left.
int ReadShare(char** files, int count, std::atomic<int>& next) {
  const auto buffer = std::make_unique<unsigned char[]>(kBufferSize);
  int failures = 0;
  for (int i; (i = next.fetch_add(1)) < count;) {
    if (!ReadWhole(files[i], buffer.get())) {
      std::fprintf(stderr, "floor_reader: cannot read %s\n", files[i]);
      ++failures;
    }
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  int threads = 1;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "-j") == 0) {
    threads = std::atoi(argv[2]);
    first = 3;
  }
  std::atomic<int> next{0};
  std::atomic<int> failures{0};
  std::vector<std::thread> readers;
  for (int t = 1; t < threads; ++t) {
    readers.emplace_back([&] { failures += ReadShare(argv + first, argc - first, next); });
  }
  failures += ReadShare(argv + first, argc - first, next);
  for (std::thread& reader : readers) reader.join();
  return failures == 0 ? 0 : 1;
}
