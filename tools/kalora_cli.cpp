// kalora-cli: the program's commands without windows.
// Exit codes: 0 success, 1 the input was refused (message on stderr), 2 wrong usage
// or an input/output error.
#include <functional>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/state.h"
#include "decode/check_flash.h"
#include "device/image_file.h"
#include "tools/cli_analyze.h"
#include "tools/cli_db.h"
#include "tools/cli_download.h"
#include "tools/cli_recover.h"
#include "tools/cli_report.h"
#include "tools/cli_samples.h"
#include "tools/command_line.h"
#include "tools/console_frontend.h"
#include "tools/exit_codes.h"

namespace {

using namespace kalora;

using Args = std::span<const std::string>;

int check(Args args) {
  State state;
  ConsoleFrontend frontend;
  if (const BinLoad loaded = load_bin_file(state, args[0], frontend); loaded != BinLoad::loaded)
    return loaded == BinLoad::not_an_image ? exit_refused : exit_usage_or_io;
  check_flash(state, frontend);
  std::cout << "dev_type=" << int{state.dev_type} << '\n'
            << "dev_subtype=" << int{state.dev_subtype} << '\n'
            << "stat_present=" << int{state.stat_present} << '\n'
            << "zond_present=" << int{state.zond_present} << '\n'
            << "potok_present=" << int{state.potok_present} << '\n'
            << "data_present=" << int{state.data_present} << '\n'
            << "stat_count=" << state.stat_count << '\n'
            << "zond_count=" << state.zond_count << '\n'
            << "potok_count=" << state.potok_count << '\n'
            << "channel_type=" << int{state.channel_type[0]} << ',' << int{state.channel_type[1]} << ','
            << int{state.channel_type[2]} << '\n'
            << "channel_mask=" << state.channel_mask << '\n';
  return frontend.refused() ? exit_refused : exit_ok;
}

struct Command {
  std::string_view name;
  std::string_view usage;
  std::size_t min_args;
  std::size_t max_args;
  std::function<int(Args)> run;
};

const std::vector<Command>& commands() {
  static const std::vector<Command> table{
      {"check", "check IMAGE.bin", 1, 1, check},
      {"download", "download [--force] OUT.bin [PORT1 [PORT2] | auto]", 1, 4, cli_download},
      {"ports", "ports", 0, 0, cli_ports},
      {"bin2db", "bin2db [--force] IMAGE.bin OUT.db", 2, 3, cli_bin2db},
      {"append", "append DB.db IMAGE.bin", 2, 2, cli_append},
      {"dump", "dump DB.db 1|2|3", 2, 2, cli_dump},
      {"report", "report DB.db stat|zond|flow|rk|ro OUT.pdf|OUT.xls|OUT.xlsx|OUT.csv", 3, 3, cli_report},
      {"analyze",
       "analyze DB.db [--max-gap S] [--surface sp50|iso6946] [--rsi X] [--rse X] [--whole-days] [--layers L] "
       "[--conditions A|B] [--heat-capacity C] [--from T] [--to T] [--json|--pdf OUT.pdf [--protocol FILE.json]]",
       1, 23, cli_analyze},
      {"samples", "samples DB.db 1|2 [--json | --pdf OUT.pdf | --xlsx OUT.xlsx] [--protocol FILE.json]", 2, 6,
       cli_samples},
      {"comment", "comment DB.db 1|2 ROW TEXT", 4, 4, cli_comment},
      {"recover", "recover [--discard] DB.db", 1, 2, cli_recover},
  };
  return table;
}

int usage() {
  std::cerr << "usage:\n";
  for (const Command& c : commands()) std::cerr << "  kalora-cli " << c.usage << '\n';
  return exit_usage_or_io;
}

}  // namespace

int main(int argc, char** argv) {
  use_utf8_binary_console();
  const std::vector<std::string> all = utf8_arguments(argc, argv);
  if (all.empty()) return usage();
  const std::string_view name = all.front();
  const Args args = Args(all).subspan(1);
  for (const Command& c : commands()) {
    if (c.name != name) continue;
    if (args.size() < c.min_args || args.size() > c.max_args) return usage();
    return c.run(args);
  }
  return usage();
}
