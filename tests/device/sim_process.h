// kalora-sim as a child of the test: started with a pipe on its standard input
// (closing it ends the simulator) and stopped and reaped when the object goes.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace kalora::test {

class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe(in) != 0) return;
    if (pipe(out) != 0) {
      ::close(in[0]);
      ::close(in[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
      std::vector<char*> argv{const_cast<char*>(KALORA_SIM)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(KALORA_SIM, argv.data());
      _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    path_ = first_line(out[0]);
    ::close(out[0]);
  }
  ~SimProcess() { stop(); }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The pseudo-terminal's path; empty when the simulator did not start.
  const std::string& path() const { return path_; }

  // Ends the simulator by closing its input (the way a vanished parent would),
  // with SIGTERM after a while, and returns its exit code.
  int stop() {
    if (pid_ <= 0) return exit_code_;
    if (stdin_ >= 0) ::close(stdin_);
    stdin_ = -1;
    int status = 0;
    for (int i = 0; i < 300 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(10'000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_code_;
  }

  void terminate() const {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }

  // True once the simulator has ended by itself within `ms`.
  bool ended_within(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
      }
      usleep(10'000);
    }
    return false;
  }
  int exit_code() const { return exit_code_; }

 private:
  static std::string first_line(int fd) {
    std::string line;
    char c = 0;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 10'000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  std::string path_;
  int exit_code_ = -1;
};

}  // namespace kalora::test
