#include "device/posix_serial.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kalora {

#ifdef _WIN32

bool PosixSerialLink::open(const std::string&) { return false; }
void PosixSerialLink::close() {}
bool PosixSerialLink::send(std::uint8_t) { return false; }
std::vector<std::uint8_t> PosixSerialLink::read_waiting() { return {}; }

#else

namespace {
constexpr int send_timeout_ms = 500;
}

bool PosixSerialLink::open(const std::string& name) {
  close();
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  termios line{};
  if (tcgetattr(fd, &line) != 0) {
    ::close(fd);
    return false;
  }
  cfmakeraw(&line);
  cfsetispeed(&line, B9600);
  cfsetospeed(&line, B9600);
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
  line.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (tcsetattr(fd, TCSANOW, &line) != 0) {
    ::close(fd);
    return false;
  }
  // Exclusive use; the modem lines fail harmlessly on a pseudo-terminal.
  ioctl(fd, TIOCEXCL);
  int rts = TIOCM_RTS;
  int dtr = TIOCM_DTR;
  ioctl(fd, TIOCMBIS, &rts);
  ioctl(fd, TIOCMBIC, &dtr);
  tcflush(fd, TCIOFLUSH);
  fd_ = fd;
  return true;
}

void PosixSerialLink::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

bool PosixSerialLink::send(std::uint8_t byte) {
  if (fd_ < 0) return false;
  for (;;) {
    const ssize_t n = ::write(fd_, &byte, 1);
    if (n == 1) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, send_timeout_ms) <= 0) return false;
  }
}

std::vector<std::uint8_t> PosixSerialLink::read_waiting() {
  std::vector<std::uint8_t> bytes;
  if (fd_ < 0) return bytes;
  std::uint8_t block[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.insert(bytes.end(), block, block + n);
  }
  return bytes;
}

#endif

}  // namespace kalora
