#include "app/private_font.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

namespace kalora::app {

QStringList PrivateFont::font_folders() {
  QStringList folders;
  for (const QString& folder :
       {QDir::currentPath(), QCoreApplication::applicationDirPath(), QStringLiteral(KALORA_HELP_DIR)}) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!folders.contains(clean)) folders << clean;
  }
  return folders;
}

bool PrivateFont::install(const QStringList& folders) {
  if (QFontDatabase::families().contains(private_font_family)) return true;
  // The current directory, where the font is shipped to; then the program's own folder,
  // for a program started from elsewhere (a Windows shortcut, a command line); then the
  // installed data folder.
  for (const QString& folder : folders) {
    const QString path = QDir(folder).absoluteFilePath(private_font_file);
    if (!QFileInfo::exists(path)) continue;
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
