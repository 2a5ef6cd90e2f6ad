// The serial port of the download window: QSerialPort at the instrument's line
// settings, polled every 50 ms, each poll delivering every waiting byte as one
// chunk (receiveData).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include "device/download.h"

class TCommPortDriver : public QObject, public kalora::SerialLink {
  Q_OBJECT

 public:
  static constexpr int PollingDelay = 50;    // ms
  static constexpr int OutputTimeout = 500;  // ms

  explicit TCommPortDriver(QObject* parent = nullptr);
  ~TCommPortDriver() override;

  // 9600 baud, 8 data bits, no parity, 2 stop bits, no flow control, RTS on, DTR
  // off, both queues purged. False when the port cannot be opened or set.
  bool open(const std::string& name) override;
  void close() override;
  // Writes one byte, waiting at most OutputTimeout; nothing on a closed port.
  bool send(std::uint8_t byte) override;

  bool connected() const { return port_->isOpen(); }
  const QSerialPort& port() const { return *port_; }

 signals:
  void receiveData(const QByteArray& data);

 private:
  void poll();

  QSerialPort* port_;
  QTimer* poll_timer_;
};
