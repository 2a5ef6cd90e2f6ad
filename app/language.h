// The program speaks Russian whatever the system's language: numbers, dates and
// sizes in Qt's dialogs, and Qt's own texts in them (the translation is compiled
// into the program, so a Windows machine without Qt needs nothing beside it).
#pragma once

class QCoreApplication;

namespace kalora::app {

// Before the application object: Qt's file dialog writes sizes and dates in the
// system locale's language, which on Linux comes from the environment.
void prefer_russian_system_locale();

// Once the application object exists, before the first window: the default locale
// and Qt's Russian texts; the C library keeps writing numbers with a point. False when
// Qt's texts could not be loaded.
bool speak_russian(QCoreApplication& application);

}  // namespace kalora::app
