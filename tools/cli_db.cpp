// kalora-cli bin2db, append and dump: the database commands without dialogs.
#include "tools/cli_db.h"
#include "tools/exit_codes.h"

#include <iostream>

#include "core/printable.h"
#include "db/commands.h"
#include "db/container.h"
#include "db/db_texts.h"
#include "db/tables.h"
#include "decode/check_flash.h"
#include "device/image_file.h"
#include "tools/cli_recover.h"
#include "tools/command_line.h"
#include "tools/console_frontend.h"

namespace kalora {

namespace {

int exit_code(DbResult result, const ConsoleFrontend& frontend) {
  if (result == DbResult::io_error) return exit_usage_or_io;
  if (result == DbResult::refused || frontend.refused()) return exit_refused;
  return exit_ok;
}

// One CSV cell: quoted when it holds a separator or a quote; control characters a
// foreign file may hold are shown, not sent to the terminal.
std::string csv_cell(const std::string& stored) {
  const std::string text = printable(stored);
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Stored fields in stored order, then the display texts.
std::vector<std::string_view> dump_fields(const db::Schema& schema) {
  std::vector<std::string_view> fields;
  for (const db::FieldDef& f : schema.fields) {
    if (!f.calculated) fields.push_back(f.name);
  }
  for (const db::FieldDef& f : schema.fields) {
    if (f.calculated) fields.push_back(f.name);
  }
  return fields;
}

void write_csv(db::DbfTable& table, std::ostream& out) {
  const auto fields = dump_fields(table.schema());
  for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << fields[i];
  out << '\n';
  for (table.first(); !table.eof(); table.next()) {
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << csv_cell(table.text(fields[i]));
    out << '\n';
  }
}

}  // namespace

int cli_bin2db(std::span<const std::string> all) {
  const ForcedArgs args = without_force(all);
  if (args.rest.size() != 2) return usage_of("bin2db [--force] IMAGE.bin OUT.db");
  const std::string& image = args.rest[0];
  const std::string& out = args.rest[1];
  if (!output_is_not_input(out, image)) return exit_usage_or_io;
  State state;
  ConsoleFrontend frontend;
  if (const int locked = lock_for_change(state, frontend, out); locked != exit_ok) return locked;
  if (!no_unsaved_leftovers(out)) return exit_refused;
  if (!may_write(out, args.force)) return exit_refused;
  if (const BinLoad loaded = load_bin_file(state, image, frontend); loaded != BinLoad::loaded)
    return loaded == BinLoad::not_an_image ? exit_refused : exit_usage_or_io;
  check_flash(state, frontend);
  if (state.data_present == 0) {
    if (!frontend.refused()) std::cerr << "В образе нет измерений\n";
    return exit_refused;
  }
  const DbResult result = Create_DB(state, frontend, out);
  Close_DB(state, frontend);
  return exit_code(result, frontend);
}

int cli_append(std::span<const std::string> args) {
  if (!output_is_not_input(args[0], args[1])) return exit_usage_or_io;
  State state;
  ConsoleFrontend frontend;
  if (const int locked = lock_for_change(state, frontend, args[0]); locked != exit_ok) return locked;
  if (!no_unsaved_leftovers(args[0])) return exit_refused;
  const DbResult opened = Open_DB(state, frontend, args[0]);
  if (opened != DbResult::ok) return exit_code(opened, frontend);
  BinLoad image = BinLoad::unreadable;
  const DbResult appended = command_append(state, frontend, [&] {
    image = load_bin_file(state, args[1], frontend);
    return image == BinLoad::loaded ? ModalResult::ok : ModalResult::cancel;
  });
  Close_DB(state, frontend);
  if (image == BinLoad::unreadable) return exit_usage_or_io;
  return exit_code(appended, frontend);
}

int cli_dump(std::span<const std::string> args) {
  const std::string& which = args[1];
  if (which != "1" && which != "2" && which != "3") {
    std::cerr << "номер таблицы: 1, 2 или 3\n";
    return exit_usage_or_io;
  }
  State state;
  ConsoleFrontend frontend;
  const DbResult opened = read_database(state, frontend, args[0]);
  if (opened != DbResult::ok) return exit_code(opened, frontend);
  const int n = which[0] - '0';
  db::DbfTable& t = table(state, n);
  int code = exit_ok;
  if (t.is_open()) {
    // Another table that would not open was reported; the one asked for is whole.
    write_csv(t, std::cout);
    std::cout.flush();
    if (!std::cout) code = exit_usage_or_io;
  } else {
    if (state.table_size[n - 1] == 0) std::cerr << "В базе данных нет таблицы " << db::texts::table_of[n - 1] << '\n';
    code = exit_refused;
  }
  Close_DB(state, frontend);
  return code;
}

}  // namespace kalora
