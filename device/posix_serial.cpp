#include "device/posix_serial.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kalora {

namespace {
constexpr int send_timeout_ms = 500;

#ifdef _WIN32
// What a port says once its device has gone: a removed adapter, a closed driver.
bool device_gone(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
      return true;
    default:
      return false;
  }
}

bool is_com_name(const std::string& name) {
  return name.size() > 3 &&
         std::equal(name.begin(), name.begin() + 3, "COM",
                    [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }) &&
         std::all_of(name.begin() + 3, name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}
#endif
}  // namespace

std::string system_port_name(const std::string& name) {
#ifdef _WIN32
  if (is_com_name(name)) return "\\\\.\\COM" + name.substr(3);
#endif
  return name;
}

#ifdef _WIN32

bool PosixSerialLink::open(const std::string& name) {
  close();
  const std::string system_name = system_port_name(name);
  const std::filesystem::path path(std::u8string(system_name.begin(), system_name.end()));
  // No sharing: a port another program holds fails to open.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DCB line{};
  line.DCBlength = sizeof line;
  COMMTIMEOUTS waits{};
  // Reads return at once with what has arrived; a byte waits at most send_timeout_ms to go.
  waits.ReadIntervalTimeout = MAXDWORD;
  waits.WriteTotalTimeoutConstant = send_timeout_ms;
  bool ok = GetCommState(h, &line);
  if (ok) {
    line.BaudRate = CBR_9600;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = TWOSTOPBITS;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = line.fInX = FALSE;
    line.fAbortOnError = FALSE;  // a framing error must not stop every later read
    line.fDtrControl = DTR_CONTROL_DISABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    ok = SetCommState(h, &line) && SetCommTimeouts(h, &waits);
  }
  if (!ok) {
    CloseHandle(h);
    return false;
  }
  PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
  handle_ = h;
  gone_ = false;
  return true;
}

bool PosixSerialLink::is_open() const { return handle_ != nullptr; }

void PosixSerialLink::close() {
  if (handle_ == nullptr) return;
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool PosixSerialLink::send(std::uint8_t byte) {
  DWORD put = 0;
  return handle_ != nullptr && WriteFile(handle_, &byte, 1, &put, nullptr) && put == 1;
}

std::vector<std::uint8_t> PosixSerialLink::read_waiting() {
  std::vector<std::uint8_t> bytes;
  if (handle_ == nullptr || gone_) return bytes;
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_, &errors, &status) && device_gone(GetLastError())) {
    gone_ = true;
    return bytes;
  }
  std::uint8_t block[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle_, block, sizeof block, &got, nullptr)) {
      gone_ = true;
      break;
    }
    if (got == 0) break;
    bytes.insert(bytes.end(), block, block + got);
  }
  return bytes;
}

#else

bool PosixSerialLink::open(const std::string& name) {
  close();
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  // A port another program holds is refused before its settings are touched.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
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
  // Exclusive use: the terminal refuses further opens while the program has it.
  ioctl(fd, TIOCEXCL);
  // The modem lines fail harmlessly on a pseudo-terminal.
  int rts = TIOCM_RTS;
  int dtr = TIOCM_DTR;
  ioctl(fd, TIOCMBIS, &rts);
  ioctl(fd, TIOCMBIC, &dtr);
  tcflush(fd, TCIOFLUSH);
  fd_ = fd;
  gone_ = false;
  return true;
}

bool PosixSerialLink::is_open() const { return fd_ >= 0; }

void PosixSerialLink::close() {
  if (fd_ < 0) return;
  // A terminal whose other side stays open (a simulator) keeps the exclusive
  // mode past this close unless it is given back.
  ioctl(fd_, TIOCNXCL);
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
  if (fd_ < 0 || gone_) return bytes;
  std::uint8_t block[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, block, sizeof block);
    if (n > 0) {
      bytes.insert(bytes.end(), block, block + n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // A live line with nothing waiting says EAGAIN (at least one character is
    // asked for); end of file or an error (EIO) means the device hung up.
    gone_ = true;
    break;
  }
  return bytes;
}

#endif

}  // namespace kalora
