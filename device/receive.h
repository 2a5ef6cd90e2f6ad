// The download window: one exchange with the instrument, shown modally by
// "Создать" and "Дополнить". exec() gives QDialog::Accepted when a dump completed
// and flash holds the new image, QDialog::Rejected otherwise (modalResult() says
// OK or Cancel). No close box; Escape is the button "Отмена".
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

#include "device/comm_port_driver.h"
#include "device/download.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class TForm2 : public QDialog, private kalora::DownloadView, private kalora::ReplyTimer {
  Q_OBJECT

 public:
  // state and frontend live as long as the window; the frontend shows the message
  // boxes and makes the main window's tab sheets visible.
  TForm2(kalora::State& state, kalora::Frontend& frontend, QWidget* parent = nullptr);

  // Exactly these two ports, the first and then the second.
  void setPortNames(const QString& first, const QString& second);
  // The ports of each download made afresh from the user's choice and the
  // system's list (the lister is replaced by tests).
  void setPortSearch(const kalora::PortChoice& choice, kalora::PortLister lister);
  // "Дополнить": an instrument of the wrong kind is refused before its dump.
  void setKindCheck(kalora::KindCheck check);
  // "\\.\COM1" and "\\.\COM2" on Windows, "/dev/ttyS0" and "/dev/ttyS1" elsewhere.
  static QStringList defaultPortNames();

  // Where the application title lives while the window follows it with its
  // caption: the application's display name unless the main window keeps its own.
  void setApplicationTitle(std::function<QString()> get, std::function<void(const QString&)> set);

  kalora::ModalResult modalResult() const { return download_.result(); }
  // The device image length of the last completed download.
  std::size_t imageLength() const { return download_.image_length(); }

  void done(int result) override;
  void reject() override;  // Escape: as the button

 signals:
  // The instrument identified itself on this port.
  void portAnswered(const QString& name);

 public:
  QLabel* StaticText2;
  QProgressBar* ProgressBar1;
  QGroupBox* GroupBox1;
  QLabel* StaticText5;
  QLabel* StaticText1;
  QLabel* StaticText7;
  QPushButton* Button1;
  QTimer* Timer1;
  TCommPortDriver* CommPortDriver1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // DownloadView
  void set_status(std::string_view text) override;
  void set_progress(int position) override;
  void set_device_name(std::string_view text) override;
  void set_version(std::string_view text) override;
  void set_methods(std::string_view text) override;
  void set_caption(std::string_view text) override;
  std::string application_title() const override;
  void set_application_title(std::string_view text) override;
  void end(kalora::ModalResult result) override;
  void remember_port(std::string_view name) override;
  // ReplyTimer
  void start(int interval_ms) override;
  void stop() override;

  void build();

  std::function<QString()> get_title_;
  std::function<void(const QString&)> set_title_;
  kalora::Download download_;
};
