#include "app/private_font.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

namespace kalora::app {

bool PrivateFont::install() {
  if (QFontDatabase::families().contains(private_font_family)) return true;
  // The current directory, where the font is shipped to; then the program's own folder,
  // for a program started from elsewhere (a Windows shortcut, a command line).
  for (const QDir& dir : {QDir::current(), QDir(QCoreApplication::applicationDirPath())}) {
    const QString path = dir.absoluteFilePath(private_font_file);
    font_id_ = QFontDatabase::addApplicationFont(path);
    if (font_id_ < 0) continue;
    font_path_ = path;
    return true;
  }
  return false;
}

void PrivateFont::remove() {
  if (font_id_ >= 0) QFontDatabase::removeApplicationFont(font_id_);
  font_id_ = -1;
  font_path_.clear();
}

}  // namespace kalora::app
