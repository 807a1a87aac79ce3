// The few operating-system services that the tools use. Each platform implements this interface
// in a file of its own (platform_posix.cc, platform_win32.cc); the driver and the image checks see
// nothing else of the system. Every failure is translated once, in the backend, into a Status
// that carries the system's reason.
#ifndef TVC_PLATFORM_PLATFORM_H_
#define TVC_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "text/utf8.h"

namespace tvc {

// What reading the start of a file found.
struct FileStart {
  std::size_t size = 0;              // bytes read into the caller's buffer, from offset 0
  std::int64_t length = 0;           // the whole file's length in bytes, 64-bit
  Status read_error = Status::Ok();  // not ok: a read failed at offset `size`
  bool was_cached = false;           // Waiting::kNever, kMemoryFirst: every byte came from memory
};

// How reading the start of a file ended.
enum class ReadOutcome {
  kRead,        // the file was opened and read; FileStart tells how far
  kCannotOpen,  // missing, a directory, no access, or not a regular file (a FIFO, a device)
  kWouldWait,   // some of the bytes are not in the system's memory yet; nothing was read
};

// Whether a read may wait for a device.
enum class Waiting {
  kNever,        // only what the system holds in memory; anything else is kWouldWait
  kAsNeeded,     // as long as it takes
  kMemoryFirst,  // as long as it takes, but first from memory alone, so that was_cached tells
};

// One directory entry that a search returned.
struct FoundFile {
  std::string name;  // the bare name, as the report shows it
  std::string path;  // the name with the pattern's directory part, as it is opened
};

// What one step of a search brings.
enum class SearchStep {
  kMatch,    // a matching entry
  kFailure,  // the system could not search all of it; matches may still follow
  kEnd,      // nothing further
};

// A running search for one pattern. Matches are regular entries (never directories, never "."
// or ".."); which entries count as hidden and in which order they come is the backend's rule.
// That nothing is there (a missing file or directory) is no failure: the search simply ends.
class FileSearch {
 public:
  virtual ~FileSearch() = default;
  // Takes the next step: fills *match for kMatch, or *failure with the system's reason for
  // kFailure. Once kEnd has come, every further step is kEnd.
  virtual SearchStep Next(FoundFile* match, Status* failure) = 0;
};

// Standard output as a byte stream.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // Writes all of `bytes` or fails; bytes arrive in the order written.
  virtual Status Write(std::string_view bytes) = 0;
  // True when the stream is an interactive console, which wants every line at its line end.
  virtual bool IsConsole() const = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The platform of the running process. argc and argv are main's; a platform that hands the
  // program one command line (Windows) may read that instead.
  static std::unique_ptr<Platform> Create(int argc, char** argv);

  // How the system spells file names: what a name's characters are, for its width in the report
  // and for where a cut may fall.
  virtual NameEncoding FileNameEncoding() const = 0;

  // Parameters 1 to n, never cut.
  virtual std::vector<std::string> Parameters() = 0;

  // Starts a search for a file name or wildcard pattern. An empty pattern, a missing file or
  // directory, or a pattern that names a directory yields a search without matches and without
  // failures; any other refusal of the system (no access, a loop of symbolic links, a name too
  // long, a disk error) is a failure step of the search.
  virtual std::unique_ptr<FileSearch> StartSearch(const std::string& pattern) = 0;

  // Opens the regular file at `path` for reading only, sharing it with other programs; measures
  // it; reads its first bytes into `buffer` until the buffer is full or the file ends or a read
  // fails; and closes it. A FIFO or a device is never read and never waited for, and a file that
  // cannot be opened leaves no trace. With Waiting::kNever a system that cannot tell whether a
  // read would wait answers kWouldWait. Safe to call from several threads at once.
  virtual ReadOutcome ReadFileStart(const std::string& path, std::span<std::uint8_t> buffer,
                                    Waiting waiting, FileStart* start) = 0;

  // Standard output, where the whole report goes.
  virtual OutputSink& StandardOutput() = 0;

  // Writes one diagnostic line (the line end included by the caller) to standard error.
  virtual void WriteDiagnostic(std::string_view line) = 0;

  // Ends the process at once with `status`.
  [[noreturn]] virtual void Exit(int status) = 0;
};

}  // namespace tvc

#endif  // TVC_PLATFORM_PLATFORM_H_
