// The input floor of the benchmark: opens, reads and closes every file named on the command line
// and does nothing else, so that sorbek's time can be set against the least that any checker of
// the same files has to spend. The buffer is as large as sorbek's, so an image costs one read.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr std::size_t kBufferSize = 72 * 1024;

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

}  // namespace

int main(int argc, char** argv) {
  static unsigned char buffer[kBufferSize];
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    if (!ReadWhole(argv[i], buffer)) {
      std::fprintf(stderr, "floor_reader: cannot read %s\n", argv[i]);
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
