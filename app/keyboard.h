// The keyboard of the main window: menu accelerators, page switching and the grids'
// keys that a mouse user does not need.
#pragma once

#include <QString>

namespace kalora::app {

// The text with an accelerator (an '&' before one letter). A text that has one keeps
// it; otherwise the first free letter that starts a word, else the first free letter.
// `used` collects the letters taken in one menu, lower case.
QString with_accelerator(const QString& text, QString& used);

}  // namespace kalora::app
