// The faces the windows draw with: the system's font and the main window's "MS Sans Serif"
// as this system resolves them must be outline faces, which every font engine draws. Run on
// the offscreen platform with the other window tests, and under Wine on the Windows
// platform (tests/tools/wine_on_screen.sh), where the faces are those Windows offers.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <iostream>

#include "qt_app.h"

namespace kalora::test {
namespace {

TEST(WindowFaces, SystemFontAndFormFontAreOutlineFaces) {
  qt_app();
  QFont form(QStringLiteral("MS Sans Serif"));
  form.setPointSize(8);
  for (const auto& [what, font] : {std::pair{"the system's font", QApplication::font()}, {"MS Sans Serif", form}}) {
    const QFontInfo face(font);
    const bool outlines = QFontDatabase::isSmoothlyScalable(face.family(), face.styleName());
    std::cout << what << ": " << face.family().toStdString() << " " << face.pointSize() << " pt, "
              << (outlines ? "outlines" : "bitmap") << "\n";
    EXPECT_TRUE(outlines) << what << ": " << face.family().toStdString();
  }
}

}  // namespace
}  // namespace kalora::test
