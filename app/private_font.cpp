#include "app/private_font.h"

#include <QDir>
#include <QFontDatabase>

namespace kalora::app {

bool PrivateFont::install() {
  if (QFontDatabase::families().contains(private_font_family)) return true;
  // The current directory, not the program's folder: that is where the font is shipped to.
  const QString path = QDir::current().absoluteFilePath(private_font_file);
  font_id_ = QFontDatabase::addApplicationFont(path);
  if (font_id_ < 0) return false;
  font_path_ = path;
  return true;
}

void PrivateFont::remove() {
  if (font_id_ >= 0) QFontDatabase::removeApplicationFont(font_id_);
  font_id_ = -1;
  font_path_.clear();
}

}  // namespace kalora::app
