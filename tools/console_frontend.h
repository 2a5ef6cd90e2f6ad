// Frontend for kalora-cli: errors on stderr, information on stdout, no dialogs.
#pragma once

#include "core/frontend.h"

namespace kalora {

class ConsoleFrontend : public Frontend {
 public:
  void show_error(std::string_view text) override;
  void show_information(std::string_view text) override;
  // Nobody is there to answer: the answer is No.
  bool ask_yes_no(std::string_view text) override;

  // True once an error was shown: the command refused its input.
  bool refused() const { return refused_; }

 private:
  bool refused_ = false;
};

}  // namespace kalora
