// The desktop program: the application, its three windows and the message loop.
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("kalora"));
  // Qt's own dialogs (files, colours, printing) speak Russian like the rest of the program.
  QTranslator qt_texts;
  if (qt_texts.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qt_texts);
  kalora::app::TForm1 form1;  // its creation runs the start-up; it creates the download and about windows
  if (form1.start_failed()) return 1;
  form1.show();
  return app.exec();
}
