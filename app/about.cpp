#include "app/about.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "app/file_version.h"
#include "core/texts.h"

namespace kalora::app {

namespace {

QLabel* text_line(QWidget* parent, const char* name, const QString& text, int x, int y, int pixel_height, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  label->setFont(font);
  label->move(x, y);
  label->adjustSize();
  return label;
}

}  // namespace

TForm3::TForm3(QWidget* parent, QString program_file) : QDialog(parent), program_file_(std::move(program_file)) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("О программе"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(409, 153);

  StaticText1 = text_line(this, "StaticText1", QString::fromUtf8(texts::program_title), 12, 12, 16, true);
  StaticText3 = text_line(this, "StaticText3", QStringLiteral("Версия 1.0"), 12, 44, 13, false);
  StaticText2 = text_line(this, "StaticText2", QStringLiteral("Программа для передачи данных с прибора КАЛОРА-5"), 12,
                          72, 13, false);
  Button1 = new QPushButton(QStringLiteral("Ок"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(326, 116, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm3::showEvent(QShowEvent* event) {
  const QString file = program_file_.isEmpty() ? QCoreApplication::applicationFilePath() : program_file_;
  StaticText3->setText(QStringLiteral("Версия ") + QString::fromStdString(get_file_version(file.toStdString())));
  StaticText3->adjustSize();
  QDialog::showEvent(event);
}

}  // namespace kalora::app
