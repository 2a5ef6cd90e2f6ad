#include "tools/cli_recover.h"
#include "tools/exit_codes.h"

#include <filesystem>
#include <iostream>
#include <random>

#include "core/state.h"
#include "db/container.h"
#include "db/leftovers.h"
#include "tools/console_frontend.h"

namespace kalora {

namespace {

std::string names_of(const std::string& db_name, const Leftovers& found) {
  std::string text;
  for (const std::string& f : found.files(db_name)) text += (text.empty() ? "" : ", ") + f;
  return text;
}

Leftovers unsaved_leftovers(const std::string& db_name) {
  State state;
  Leftovers found = find_leftovers(state, db_name);
  if (!found.held.empty()) found.unsaved = false;  // a running program's own copies
  return found;
}

}  // namespace

bool no_unsaved_leftovers(const std::string& db_name) {
  const Leftovers found = unsaved_leftovers(db_name);
  if (!found.unsaved) return true;
  std::cerr << "Рядом с базой данных " << db_name << " остались несохранённые рабочие копии ("
            << names_of(db_name, found) << ") от " << leftover_time_text(found)
            << (found.operation.empty() ? ""
                                        : ", работа с ними была прервана (" + operation_text(found.operation) + ")")
            << ". Сохранить их: kalora-cli recover " << db_name << "; отложить в .bak: kalora-cli recover --discard "
            << db_name << '\n';
  return false;
}

SavedDatabase::SavedDatabase(const std::string& db_name) : name_(db_name) {
  const Leftovers found = unsaved_leftovers(db_name);
  if (!found.unsaved) return;
  std::cerr << "Внимание: рядом с базой данных " << db_name << " остались несохранённые рабочие копии ("
            << names_of(db_name, found) << "), показано сохранённое содержимое (kalora-cli recover)\n";
  std::error_code ec;
  const auto base = std::filesystem::temp_directory_path(ec);
  std::random_device random;
  const auto folder = base / ("kalora-" + std::to_string(random()));
  if (ec || !std::filesystem::create_directory(folder, ec)) return;
  const auto copy = folder / std::filesystem::u8path(db_name).filename();
  if (!std::filesystem::copy_file(std::filesystem::u8path(db_name), copy, ec)) {
    std::filesystem::remove_all(folder, ec);
    return;
  }
  const std::u8string folder_text = folder.u8string(), copy_text = copy.u8string();
  folder_.assign(folder_text.begin(), folder_text.end());
  name_.assign(copy_text.begin(), copy_text.end());
}

SavedDatabase::~SavedDatabase() {
  if (folder_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::u8path(folder_), ec);
}

int cli_recover(std::span<const std::string> args) {
  const bool discard = args.size() == 2;
  if (discard && args[0] != "--discard") return exit_usage_or_io;
  const std::string& db_name = args.back();
  State state;
  ConsoleFrontend frontend;
  Leftovers found = find_leftovers(state, db_name);
  if (!found.held.empty()) {
    std::cerr << "Рабочая копия " << found.held << " занята другой программой\n";
    return exit_refused;
  }
  if (!found.any()) {
    drop_busy_marker(db_name);
    std::cout << "Несохранённых рабочих копий у базы данных " << db_name << " нет\n";
    return exit_ok;
  }
  if (discard || !found.unsaved) {
    try {
      const bool identical = !found.unsaved;
      const std::vector<std::string> files = found.files(db_name);
      if (identical) {
        for (const std::string& f : files) std::filesystem::remove(std::filesystem::u8path(f));
        drop_busy_marker(db_name);
        std::cout << "Рабочие копии совпадают с сохранёнными таблицами и удалены\n";
      } else {
        const std::vector<std::string> kept = keep_as_bak(db_name, found);
        std::cout << "Рабочие копии отложены: " << joined_names(kept) << '\n';
      }
    } catch (const std::exception& e) {
      std::cerr << e.what() << '\n';
      return exit_usage_or_io;
    }
    return exit_ok;
  }
  if (!found.operation.empty()) {
    std::cerr << "Работа с базой данных " << db_name << " была прервана (" << operation_text(found.operation)
              << "): рабочие копии (" << names_of(db_name, found)
              << ") могут быть неполными и не сохраняются. Отложить их в .bak: kalora-cli recover --discard " << db_name
              << '\n';
    return exit_refused;
  }
  if (open_leftovers(state, frontend, db_name, found.copy) != DbResult::ok) return exit_usage_or_io;
  const DbResult saved = Save_DB(state, frontend);
  if (saved == DbResult::ok) {
    Close_DB(state, frontend);
    std::cout << "Несохранённые изменения записаны в " << db_name << '\n';
    return exit_ok;
  }
  return exit_usage_or_io;  // the copies stay as they were for another try
}

}  // namespace kalora
