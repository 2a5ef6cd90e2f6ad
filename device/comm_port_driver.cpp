#include "device/comm_port_driver.h"

TCommPortDriver::TCommPortDriver(QObject* parent)
    : QObject(parent), port_(new QSerialPort(this)), poll_timer_(new QTimer(this)) {
  poll_timer_->setInterval(PollingDelay);
  connect(poll_timer_, &QTimer::timeout, this, &TCommPortDriver::poll);
}

TCommPortDriver::~TCommPortDriver() { close(); }

bool TCommPortDriver::open(const std::string& name) {
  close();
  port_->setPortName(QString::fromStdString(name));
  if (!port_->open(QIODevice::ReadWrite)) return false;
  const bool set = port_->setBaudRate(QSerialPort::Baud9600) && port_->setDataBits(QSerialPort::Data8) &&
                   port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::TwoStop) &&
                   port_->setFlowControl(QSerialPort::NoFlowControl);
  if (!set) {
    port_->close();
    return false;
  }
  // A pseudo-terminal has no modem lines: these fail there while the port works.
  port_->setRequestToSend(true);
  port_->setDataTerminalReady(false);
  port_->clear(QSerialPort::AllDirections);
  port_->clearError();
  poll_timer_->start();
  return true;
}

void TCommPortDriver::close() {
  poll_timer_->stop();
  if (port_->isOpen()) port_->close();
}

bool TCommPortDriver::send(std::uint8_t byte) {
  if (!port_->isOpen()) return false;
  const char c = static_cast<char>(byte);
  if (port_->write(&c, 1) != 1) return false;
  return port_->waitForBytesWritten(OutputTimeout) || port_->bytesToWrite() == 0;
}

void TCommPortDriver::poll() {
  if (!port_->isOpen()) return;
  const QByteArray data = port_->readAll();
  if (!data.isEmpty()) emit receiveData(data);
}
