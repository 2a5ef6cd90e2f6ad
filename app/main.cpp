// The desktop program: the application, its three windows and the message loop.
#include <QApplication>

#include "app/main_window.h"
#include "core/texts.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("kalora"));
  kalora::app::TForm1 form1;  // its creation runs the start-up; it creates the download and about windows
  if (form1.start_failed()) return 1;
  form1.show();
  return app.exec();
}
