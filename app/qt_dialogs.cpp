#include "app/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "core/texts.h"

namespace kalora::app {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The buttons of a message box and which of them Enter and Escape press.
enum class Buttons { ok, yes_no, no_yes, yes_no_cancel };

int message_box(QWidget* owner, QMessageBox::Icon icon, std::string_view caption, std::string_view text,
                Buttons buttons) {
  QMessageBox box(icon, qs(caption), qs(text), QMessageBox::NoButton, owner);
  if (buttons == Buttons::ok) {
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  } else {
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    // Enter keeps what the user did; where something would be replaced, it keeps the old.
    box.setDefaultButton(buttons == Buttons::no_yes ? no : yes);
    box.setEscapeButton(no);
    if (buttons == Buttons::yes_no_cancel)
      box.setEscapeButton(box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole));
  }
  box.exec();
  return box.buttonRole(box.clickedButton());
}

}  // namespace

QStringList qt_file_filters(std::string_view filter) {
  const QStringList parts = qs(filter).split(QLatin1Char('|'));
  if (parts.size() < 2) return {qs(filter)};
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
  return filters;
}

void QtDialogs::show_error(std::string_view text) {
  message_box(owner_, QMessageBox::Critical, texts::caption_error, text, Buttons::ok);
}

void QtDialogs::show_information(std::string_view text) {
  message_box(owner_, QMessageBox::Information, texts::caption_information, text, Buttons::ok);
}

bool QtDialogs::ask_yes_no(std::string_view text) {
  return message_box(owner_, QMessageBox::Question, texts::program_title, text, Buttons::yes_no) ==
         QMessageBox::YesRole;
}

bool QtDialogs::ask_yes_no_default_no(std::string_view text) {
  return message_box(owner_, QMessageBox::Question, texts::program_title, text, Buttons::no_yes) ==
         QMessageBox::YesRole;
}

Frontend::SaveAnswer QtDialogs::ask_save(std::string_view text) {
  switch (message_box(owner_, QMessageBox::Question, texts::program_title, text, Buttons::yes_no_cancel)) {
    case QMessageBox::YesRole:
      return SaveAnswer::yes;
    case QMessageBox::NoRole:
      return SaveAnswer::no;
    default:
      return SaveAnswer::cancel;
  }
}

std::string QtDialogs::choose_file(const FileDialogRequest& request) {
  const bool save = request.kind == FileDialogRequest::Kind::save;
  QFileDialog dialog(owner_);
  dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Opening needs an existing file; saving replaces a file without asking.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = qt_file_filters(request.filter);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(qs(request.default_extension));
  // A name typed without an extension takes the chosen filter's.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
    const qsizetype dot = chosen.lastIndexOf(QStringLiteral("*."));
    if (dot >= 0) dialog.setDefaultSuffix(chosen.mid(dot + 2).chopped(1));
  });
  if (!request.initial_dir.empty() && QDir(qs(request.initial_dir)).exists())
    dialog.setDirectory(qs(request.initial_dir));
  dialog.selectFile(QString());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  if (request.chosen_filter)
    *request.chosen_filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace kalora::app
