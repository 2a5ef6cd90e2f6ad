#include "device/pseudo_terminal.h"

#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace kalora {

#ifdef _WIN32

PseudoTerminal::PseudoTerminal() : error_("pseudo-terminals are not available on this platform") {}
PseudoTerminal::~PseudoTerminal() = default;

#else

PseudoTerminal::PseudoTerminal() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) {
    error_ = std::string("posix_openpt: ") + std::strerror(errno);
    return;
  }
  const char* name = (grantpt(master) == 0 && unlockpt(master) == 0) ? ptsname(master) : nullptr;
  const int slave = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
  termios raw{};
  if (slave < 0 || tcgetattr(slave, &raw) != 0) {
    error_ = std::string("pseudo-terminal: ") + std::strerror(errno);
    if (slave >= 0) ::close(slave);
    ::close(master);
    return;
  }
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  master_ = master;
  slave_ = slave;
  path_ = name;
}

PseudoTerminal::~PseudoTerminal() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

#endif

}  // namespace kalora
