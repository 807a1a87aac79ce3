// The platform services on POSIX systems (Linux, the BSDs, macOS).
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "platform/wildcard.h"

namespace tvc {

namespace {

Status ErrnoStatus(int error_number) { return Status::Error(std::strerror(error_number)); }

// A search that finds no file or directory under the name has nothing to report: the name (or a
// directory on its way) is simply not there.
bool MeansNotThere(int error_number) { return error_number == ENOENT || error_number == ENOTDIR; }

// Owns a descriptor and closes it on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads at `offset` into `buffer`, never waiting for a device when `only_cached`. Returns the
// count, or -1 with errno set; EAGAIN when only_cached and the bytes are not in memory.
ssize_t ReadAt(int fd, std::span<std::uint8_t> buffer, std::size_t offset, bool only_cached) {
  for (;;) {
    ssize_t count;
    if (only_cached) {
#ifdef RWF_NOWAIT
      iovec part = {buffer.data(), buffer.size()};
      count = ::preadv2(fd, &part, 1, static_cast<off_t>(offset), RWF_NOWAIT);
      // A kernel or file system that cannot tell answers as if the bytes were not there.
      if (count < 0 && (errno == EOPNOTSUPP || errno == EINVAL || errno == ENOSYS)) errno = EAGAIN;
#else
      errno = EAGAIN;  // no way to ask: as if the bytes were not there
      return -1;
#endif
    } else {
      count = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    }
    if (count >= 0 || errno != EINTR) return count;
  }
}

// Reads the file's start: first from the system's memory alone, unless that is of no interest,
// then, when that runs dry and waiting is allowed, as long as it takes. The file's length as
// fstat gave it bounds the reads, so that a whole image costs one read; a length of 0 (an empty
// file, or one of /proc's, which hold more than they say) reads on until a read gives nothing.
ReadOutcome ReadStart(int fd, std::int64_t length, std::span<std::uint8_t> buffer, Waiting waiting,
                      FileStart* start) {
  bool only_cached = waiting != Waiting::kAsNeeded;
  start->length = length;
  start->was_cached = only_cached;
  if (buffer.empty()) return ReadOutcome::kRead;
  const std::size_t wanted =
      length > 0 ? std::min(buffer.size(), static_cast<std::size_t>(length)) : buffer.size();
  std::size_t total = 0;
  do {
    const ssize_t count = ReadAt(fd, buffer.subspan(total), total, only_cached);
    if (count == 0) break;
    if (count > 0) {
      total += static_cast<std::size_t>(count);
    } else if (errno == EAGAIN && only_cached) {
      if (waiting == Waiting::kNever) return ReadOutcome::kWouldWait;
      only_cached = false;
    } else {
      start->read_error = ErrnoStatus(errno);
      break;
    }
  } while (total < wanted);
  start->size = total;
  start->was_cached = only_cached;
  return ReadOutcome::kRead;
}

// The matches of one pattern, gathered and sorted when the search starts, so that a report lists
// them in the same order on every run and every machine. The names lie back to back in one text
// and each match is a small record with a sort key, so that a directory of 100,000 images costs a
// few megabytes and a handful of allocations. A failure met while gathering comes first, then the
// matches gathered before it.
class PosixFileSearch final : public FileSearch {
 public:
  explicit PosixFileSearch(std::string directory_part)
      : directory_part_(std::move(directory_part)) {}

  void Add(std::string_view name) {
    matches_.push_back({NameSortKey(name), names_.size(), name.size()});
    names_.append(name);
  }

  void Sort() {
    std::sort(matches_.begin(), matches_.end(), [this](const Match& a, const Match& b) {
      if (a.sort_key != b.sort_key) return a.sort_key < b.sort_key;
      return NameLess(NameOf(a), NameOf(b));
    });
  }

  void Fail(int error_number) { failure_ = ErrnoStatus(error_number); }

  // Fills the caller's strings in place, so that a caller who keeps one FoundFile for the whole
  // search allocates nothing per match.
  SearchStep Next(FoundFile* match, Status* failure) override {
    if (!failure_.ok()) {
      *failure = std::exchange(failure_, Status::Ok());
      return SearchStep::kFailure;
    }
    if (next_ == matches_.size()) return SearchStep::kEnd;
    const std::string_view name = NameOf(matches_[next_++]);
    match->name.assign(name);
    match->path.assign(directory_part_).append(name);
    return SearchStep::kMatch;
  }

 private:
  // Sixteen bytes a match: a name is at most 255 bytes long (NAME_MAX) and all of a directory's
  // names together far below 2^48.
  struct Match {
    std::uint64_t sort_key;    // NameSortKey of the name
    std::uint64_t begin : 48;  // in names_
    std::uint64_t length : 16;
  };
  static_assert(sizeof(Match) == 16);

  std::string_view NameOf(const Match& match) const {
    return std::string_view(names_).substr(static_cast<std::size_t>(match.begin),
                                           static_cast<std::size_t>(match.length));
  }

