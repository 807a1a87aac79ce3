#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "support/process.h"

namespace tvc::testing {

namespace {

// Reads what the pipe holds, at most `most` bytes.
void Drain(int fd, std::string* into, bool* open, std::size_t most = 65536) {
  char buffer[65536];
  const ssize_t count = ::read(fd, buffer, std::min(most, sizeof buffer));
  if (count > 0) {
    into->append(buffer, static_cast<std::size_t>(count));
  } else if (count == 0 || errno != EINTR) {
    *open = false;
  }
}

// The child's side: descriptors and limits as the options ask, then the program.
[[noreturn]] void StartChild(const std::string& program, std::vector<char*>& argv,
                             const std::filesystem::path& directory, const RunOptions& options,
                             const int out_pipe[2], const int err_pipe[2]) {
  if (::chdir(directory.c_str()) != 0) ::_exit(kCouldNotStart);
  if (options.stdout_path) {
    const int fd = ::open(options.stdout_path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) ::_exit(kCouldNotStart);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
  } else if (options.stdout_kind == StandardOutput::kClosed) {
    ::close(STDOUT_FILENO);
  } else {
    ::dup2(out_pipe[1], STDOUT_FILENO);
  }
  ::dup2(err_pipe[1], STDERR_FILENO);
  // Only descriptors 0 to 2 go to the program: a stray copy of a pipe's reading end would keep
  // a reader alive, and one of its writing end would take the place of a closed output.
  for (const int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
    if (fd > STDERR_FILENO) ::close(fd);
  }
  if (options.stdout_kind == StandardOutput::kNonBlockingSlowReader) {
    ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
  }
  // What the test process ignores or blocks is no business of the program's.
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    ::signal(signal_number, SIG_DFL);  // fails harmlessly for SIGKILL, SIGSTOP and unused numbers
  }
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (options.unprivileged && ::geteuid() == 0) {
    constexpr id_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      ::_exit(kCouldNotStart);
    }
  }
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

// The bytes that an ended but not yet reaped child read, from Linux's /proc/PID/io; -1 elsewhere.
std::int64_t BytesRead(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  std::int64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

constexpr int kChildTimeLimitMs = 60 * 1000;

}  // namespace

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory, const RunOptions& options) {
  int out_pipe[2], err_pipe[2];
  if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> argv_text = {program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);
  // Without a reader from the start, so that even the child's first write meets a closed pipe.
  if (options.stdout_kind == StandardOutput::kPipeWithoutReader) {
    ::close(out_pipe[0]);
    out_pipe[0] = -1;
  }

  const pid_t pid = ::fork();
  if (pid == 0) StartChild(program, argv, directory, options, out_pipe, err_pipe);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ProcessResult result;
  bool out_open = out_pipe[0] >= 0, err_open = true;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kChildTimeLimitMs);
  while (out_open || err_open) {
    pollfd fds[2] = {{out_open ? out_pipe[0] : -1, POLLIN, 0},
                     {err_open ? err_pipe[0] : -1, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int ready = ::poll(fds, 2, static_cast<int>(std::max<std::int64_t>(0, left.count())));
    if (ready == 0) {
      ::kill(pid, SIGKILL);  // blocked or looping: end it, and let the test fail on its status
      break;
    }
    if (ready < 0) continue;
    if (fds[0].revents) {
      if (options.stdout_kind == StandardOutput::kNonBlockingSlowReader) {
        // A kilobyte at a time, a millisecond apart: the pipe stays full for the child.
        Drain(out_pipe[0], &result.out, &out_open, 1024);
        ::usleep(1000);
      } else {
        Drain(out_pipe[0], &result.out, &out_open);
      }
    }
    if (fds[1].revents) Drain(err_pipe[0], &result.err, &err_open);
  }
  if (out_pipe[0] >= 0) ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  siginfo_t ended;
  ::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT);
  result.bytes_read = BytesRead(pid);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace tvc::testing
