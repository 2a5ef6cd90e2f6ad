#include "device/comm_port_driver.h"

TCommPortDriver::TCommPortDriver(QObject* parent) : QObject(parent), poll_timer_(new QTimer(this)) {
  poll_timer_->setInterval(PollingDelay);
  connect(poll_timer_, &QTimer::timeout, this, &TCommPortDriver::poll);
}

TCommPortDriver::~TCommPortDriver() { close(); }

bool TCommPortDriver::open(const std::string& name) {
  close();
  if (!link_.open(name)) return false;
  poll_timer_->start();
  return true;
}

void TCommPortDriver::close() {
  poll_timer_->stop();
  link_.close();
}

bool TCommPortDriver::send(std::uint8_t byte) { return link_.send(byte); }

void TCommPortDriver::poll() {
  const std::vector<std::uint8_t> bytes = link_.read_waiting();
  if (!bytes.empty()) {
    emit receiveData(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
  }
  // The receiver may have closed the port on these bytes.
  if (link_.is_open() && link_.gone()) {
    poll_timer_->stop();
    emit lineLost();
  }
}
