#include "device/receive.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TForm2::TForm2(kalora::State& state, kalora::Frontend& frontend, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      StaticText2(new QLabel(this)),
      ProgressBar1(new QProgressBar(this)),
      GroupBox1(new QGroupBox(QStringLiteral("Информация"), this)),
      StaticText5(new QLabel(GroupBox1)),
      StaticText1(new QLabel(GroupBox1)),
      StaticText7(new QLabel(GroupBox1)),
      Button1(new QPushButton(QStringLiteral("Отмена"), this)),
      Timer1(new QTimer(this)),
      CommPortDriver1(new TCommPortDriver(this)),
      download_(state, *CommPortDriver1, *this, *this, frontend) {
  setObjectName(QStringLiteral("Form2"));
  build();
  connect(Button1, &QPushButton::clicked, this, [this] { download_.cancel(); });
  connect(Timer1, &QTimer::timeout, this, [this] { download_.reply_timer_expired(); });
  connect(CommPortDriver1, &TCommPortDriver::receiveData, this, [this](const QByteArray& data) {
    download_.receive({reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())});
  });
  connect(CommPortDriver1, &TCommPortDriver::lineLost, this, [this] { download_.line_lost(); });
}

void TForm2::build() {
  setFixedSize(492, 264);
  setModal(true);

  StaticText2->setObjectName(QStringLiteral("StaticText2"));
  QFont bold = StaticText2->font();
  bold.setBold(true);
  bold.setPixelSize(16);
  StaticText2->setFont(bold);
  StaticText2->move(16, 12);

  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(16, 44, 460, 20);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setTextVisible(false);

  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(16, 76, 460, 132);
  struct Row {
    const char* label;
    QLabel* value;
    const char* name;
  };
  const Row rows[] = {{"Тип прибора:", StaticText5, "StaticText5"},
                      {"Версия ПО:", StaticText1, "StaticText1"},
                      {"Доступные методы:", StaticText7, "StaticText7"}};
  int y = 28;
  for (const Row& row : rows) {
    auto* label = new QLabel(QString::fromUtf8(row.label), GroupBox1);
    label->setGeometry(16, y, 140, 24);
    row.value->setObjectName(QString::fromUtf8(row.name));
    row.value->setGeometry(160, y, 284, 24);
    y += 32;
  }

  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(396, 222, 80, 28);
  Button1->setAutoDefault(false);

  Timer1->setObjectName(QStringLiteral("Timer1"));
  CommPortDriver1->setObjectName(QStringLiteral("CommPortDriver1"));
}

void TForm2::setPortNames(const QString& first, const QString& second) {
  download_.set_port_names({first.toStdString(), second.toStdString()});
}

void TForm2::setPortSearch(const kalora::PortChoice& choice, kalora::PortLister lister) {
  download_.set_port_search(choice, std::move(lister));
}

void TForm2::setKindCheck(kalora::KindCheck check) { download_.set_kind_check(std::move(check)); }

void TForm2::remember_port(std::string_view name) { emit portAnswered(text(name)); }

QStringList TForm2::defaultPortNames() {
  const auto names = kalora::default_port_names();
  return {QString::fromStdString(names[0]), QString::fromStdString(names[1])};
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar, not opened
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
  download_.open();
}

void TForm2::closeEvent(QCloseEvent* event) {
  // Only the download ends the window.
  event->ignore();
}

void TForm2::reject() {
  if (Button1->isEnabled()) Button1->click();
}

void TForm2::done(int result) {
  download_.close();
  QDialog::done(result);
}

void TForm2::set_status(std::string_view s) {
  StaticText2->setText(text(s));
  StaticText2->adjustSize();
}

void TForm2::set_progress(int position) { ProgressBar1->setValue(position); }
void TForm2::set_device_name(std::string_view s) { StaticText5->setText(text(s)); }
void TForm2::set_version(std::string_view s) { StaticText1->setText(text(s)); }
void TForm2::set_methods(std::string_view s) { StaticText7->setText(text(s)); }
void TForm2::set_caption(std::string_view s) { setWindowTitle(text(s)); }

void TForm2::setApplicationTitle(std::function<QString()> get, std::function<void(const QString&)> set) {
  get_title_ = std::move(get);
  set_title_ = std::move(set);
}

std::string TForm2::application_title() const {
  return (get_title_ ? get_title_() : QGuiApplication::applicationDisplayName()).toStdString();
}

void TForm2::set_application_title(std::string_view s) {
  if (set_title_) {
    set_title_(text(s));
  } else {
    QGuiApplication::setApplicationDisplayName(text(s));
  }
}

void TForm2::end(kalora::ModalResult result) {
  done(result == kalora::ModalResult::ok ? QDialog::Accepted : QDialog::Rejected);
}

void TForm2::start(int interval_ms) { Timer1->start(interval_ms); }

void TForm2::stop() { Timer1->stop(); }
