#include "tools/console_frontend.h"

#include <iostream>

namespace kalora {

void ConsoleFrontend::show_error(std::string_view text) {
  refused_ = true;
  std::cerr << text << '\n';
}

void ConsoleFrontend::show_information(std::string_view text) { std::cout << text << '\n'; }

bool ConsoleFrontend::ask_yes_no(std::string_view text) {
  std::cerr << text << " (нет)\n";
  return false;
}

}  // namespace kalora
