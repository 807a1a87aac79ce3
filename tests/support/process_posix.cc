#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/process.h"

namespace tvc::testing {

namespace {

void Drain(int fd, std::string* into, bool* open) {
  char buffer[65536];
  const ssize_t count = ::read(fd, buffer, sizeof buffer);
  if (count > 0) {
    into->append(buffer, static_cast<std::size_t>(count));
  } else if (count == 0 || errno != EINTR) {
    *open = false;
  }
}

}  // namespace

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory,
                         const std::optional<std::string>& stdout_path, bool close_stdout) {
  int out_pipe[2], err_pipe[2];
  if (::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> argv_text = {program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(directory.c_str()) != 0) ::_exit(126);
    if (close_stdout) {
      ::close(STDOUT_FILENO);
    } else if (stdout_path) {
      const int fd = ::open(stdout_path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) ::_exit(126);
      ::dup2(fd, STDOUT_FILENO);
    } else {
      ::dup2(out_pipe[1], STDOUT_FILENO);
    }
    ::dup2(err_pipe[1], STDERR_FILENO);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ProcessResult result;
  bool out_open = true, err_open = true;
  while (out_open || err_open) {
    pollfd fds[2] = {{out_open ? out_pipe[0] : -1, POLLIN, 0},
                     {err_open ? err_pipe[0] : -1, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents) Drain(out_pipe[0], &result.out, &out_open);
    if (fds[1].revents) Drain(err_pipe[0], &result.err, &err_open);
  }
  ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace tvc::testing
