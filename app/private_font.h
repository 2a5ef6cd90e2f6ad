// The grid font "Microsoft Sans Serif_mod", made available for the run from
// "my_font.ttf" when the system does not have it: from the current directory, else
// beside the program, else from the installed data folder.
#pragma once

#include <QString>
#include <QStringList>

namespace kalora::app {

inline const QString private_font_family = QStringLiteral("Microsoft Sans Serif_mod");
inline const QString private_font_file = QStringLiteral("my_font.ttf");

class PrivateFont {
 public:
  PrivateFont() = default;
  ~PrivateFont() { remove(); }
  PrivateFont(const PrivateFont&) = delete;
  PrivateFont& operator=(const PrivateFont&) = delete;

  // True when the family is there (already installed, or added from the first of
  // `folders` that holds a font file that loads).
  bool install(const QStringList& folders = font_folders());
  // The folders the font is looked for in, in order, without repeats.
  static QStringList font_folders();
  // Removes what install() added; nothing when it added nothing.
  void remove();
  // Full path of the added file, empty when nothing was added.
  const QString& font_path() const { return font_path_; }

 private:
  QString font_path_;
  int font_id_ = -1;
};

}  // namespace kalora::app
