// Starting, waiting for and killing a test's child program.
#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace e2e {

ChildProcess::ChildProcess(const std::string& program, const std::string& workingDirectory,
                           const std::vector<std::string>& arguments,
                           const std::string& errorFile) {
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ != 0) return;
  // In the child only async-signal-safe calls: the test process has threads.
  // Should the test program itself die, the kernel ends the child too.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (chdir(workingDirectory.c_str()) != 0) _exit(126);
  if (!errorFile.empty()) {
    const int fd = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, STDERR_FILENO) < 0) _exit(126);
  }
  execv(program.c_str(), argv.data());
  _exit(127);
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Running() { return pid_ > 0 && !WaitForExit(std::chrono::milliseconds(0)); }

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (status_ || pid_ <= 0) return status_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = status;
      return status_;
    }
    if (done < 0 || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void ChildProcess::Kill() {
  if (pid_ <= 0 || status_) return;
  kill(pid_, SIGKILL);
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_) status_ = status;
}

std::string DescribeStatus(std::optional<int> status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exited with " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "killed by signal " + std::to_string(WTERMSIG(*status));
  return "stopped";
}

}  // namespace e2e
