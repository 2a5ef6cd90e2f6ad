#include "app/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "core/texts.h"

namespace kalora::app {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

int message_box(QWidget* owner, QMessageBox::Icon icon, std::string_view caption, std::string_view text, bool yes_no) {
  QMessageBox box(icon, qs(caption), qs(text), QMessageBox::NoButton, owner);
  if (yes_no) {
    // Enter keeps what the user did.
    box.setDefaultButton(box.addButton(QStringLiteral("Да"), QMessageBox::YesRole));
    box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
  } else {
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  }
  box.exec();
  return box.buttonRole(box.clickedButton());
}

}  // namespace

QString qt_file_filter(std::string_view filter) {
  const auto bar = filter.find('|');
  if (bar == std::string_view::npos) return qs(filter);
  return qs(filter.substr(0, bar)) + QStringLiteral(" (") + qs(filter.substr(bar + 1)) + QStringLiteral(")");
}

void QtDialogs::show_error(std::string_view text) {
  message_box(owner_, QMessageBox::Critical, texts::caption_error, text, false);
}

void QtDialogs::show_information(std::string_view text) {
  message_box(owner_, QMessageBox::Information, texts::caption_information, text, false);
}

bool QtDialogs::ask_yes_no(std::string_view text) {
  return message_box(owner_, QMessageBox::Question, texts::program_title, text, true) == QMessageBox::YesRole;
}

std::string QtDialogs::choose_file(const FileDialogRequest& request) {
  const bool save = request.kind == FileDialogRequest::Kind::save;
  QFileDialog dialog(owner_);
  dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Opening needs an existing file; saving replaces a file without asking.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilter(qt_file_filter(request.filter));
  dialog.setDefaultSuffix(qs(request.default_extension));
  if (!request.initial_dir.empty() && QDir(qs(request.initial_dir)).exists())
    dialog.setDirectory(qs(request.initial_dir));
  dialog.selectFile(QString());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace kalora::app