  std::string directory_part_;
  std::string names_;
  std::vector<Match> matches_;
  std::size_t next_ = 0;
  Status failure_ = Status::Ok();
};

// Whether a directory entry is a directory, also through a symbolic link. The entry's own type
// answers without a system call for most entries.
bool IsDirectory(DIR* directory, const dirent& entry) {
#ifdef DT_DIR
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
#endif
  struct stat info;
  return ::fstatat(::dirfd(directory), entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

// The pattern splits at its last '/' into a directory part, taken literally, and a final part,
// which may hold wildcards. A parameter that names an existing entry exactly (not a directory) is
// that entry alone, even when its name holds '*' or '?', as POSIX names may: a shell that
// expanded a pattern hands over such names, and they must not be expanded a second time. When
// listed, a name that begins with '.' counts as hidden unless the final part begins with '.' too.
std::unique_ptr<FileSearch> ListMatches(const std::string& pattern) {
  const std::size_t slash = pattern.rfind('/');
  const std::string directory_part = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  const std::string final_part = pattern.substr(directory_part.size());
  auto search = std::make_unique<PosixFileSearch>(directory_part);
  if (final_part.empty()) return search;

  struct stat info;
  const bool exists = ::stat(pattern.c_str(), &info) == 0;
  const int lookup_error = exists ? 0 : errno;
  if (exists && !S_ISDIR(info.st_mode)) {
    search->Add(final_part);
    return search;
  }
  if (!HasWildcards(final_part)) {
    if (!exists && !MeansNotThere(lookup_error)) search->Fail(lookup_error);
    return search;
  }

  DIR* directory = ::opendir(directory_part.empty() ? "." : directory_part.c_str());
  if (directory == nullptr) {
    if (!MeansNotThere(errno)) search->Fail(errno);
    return search;
  }
  const bool show_hidden = final_part.front() == '.';
  for (;;) {
    errno = 0;  // readdir tells its end from a failure by errno alone
    const dirent* entry = ::readdir(directory);
    if (entry == nullptr) {
      if (errno != 0) search->Fail(errno);
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (name.front() == '.' && !show_hidden) continue;
    if (!WildcardMatch(final_part, name) || IsDirectory(directory, *entry)) continue;
    search->Add(name);
  }
  ::closedir(directory);
  search->Sort();
  return search;
}

Status WaitUntilWritable() {
  pollfd output = {STDOUT_FILENO, POLLOUT, 0};
  while (::poll(&output, 1, -1) < 0) {
    if (errno != EINTR) return ErrnoStatus(errno);
  }
  return Status::Ok();
}

class StandardOutputSink final : public OutputSink {
 public:
  StandardOutputSink() : is_console_(::isatty(STDOUT_FILENO) == 1) {}

  // A standard output that the reading program set non-blocking refuses bytes while it is full;
  // the tool then waits until it takes more, as it would on a blocking one.
  Status Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t count = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
      if (count >= 0) {
        bytes.remove_prefix(static_cast<std::size_t>(count));
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        if (const Status waited = WaitUntilWritable(); !waited.ok()) return waited;
      } else if (errno != EINTR) {
        return ErrnoStatus(errno);
      }
    }
    return Status::Ok();
  }

  bool IsConsole() const override { return is_console_; }

 private:
  bool is_console_;
};

class PosixPlatform final : public Platform {
 public:
  PosixPlatform(int argc, char** argv) : parameters_(argv + std::min(argc, 1), argv + argc) {}

  // Names are bytes to the system; by convention they are UTF-8, and a name that is not is taken
  // one byte a character.
  NameEncoding FileNameEncoding() const override { return NameEncoding::kUtf8; }

  std::vector<std::string> Parameters() override { return parameters_; }

  std::unique_ptr<FileSearch> StartSearch(const std::string& pattern) override {
    return ListMatches(pattern);
  }

  // Read access only and no lock: read-only files and files that another program holds open are
  // checked like any other. O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it has
  // no effect on the regular files that are read.
  ReadOutcome ReadFileStart(const std::string& path, std::span<std::uint8_t> buffer,
                            Waiting waiting, FileStart* start) override {
    *start = FileStart();
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) return ReadOutcome::kCannotOpen;
    struct stat info;
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return ReadOutcome::kCannotOpen;
    return ReadStart(file.get(), static_cast<std::int64_t>(info.st_size), buffer, waiting, start);
  }

  OutputSink& StandardOutput() override { return stdout_; }

  void WriteDiagnostic(std::string_view line) override {
    while (!line.empty()) {
      const ssize_t count = ::write(STDERR_FILENO, line.data(), line.size());
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) return;
      line.remove_prefix(static_cast<std::size_t>(count));
    }
  }

  [[noreturn]] void Exit(int status) override { std::_Exit(status); }

 private:
  std::vector<std::string> parameters_;
  StandardOutputSink stdout_;
};

}  // namespace

std::unique_ptr<Platform> Platform::Create(int argc, char** argv) {
  // A report beyond the file-size limit (ulimit -f) would otherwise kill the tool without a
  // word; ignored, the write fails with EFBIG and the run ends as for any unwritable report.
  std::signal(SIGXFSZ, SIG_IGN);
  return std::make_unique<PosixPlatform>(argc, argv);
}

}  // namespace tvc
