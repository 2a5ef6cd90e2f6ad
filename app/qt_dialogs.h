// The message boxes and file dialogs of the desktop program.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "core/frontend.h"

namespace kalora::app {

class QtDialogs : public Frontend {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}

  void show_error(std::string_view text) override;
  void show_information(std::string_view text) override;
  bool ask_yes_no(std::string_view text) override;
  bool ask_yes_no_default_no(std::string_view text) override;
  SaveAnswer ask_save(std::string_view text) override;
  std::string choose_file(const FileDialogRequest& request) override;

 private:
  QPointer<QWidget> owner_;
};

// "Базы данных|*.db" as Qt file filters: "Базы данных (*.db)"; "A|*.a|B|*.b" as
// "A (*.a)" and "B (*.b)".
QStringList qt_file_filters(std::string_view filter);

}  // namespace kalora::app
