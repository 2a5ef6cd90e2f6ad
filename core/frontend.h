// What the core asks of the shell it runs in: message boxes, file dialogs and the
// main-window effects of the commands. The desktop program answers with Qt
// widgets, kalora-cli on the console, tests with a recorder.
#pragma once

#include <string>
#include <string_view>

namespace kalora {

class Frontend {
 public:
  virtual ~Frontend() = default;

  // Modal error box: caption "Ошибка", error icon, one OK button.
  virtual void show_error(std::string_view text) = 0;
  // Modal information box: caption "Дополнение", information icon, one OK button.
  virtual void show_information(std::string_view text) = 0;
  // Modal question: caption "КАЛОРА-5", question icon, Yes and No. True for Yes.
  virtual bool ask_yes_no(std::string_view text) = 0;
};

}  // namespace kalora
