// A program started for a test: launched in a given working directory, waited for
// with a deadline, and killed if the test lets go of it while it still runs (or
// if the test program itself dies).
//
//   e2e::ChildProcess child(E2E_PROBE_PATH, "/tmp");
//   ...
//   std::optional<int> status = child.WaitForExit(std::chrono::seconds(1));
//   // status: the raw wait status (WIFEXITED / WEXITSTATUS), nullopt on timeout
#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

class ChildProcess {
 public:
  // Starts `program` with `arguments` and `workingDirectory` as its current directory,
  // its standard error into the file `errorFile` when one is named. The environment,
  // DISPLAY included, is inherited. pid() is -1 if it failed.
  ChildProcess(const std::string& program, const std::string& workingDirectory,
               const std::vector<std::string>& arguments = {},
               const std::string& errorFile = {});
  // Kills the program with SIGKILL and reaps it if it is still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  // Polls until the program ends or the timeout passes. Returns its wait status
  // (also on later calls once it has ended), nullopt if it still runs.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  void Kill();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// "exited with 0", "killed by signal 11", ... for test messages.
std::string DescribeStatus(std::optional<int> status);

}  // namespace e2e
