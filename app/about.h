// TForm3, the about window: program name, version of the program file, purpose.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace kalora::app {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  // program_file: the file whose version record is shown; the running program when empty.
  explicit TForm3(QWidget* parent = nullptr, QString program_file = {});

  QLabel* StaticText1 = nullptr;
  QLabel* StaticText2 = nullptr;
  QLabel* StaticText3 = nullptr;
  QPushButton* Button1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow

 private:
  QString program_file_;
};

}  // namespace kalora::app
