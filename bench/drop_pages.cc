// Drops files from the system's memory, for the benchmark's cold runs: every file named, or
// every other one (-2), so that half of a collection is read from memory and half from the disk.
//
//   drop_pages [-2] FILE...
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  int step = 1;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "-2") == 0) {
    step = 2;
    first = 2;
  }
  int failures = 0;
  for (int i = first; i < argc; i += step) {
    const int fd = ::open(argv[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
      std::fprintf(stderr, "drop_pages: cannot drop %s\n", argv[i]);
      ++failures;
    }
    if (fd >= 0) ::close(fd);
  }
  return failures == 0 ? 0 : 1;
}
