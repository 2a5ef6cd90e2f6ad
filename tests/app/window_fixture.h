// A main window started in a folder of its own: the grid font copied into it as
// the current directory, settings in a file there, dialogs answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <deque>
#include <filesystem>
#include <memory>

#include "app/main_window.h"
#include "qt_app.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"
#include "views/db_grid.h"

namespace kalora::test {

class AnsweringFrontend : public RecordingFrontend {
 public:
  std::deque<std::string> files;  // answers of the file dialogs, in order; cancelled when empty
  std::vector<FileDialogRequest::Kind> dialogs;
  std::vector<std::string> dialog_folders;

  std::string choose_file(const FileDialogRequest& request) override {
    dialogs.push_back(request.kind);
    dialog_folders.push_back(request.initial_dir);
    if (files.empty()) return {};
    auto answer = files.front();
    files.pop_front();
    return answer;
  }
};

// The model index of a record's cell of that field in a grid.
inline QModelIndex cell(const views::DBGridPro& grid, int record, std::string_view field) {
  const auto& m = *grid.grid_model();
  const int lines = static_cast<int>(m.shown_levels().size());
  for (int g = 0; g < m.columnCount(); ++g)
    for (int l = 0; l < lines; ++l)
      if (m.column_at(record * lines + l, g) == m.column_of(field)) return m.index(record * lines + l, g);
  return {};
}

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : previous_dir_(QDir::currentPath()) {
    qt_app();
    std::filesystem::copy_file(KALORA_FONT_FILE, dir.file("my_font.ttf"));
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
  }
  ~WindowTest() override {
    window.reset();
    QDir::setCurrent(previous_dir_);
  }

  // The window answers through `dialogs`, or through `answering` when given.
  app::TForm1& start(Frontend* answering = nullptr) {
    app::StartOptions options;
    options.dialogs = answering ? answering : &dialogs;
    options.settings_file = settings_file();
    options.program_file = QStringLiteral(KALORA_PROGRAM);
    // The machine's own serial ports stay out of the tests.
    options.port_lister = [this] { return system_ports; };
    window = std::make_unique<app::TForm1>(options);
    return *window;
  }

  QString settings_file() const { return QString::fromStdString(dir.file("settings.ini")); }

  TempDir dir;
  AnsweringFrontend dialogs;
  std::vector<SerialPortInfo> system_ports;  // what the system lists
  std::unique_ptr<app::TForm1> window;

 private:
  QString previous_dir_;
};

}  // namespace kalora::test
