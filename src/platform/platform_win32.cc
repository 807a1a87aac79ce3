// The platform services on Windows, on the Win32 API. The ANSI entry points are used throughout:
// names are bytes in the system's code page, and the report shows them as those same bytes.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "platform/command_line.h"
#include "platform/platform.h"

namespace tvc {

namespace {

// The system's own words for an error code, on one line and without the closing period, so that
// it reads well in the middle of a report line ("... at offset 5: The handle is invalid.").
std::string SystemMessage(DWORD code) {
  char text[512];
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, static_cast<DWORD>(sizeof text), nullptr);
  if (length == 0) return "Windows error " + std::to_string(code);
  std::string message(text, length);
  std::replace_if(
      message.begin(), message.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  while (!message.empty() && (message.back() == ' ' || message.back() == '.')) message.pop_back();
  return message;
}

Status ErrorStatus(DWORD code) { return Status::Error(SystemMessage(code)); }

// Must be called right after the failing call, before anything else can change the last error.
Status LastErrorStatus() { return ErrorStatus(::GetLastError()); }

// Owns a handle and releases it with `Close` on every path.
template <typename Close>
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  OwnedHandle(OwnedHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle& operator=(OwnedHandle&&) = delete;
  ~OwnedHandle() {
    if (valid()) Close()(handle_);
  }

  // The failing calls return INVALID_HANDLE_VALUE or, for some, a null handle.
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

struct CloseFile {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct CloseSearch {
  void operator()(HANDLE handle) const { ::FindClose(handle); }
};
using FileHandle = OwnedHandle<CloseFile>;
using SearchHandle = OwnedHandle<CloseSearch>;

// ReadFile and WriteFile count in 32 bits; a larger request is split or read short.
constexpr std::size_t kLargestTransfer = std::numeric_limits<DWORD>::max();

// Consoles, printers, pipes and directories are no images: only a file on a disk is read. Its
// length comes from the same look at the file.
bool MeasureDiskFile(HANDLE file, std::int64_t* length) {
  if (::GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  *length = static_cast<std::int64_t>(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 |
                                      info.nFileSizeLow);
  return true;
}

// Reads until the buffer is full, the file ends (a synchronous read of a disk file reports its
// end as success with no bytes) or a read fails.
void ReadStart(HANDLE file, std::span<std::uint8_t> buffer, FileStart* start) {
  std::size_t total = 0;
  while (total < buffer.size()) {
    const auto wanted = static_cast<DWORD>(std::min(buffer.size() - total, kLargestTransfer));
    DWORD count = 0;
    if (!::ReadFile(file, buffer.data() + total, wanted, &count, nullptr)) {
      start->read_error = LastErrorStatus();
      break;
    }
    if (count == 0) break;
    total += count;
  }
  start->size = total;
}

// The DOS volume-label mark. Current headers give it no name, and FindFirstFileA does not report
// volume labels, but an entry that bore it would not be a file to check.
constexpr DWORD kVolumeLabel = 0x08;

// Only entries without any of these marks are matches; read-only and archive files are.
constexpr DWORD kPassedOver =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | kVolumeLabel | FILE_ATTRIBUTE_DIRECTORY;

// What a match's name is opened under: the pattern up to its last '\', '/' or ':' ("C:x*.cas"
// searches the current directory of drive C:, and the match must be opened there too).
std::string DirectoryPart(const std::string& pattern) {
  const std::size_t end = pattern.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : pattern.substr(0, end + 1);
}

// A search that finds no file or directory under the pattern has nothing to report. Wine's
// FindFirstFileA also says "no more files" for a name that leads nowhere, such as a symbolic
// link to itself.
bool MeansNotThere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_NO_MORE_FILES;
}

// Hands out the entries in the order the system yields them. The wildcards, the case rules and
// the matching of short 8.3 names are the system's. A failure of the system comes where it
// happens: after the matches handed out before it, and it ends the search.
class Win32FileSearch final : public FileSearch {
 public:
  explicit Win32FileSearch(const std::string& pattern)
      : directory_part_(DirectoryPart(pattern)),
        search_(FindFirst(pattern, directory_part_.size(), &entry_)),
        has_entry_(search_.valid()) {
    if (!has_entry_ && !MeansNotThere(::GetLastError())) failure_ = LastErrorStatus();
  }

  SearchStep Next(FoundFile* match, Status* failure) override {
    while (has_entry_) {
      const bool passed_over = (entry_.dwFileAttributes & kPassedOver) != 0;
      std::string name = entry_.cFileName;
      FetchNext();
      if (!passed_over) {
        match->path = directory_part_ + name;
        match->name = std::move(name);
        return SearchStep::kMatch;
      }
    }
    if (!failure_.ok()) {
      *failure = std::exchange(failure_, Status::Ok());
      return SearchStep::kFailure;
    }
    return SearchStep::kEnd;
  }

 private:
  // A pattern that ends in its directory part names no entry, as on every other system.
  static HANDLE FindFirst(const std::string& pattern, std::size_t directory_length,
                          WIN32_FIND_DATAA* entry) {
    if (pattern.size() == directory_length) {
      ::SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    return ::FindFirstFileA(pattern.c_str(), entry);
  }

  void FetchNext() {
    has_entry_ = ::FindNextFileA(search_.get(), &entry_) != FALSE;
    if (!has_entry_ && ::GetLastError() != ERROR_NO_MORE_FILES) failure_ = LastErrorStatus();
  }

  std::string directory_part_;
  WIN32_FIND_DATAA entry_;  // the entry that Next hands out next; filled by FindFirstFileA
  SearchHandle search_;
  bool has_entry_;
  Status failure_ = Status::Ok();
};

Status WriteAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min(bytes.size(), kLargestTransfer));
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return LastErrorStatus();
    // A stream that takes nothing would keep this loop going for ever.
    if (written == 0) return ErrorStatus(ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  return Status::Ok();
}

// Standard output as the process inherited it. A missing handle is no special case: the first
// write fails, and the run ends as for any other failing write.
class StandardOutputSink final : public OutputSink {
 public:
  StandardOutputSink()
      : handle_(::GetStdHandle(STD_OUTPUT_HANDLE)),
        is_console_(::GetFileType(handle_) == FILE_TYPE_CHAR) {}

  Status Write(std::string_view bytes) override { return WriteAll(handle_, bytes); }
  bool IsConsole() const override { return is_console_; }

 private:
  HANDLE handle_;  // owned by the process, never closed here
  bool is_console_;
};

class Win32Platform final : public Platform {
 public:
  // The ANSI entry points give names in the system's code page, one byte a character.
  NameEncoding FileNameEncoding() const override { return NameEncoding::kSingleByte; }

  // Windows hands a program one command line; main's argv is the C runtime's reading of it,
  // which follows other quoting rules.
  std::vector<std::string> Parameters() override { return SplitCommandLine(::GetCommandLineA()); }

  std::unique_ptr<FileSearch> StartSearch(const std::string& pattern) override {
    return std::make_unique<Win32FileSearch>(pattern);
  }

  // Read access only, and every kind of sharing: read-only files and files that another program
  // holds open, even for writing or deleting, are checked like any other. Windows has no cheap
  // way to ask whether a read would wait, so a read that must not wait is never tried, and no
  // read tells that it came from memory.
  ReadOutcome ReadFileStart(const std::string& path, std::span<std::uint8_t> buffer,
                            Waiting waiting, FileStart* start) override {
    *start = FileStart();
    if (waiting == Waiting::kNever) return ReadOutcome::kWouldWait;
    const FileHandle file(::CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid() || !MeasureDiskFile(file.get(), &start->length)) {
      return ReadOutcome::kCannotOpen;
    }
    // Reading stops at the measured length, so that a whole image costs one read.
    if (start->length < static_cast<std::int64_t>(buffer.size())) {
      buffer = buffer.first(static_cast<std::size_t>(std::max<std::int64_t>(start->length, 0)));
    }
    ReadStart(file.get(), buffer, start);
    return ReadOutcome::kRead;
  }

  OutputSink& StandardOutput() override { return stdout_; }

  void WriteDiagnostic(std::string_view line) override {
    WriteAll(::GetStdHandle(STD_ERROR_HANDLE), line);  // nowhere left to report a failure
  }

  [[noreturn]] void Exit(int status) override { ::ExitProcess(static_cast<UINT>(status)); }

 private:
  StandardOutputSink stdout_;
};

}  // namespace

std::unique_ptr<Platform> Platform::Create(int /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32Platform>();
}

}  // namespace tvc
