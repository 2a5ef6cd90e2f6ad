// A pseudo-terminal for the instrument simulator: the program opens its path like
// a serial port, the simulator reads and writes the other side.
#pragma once

#include <string>

namespace kalora {

class PseudoTerminal {
 public:
  // Creates the terminal in raw mode (no echo, no line editing, all eight bits).
  // On failure ok() is false and error() says why.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& error() const { return error_; }
  // The path the program opens as its serial port.
  const std::string& path() const { return path_; }
  // The simulator's side.
  int master() const { return master_; }

 private:
  int master_ = -1;
  // Held open by the simulator, so the terminal lives on while the program closes
  // and reopens its port.
  int slave_ = -1;
  std::string path_;
  std::string error_;
};

}  // namespace kalora
