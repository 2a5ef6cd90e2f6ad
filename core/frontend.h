// What the core asks of the shell it runs in: message boxes, file dialogs and the
// main-window effects of the commands. The desktop program answers with Qt
// widgets, kalora-cli on the console, tests with a recorder.
//
// Window effects have empty default bodies, so a shell without a window (the
// console, most tests) overrides only the messages and dialogs.
#pragma once

#include <string>
#include <string_view>

namespace kalora {

struct FileDialogRequest {
  enum class Kind { open, save };
  Kind kind = Kind::open;
  // Pairs of a description and a pattern: "Базы данных|*.db" or "A|*.a|B|*.b".
  std::string_view filter;
  std::string_view default_extension;  // without the point: "db"
  std::string initial_dir;             // default_dir
  int* chosen_filter = nullptr;        // where a save dialog tells the filter chosen, 1 for the first
};

class Frontend {
 public:
  virtual ~Frontend() = default;

  // Modal error box: caption "Ошибка", error icon, one OK button.
  virtual void show_error(std::string_view text) = 0;
  // Modal information box: caption "Дополнение", information icon, one OK button.
  virtual void show_information(std::string_view text) = 0;
  // Modal question: caption "КАЛОРА-5", question icon, Yes and No. True for Yes.
  virtual bool ask_yes_no(std::string_view text) = 0;
  // The question before something is replaced or thrown away: as ask_yes_no, but
  // "Нет" is the default and Escape answers it. True for "Да".
  virtual bool ask_yes_no_default_no(std::string_view text) { return ask_yes_no(text); }
  // The save question: "Да" (the default), "Нет" and "Отмена" (Escape), which takes
  // back the command that asked.
  enum class SaveAnswer { yes, no, cancel };
  virtual SaveAnswer ask_save(std::string_view text) { return ask_yes_no(text) ? SaveAnswer::yes : SaveAnswer::no; }

  // The open or save dialog, prepared as the request says (file name cleared,
  // first filter selected). Returns the chosen path (UTF-8), empty when cancelled.
  virtual std::string choose_file(const FileDialogRequest& request) {
    (void)request;
    return {};
  }

  // Main-window effects of the core routines.
  virtual void hide_pages() {}        // PageControl1 hidden while a decoder appends
  virtual void show_pages() {}        // and shown again
  virtual void set_visible() {}       // pages and channel columns for the open data
  virtual void load_layout_all() {}   // grid layouts from the settings
  virtual void save_layout_all() {}   // grid layouts to the settings
  virtual void en_but() {}            // database commands enabled
  virtual void show_empty_state() {}  // no pages, darker background, commands disabled
  // The application title and the main window caption.
  virtual void set_title(std::string_view title) { (void)title; }
  // The download found data of a method: the main window's tab sheet TabSheet1,
  // TabSheet2 or TabSheet3 (number 1, 2, 3) becomes visible. It is never hidden here.
  virtual void show_tab_sheet(int number) { (void)number; }
  // Sort marks of grid DBGridPro1..DBGridPro5 (number 1..5) all cleared.
  virtual void clear_sort_marks(int grid) { (void)grid; }
  // Whether the tab of the heat-flow grid's inner page (grid 3, 4, 5) is visible.
  virtual bool grid_page_visible(int grid) {
    (void)grid;
    return true;
  }
};

}  // namespace kalora
