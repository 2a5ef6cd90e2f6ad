// The grid font "Microsoft Sans Serif_mod", made available for the run from
// "my_font.ttf" in the current directory when the system does not have it.
#pragma once

#include <QString>

namespace kalora::app {

inline const QString private_font_family = QStringLiteral("Microsoft Sans Serif_mod");
inline const QString private_font_file = QStringLiteral("my_font.ttf");

class PrivateFont {
 public:
  PrivateFont() = default;
  ~PrivateFont() { remove(); }
  PrivateFont(const PrivateFont&) = delete;
  PrivateFont& operator=(const PrivateFont&) = delete;

  // True when the family is there (already installed, or added now).
  bool install();
  // Removes what install() added; nothing when it added nothing.
  void remove();
  // Full path of the added file, empty when nothing was added.
  const QString& font_path() const { return font_path_; }

 private:
  QString font_path_;
  int font_id_ = -1;
};

}  // namespace kalora::app
