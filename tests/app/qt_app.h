// The QApplication of the window tests, made on first use (test discovery runs the
// binary without the offscreen platform, so it must not be made at start).
#pragma once

#include <QApplication>

namespace kalora::test {

inline QApplication& qt_app() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing it down after main() returns crashes in Qt's font cache.
  static auto* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace kalora::test
