// The desktop program: the application, its three windows and the message loop.
#include <QApplication>

#include "app/language.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  kalora::app::prefer_russian_system_locale();
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("kalora"));
  // Qt's own dialogs (files, colours, printing) speak Russian like the rest of the program.
  kalora::app::speak_russian(app);
  kalora::app::TForm1 form1;  // its creation runs the start-up; it creates the download and about windows
  if (form1.start_failed()) return 1;
  form1.show();
  return app.exec();
}
