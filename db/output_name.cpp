#include "db/output_name.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "core/file_io.h"
#include "db/container.h"
#include "db/leftovers.h"

namespace kalora {

namespace {

// The files of the open database, existing or not (the marker comes and goes).
std::vector<std::string> database_files(const State& state) {
  std::vector<std::string> files{state.db_name, busy_marker(state.db_name)};
  for (int n = 1; n <= 3; ++n) files.push_back(working_copy_of(state.db_name, n));
  return files;
}

// One file by two names: the same file on the disk, or the same place for one not made yet.
bool names_one_file(const std::string& a, const std::string& b) {
  if (same_file(a, b)) return true;
  std::error_code ec1, ec2;
  const auto pa = std::filesystem::weakly_canonical(native_path(a), ec1);
  const auto pb = std::filesystem::weakly_canonical(native_path(b), ec2);
  return !ec1 && !ec2 && pa == pb;
}

}  // namespace

std::string open_database_refusal(const State& state, const std::string& path) {
  if (!state.db_open || state.db_name.empty()) return {};
  for (const std::string& file : database_files(state)) {
    if (names_one_file(path, file))
      return "Файл " + file_name_of(path) + " - это открытая база данных " + file_name_of(state.db_name) +
             " или её рабочий файл: он не перезаписывается. Выберите другое имя.";
  }
  return {};
}

std::string choose_output_file(State& state, Frontend& frontend, const FileDialogRequest& request) {
  for (;;) {
    FileDialogRequest asked = request;
    asked.initial_dir = state.default_dir;
    const std::string name = frontend.choose_file(asked);
    if (name.empty()) return name;
    const std::u8string folder = std::filesystem::u8path(name).parent_path().u8string();
    state.default_dir.assign(folder.begin(), folder.end());  // the next dialog starts here
    // Neither the open database nor anything but a plain file (a folder, a device) is written over.
    if (std::string refusal = open_database_refusal(state, name);
        !refusal.empty() || !(refusal = output_refusal(name)).empty()) {
      frontend.show_error(refusal);
      continue;
    }
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(native_path(name), ec))) return name;
    if (frontend.ask_yes_no_default_no("Файл " + file_name_of(name) + " уже существует. Заменить его?")) return name;
  }
}

}  // namespace kalora
