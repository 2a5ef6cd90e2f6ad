#include "tools/cli_recover.h"
#include "tools/exit_codes.h"

#include <exception>
#include <filesystem>
#include <iostream>

#include "core/file_io.h"
#include "core/state.h"
#include "db/container.h"
#include "db/leftovers.h"
#include "tools/command_line.h"
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

int lock_for_change(State& state, Frontend& frontend, const std::string& db_name) {
  const DbResult locked = lock_database(state, frontend, db_name);
  if (locked == DbResult::ok) return exit_ok;
  return locked == DbResult::refused ? exit_refused : exit_usage_or_io;
}

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

DbResult read_database(State& state, Frontend& frontend, const std::string& db_name) {
  // The copies are only looked at, never locked: the program that holds them goes on undisturbed.
  const Leftovers found = find_leftovers(state, db_name, false);
  if (found.any()) {
    std::cerr << "Внимание: рядом с базой данных " << db_name << " есть " << (found.unsaved ? "несохранённые " : "")
              << "рабочие копии (" << names_of(db_name, found)
              << "): база данных открыта другой программой или не была закрыта; показано сохранённое содержимое"
              << (found.unsaved ? " (kalora-cli recover)" : "") << '\n';
  }
  const DbResult result = read_saved_db(state, frontend, db_name);
  if (result == DbResult::ok && state.trailing_bytes > 0) {
    std::cerr << "Внимание: после таблиц в файле " << db_name << " лишних байт: " << state.trailing_bytes << '\n';
  }
  return result;
}

int with_database(const std::string& db_name, const std::function<int(State&)>& run) {
  State state;
  ConsoleFrontend frontend;
  const DbResult opened = read_database(state, frontend, db_name);
  if (opened != DbResult::ok) return opened == DbResult::refused ? exit_refused : exit_usage_or_io;
  int code = exit_usage_or_io;
  try {
    code = run(state);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
  }
  Close_DB(state, frontend);
  return code;
}

bool output_is_not_input(const std::string& output, const std::string& input) {
  if (!plain_output(output)) return false;
  if (!same_file(output, input)) return true;
  std::cerr << "Выходной файл " << output << " - это входной файл " << input << ": он не перезаписывается\n";
  return false;
}

int cli_recover(std::span<const std::string> args) {
  const bool discard = args.size() == 2;
  if ((discard && args[0] != "--discard") || args.back().starts_with("--")) {
    std::cerr << "usage: kalora-cli recover [--discard] DB.db\n";
    return exit_usage_or_io;
  }
  const std::string& db_name = args.back();
  State state;
  ConsoleFrontend frontend;
  // Copies a running program holds are its own: under the lock there are none.
  if (const int locked = lock_for_change(state, frontend, db_name); locked != exit_ok) return locked;
  remove_stale_temporaries(db_name);
  Leftovers found = find_leftovers(state, db_name);
  if (!found.held.empty()) {
    std::cerr << "Рабочая копия " << found.held << " занята другой программой\n";
    return exit_refused;
  }
  if (!found.any()) {
    // Without copies there is nothing to recover, and a missing database is a wrong name.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(db_name), ec)) {
      std::cerr << io_error_text(db_name, "не удалось открыть файл") << '\n';
      return exit_usage_or_io;
    }
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
