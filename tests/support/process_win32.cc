// RunProgram on Windows: CreateProcessA with every parameter quoted for the tools' own splitter,
// standard output and standard error through pipes that two threads drain.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "support/command_line_quote.h"
#include "support/process.h"

namespace tvc::testing {

namespace {

// Owns a handle and closes it on every path.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Handle() { Close(); }

  void Close() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = nullptr;
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string(what) + " failed, error " +
                           std::to_string(::GetLastError()));
}

SECURITY_ATTRIBUTES Inheritable() {
  return {static_cast<DWORD>(sizeof(SECURITY_ATTRIBUTES)), nullptr, TRUE};
}

// A pipe whose write end the child inherits; the read end stays with the test.
struct Pipe {
  Handle read;
  Handle write;
};

Pipe MakePipe() {
  SECURITY_ATTRIBUTES inherit = Inheritable();
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &inherit, 0)) Fail("CreatePipe");
  Pipe pipe{Handle(read), Handle(write)};
  if (!::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0)) Fail("SetHandleInformation");
  return pipe;
}

Handle CreateReportFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit = Inheritable();
  Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) Fail("CreateFileA");
  return file;
}

// Reads until every writer has closed the pipe.
std::string ReadAll(HANDLE pipe) {
  std::string text;
  char buffer[65536];
  DWORD count = 0;
  while (::ReadFile(pipe, buffer, static_cast<DWORD>(sizeof buffer), &count, nullptr) &&
         count > 0) {
    text.append(buffer, count);
  }
  return text;
}

}  // namespace

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory, const RunOptions& options) {
  Pipe out = MakePipe();
  Pipe err = MakePipe();
  Handle report_file;
  STARTUPINFOA startup = {};
  startup.cb = static_cast<DWORD>(sizeof startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  // A pipe without a reader and a file-size limit are staged on POSIX systems only.
  if (options.stdout_path) {
    report_file = CreateReportFile(*options.stdout_path);
    startup.hStdOutput = report_file.get();
  } else if (options.stdout_kind == StandardOutput::kClosed) {
    startup.hStdOutput = nullptr;  // the child finds no standard output at all
  } else {
    startup.hStdOutput = out.write.get();
  }
  startup.hStdError = err.write.get();

  std::string command_line = QuoteCommandLine(program, arguments);
  const std::string working_directory = directory.string();
  PROCESS_INFORMATION child = {};
  if (!::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        working_directory.c_str(), &startup, &child)) {
    Fail("CreateProcessA");
  }
  const Handle process(child.hProcess);
  const Handle thread(child.hThread);
  // The child holds its own copies now; the test's must go, or the reads below never end.
  out.write.Close();
  err.write.Close();
  report_file.Close();

  ProcessResult result;
  std::thread error_reader([&] { result.err = ReadAll(err.read.get()); });
  result.out = ReadAll(out.read.get());
  error_reader.join();
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.get(), &exit_code)) Fail("GetExitCodeProcess");
  result.exit_status = static_cast<int>(exit_code);
  return result;
}

}  // namespace tvc::testing
