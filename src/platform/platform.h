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

// An image opened for reading. Closing happens in the destructor, so dropping the object (or
// resetting the owning pointer) closes the file on every path.
class InputFile {
 public:
  virtual ~InputFile() = default;

  // Reads up to buffer.size() bytes at the current position and advances it by the count read.
  // A count of 0 with an ok Status means the end of the file. Short counts are allowed anywhere.
  virtual Status Read(std::span<std::uint8_t> buffer, std::size_t* bytes_read) = 0;

  // Sets the absolute read position. A position beyond the end is no failure; the next read then
  // reports the end of the file.
  virtual Status Seek(std::int64_t offset) = 0;

  // The file's whole length in bytes, 64-bit, without moving the read position.
  virtual Status Length(std::int64_t* length) = 0;
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

  // Opens an existing regular file for reading only, sharing it with other programs, positioned
  // at offset 0. Returns nullptr on any failure (missing, a directory, no access, or not a regular
  // file such as a FIFO or a device), and the failure leaves no trace.
  virtual std::unique_ptr<InputFile> OpenInput(const std::string& path) = 0;

  // Standard output, where the whole report goes.
  virtual OutputSink& StandardOutput() = 0;

  // Writes one diagnostic line (the line end included by the caller) to standard error.
  virtual void WriteDiagnostic(std::string_view line) = 0;

  // Ends the process at once with `status`.
  [[noreturn]] virtual void Exit(int status) = 0;
};

}  // namespace tvc

#endif  // TVC_PLATFORM_PLATFORM_H_
