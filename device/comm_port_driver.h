// The serial port of the download window: the program's own serial link at the
// instrument's line settings, polled every 50 ms, each poll delivering every
// waiting byte as one chunk (receiveData), and lineLost once when the port
// reports that the device went away.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include "device/download.h"
#include "device/posix_serial.h"

class TCommPortDriver : public QObject, public kalora::SerialLink {
  Q_OBJECT

 public:
  static constexpr int PollingDelay = 50;  // ms

  explicit TCommPortDriver(QObject* parent = nullptr);
  ~TCommPortDriver() override;

  // 9600 baud, 8 data bits, no parity, 2 stop bits, no flow control, RTS on, DTR
  // off, both queues purged, the port held exclusively. False when the port
  // cannot be opened or set, or another program holds it.
  bool open(const std::string& name) override;
  void close() override;
  // Writes one byte, waiting at most 500 ms; nothing on a closed port.
  bool send(std::uint8_t byte) override;

  bool connected() const { return link_.is_open(); }

 signals:
  void receiveData(const QByteArray& data);
  void lineLost();

 private:
  void poll();

  kalora::PosixSerialLink link_;
  QTimer* poll_timer_;
};
