#include "app/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "qt_app.h"
#include "support/temp_dir.h"

namespace kalora::app {
namespace {

// Runs `answer` on the dialog that `show` opens, from inside its own message loop.
template <typename Dialog>
void answer_next(QWidget& owner, std::function<void(Dialog&)> answer) {
  QTimer::singleShot(0, &owner, [&owner, answer] {
    auto* dialog = owner.findChild<Dialog*>();
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

QStringList button_texts(QMessageBox& box) {
  QStringList texts;
  for (auto* b : box.buttons()) texts << b->text();
  return texts;
}

TEST(QtDialogs, MessageBoxesCarryTheirCaptionIconAndButtons) {
  test::qt_app();
  QWidget owner;
  QtDialogs dialogs(&owner);
  struct Seen {
    QString caption, text;
    QMessageBox::Icon icon{};
    QStringList buttons;
  } seen;
  const auto record_and = [&](const char* press) {
    answer_next<QMessageBox>(owner, [&seen, press](QMessageBox& box) {
      seen = {box.windowTitle(), box.text(), box.icon(), button_texts(box)};
      if (std::string_view(press) == "Enter") return QTest::keyClick(&box, Qt::Key_Return);
      if (std::string_view(press) == "Escape") return QTest::keyClick(&box, Qt::Key_Escape);
      for (auto* b : box.buttons())
        if (b->text() == QString::fromUtf8(press)) b->click();
    });
  };

  record_and("OK");
  dialogs.show_error("Неизвестная база данных !");
  EXPECT_EQ(seen.caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(seen.text, QStringLiteral("Неизвестная база данных !"));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QStringList{"OK"});

  record_and("OK");
  dialogs.show_information("Добавлено записей: 3");
  EXPECT_EQ(seen.caption, QStringLiteral("Дополнение"));
  EXPECT_EQ(seen.icon, QMessageBox::Information);

  // Enter keeps the changes: "Да" is the default.
  for (const auto& [press, yes] : {std::pair{"Да", true}, {"Нет", false}, {"Enter", true}}) {
    record_and(press);
    EXPECT_EQ(dialogs.ask_yes_no("Сохранить изменения в таблицах ?"), yes) << press;
    EXPECT_EQ(seen.caption, QStringLiteral("КАЛОРА-5"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 2);
  }

  // The save question can take its command back; the question before a file is
  // replaced keeps the file on Enter and Escape.
  using Answer = Frontend::SaveAnswer;
  const std::function<int()> save = [&] {
    return static_cast<int>(dialogs.ask_save("Сохранить изменения в таблицах ?"));
  };
  const std::function<int()> replace = [&] {
    return int{dialogs.ask_yes_no_default_no("Файл a.db уже существует. Заменить его?")};
  };
  struct Case {
    const std::function<int()>& ask;
    const char* press;
    int answer;
    QStringList buttons;
  };
  const QStringList three{"Да", "Нет", "Отмена"}, two{"Да", "Нет"};  // sorted
  const Case cases[] = {
      {save, "Да", int(Answer::yes), three},
      {save, "Нет", int(Answer::no), three},
      {save, "Отмена", int(Answer::cancel), three},
      {save, "Enter", int(Answer::yes), three},
      {save, "Escape", int(Answer::cancel), three},
      {replace, "Да", 1, two},
      {replace, "Enter", 0, two},
      {replace, "Escape", 0, two},
  };
  for (const Case& c : cases) {
    record_and(c.press);
    EXPECT_EQ(c.ask(), c.answer) << c.press;
    EXPECT_EQ(seen.caption, QStringLiteral("КАЛОРА-5"));
    seen.buttons.sort();
    EXPECT_EQ(seen.buttons, c.buttons);
  }
}

TEST(QtDialogs, FileDialogsStartInTheFolderAndAnswerWithThePath) {
  test::qt_app();
  test::TempDir dir;
  test::write_bytes(dir.file("wall.db"), {'k', 'L', 'r', '!'});
  QWidget owner;
  QtDialogs dialogs(&owner);
  const std::string folder = dir.path().string();

  struct Case {
    FileDialogRequest::Kind kind;
    std::string_view filter, extension;
    QString choose;      // file name typed by the user, empty to cancel
    std::string answer;  // what the dialog gives back
    QString shown_filter;
  };
  const Case cases[] = {
      {FileDialogRequest::Kind::open, "Базы данных|*.db", "db", "wall.db", dir.file("wall.db"), "Базы данных (*.db)"},
      {FileDialogRequest::Kind::save, "Базы данных|*.db", "db", "new", dir.file("new.db"), "Базы данных (*.db)"},
      {FileDialogRequest::Kind::open, "Двоичные файлы|*.bin", "bin", "", "", "Двоичные файлы (*.bin)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    QString shown_dir, shown_filter;
    bool asks_before_replacing = true;
    answer_next<QFileDialog>(owner, [&](QFileDialog& d) {
      shown_dir = d.directory().absolutePath();
      shown_filter = d.selectedNameFilter();
      asks_before_replacing = !d.testOption(QFileDialog::DontConfirmOverwrite);
      if (c.choose.isEmpty()) return d.reject();
      d.selectFile(d.directory().absoluteFilePath(c.choose));
      QMetaObject::invokeMethod(&d, "accept");
    });
    EXPECT_EQ(dialogs.choose_file({c.kind, c.filter, c.extension, folder}), c.answer);
    EXPECT_EQ(QDir::toNativeSeparators(shown_dir), QString::fromStdString(folder));
    EXPECT_EQ(shown_filter, c.shown_filter);
    if (c.kind == FileDialogRequest::Kind::save) {
      EXPECT_FALSE(asks_before_replacing);
    }
  }
}

}  // namespace
}  // namespace kalora::app
