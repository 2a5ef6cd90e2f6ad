#include "app/language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <clocale>

namespace kalora::app {

void prefer_russian_system_locale() {
#ifndef _WIN32
  // LC_ALL would outweigh the categories set below: the categories it stood for keep its value.
  if (const QByteArray all = qgetenv("LC_ALL"); !all.isEmpty()) {
    for (const char* category : {"LANG", "LC_CTYPE", "LC_COLLATE", "LC_MONETARY", "LC_PAPER", "LC_MEASUREMENT"})
      qputenv(category, all);
    qunsetenv("LC_ALL");
  }
  for (const char* category : {"LC_MESSAGES", "LC_TIME", "LC_NUMERIC"}) qputenv(category, "ru_RU.UTF-8");
#endif
}

bool speak_russian(QCoreApplication& application) {
  // The application set the C library's locale from the environment; files and numbers of
  // the program are written with a decimal point whatever the user's language.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  auto* qt_texts = new QTranslator(&application);
  if (!qt_texts->load(QStringLiteral(":/translations/qtbase_ru.qm"))) {
    delete qt_texts;
    return false;
  }
  QCoreApplication::installTranslator(qt_texts);
  return true;
}

}  // namespace kalora::app
