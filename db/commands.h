// The file commands of the main window as plain routines; the desktop program only
// wires its menu items, toolbar buttons and grids to them.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "core/frontend.h"
#include "core/state.h"
#include "db/container.h"
#include "device/download.h"

namespace kalora {

// Shows the download window modally; it leaves the image in flash on OK.
using DownloadStep = std::function<ModalResult()>;

// "Создать": close, download, check, ask for the new file, Create_DB.
void command_create(State& state, Frontend& frontend, const DownloadStep& download);
// "Открыть": ask for a database, close the open one, Open_DB.
void command_open(State& state, Frontend& frontend);
// Why an instrument of that subtype cannot be appended to the open database
// ("Тип прибора и открытая база не совпадают!"); empty when it can. The download
// asks right after the identification, so the refusal comes before the dump.
std::string_view append_refusal(const State& state, std::uint8_t dev_subtype);

// "Дополнить": add a download to the open database (asking for one when none is
// open), keeping only the records later than the stored ones, and save. When no
// record is added the container is not touched. ok; refused when the image or a
// part of it was refused (what was saved is said); io_error when a file failed.
DbResult command_append(State& state, Frontend& frontend, const DownloadStep& download);
// "Сохранить".
void command_save(State& state, Frontend& frontend);
// "Закрыть". False when the user took it back at the save question.
bool command_close(State& state, Frontend& frontend);
// "Загрузить bin файл": close, read an image file, check, ask for the new file, Create_DB.
void command_load_bin(State& state, Frontend& frontend);

// The question before records are deleted: "Удалить 3 записи?".
std::string delete_question(std::size_t records);

// "Удалить строки": deletes the given records (physical record numbers, the
// grid's selection) of the table and marks the tables modified. They stay in the
// file marked deleted, so "Отменить" can bring them back, until the save packs it.
void delete_rows(State& state, Frontend& frontend, db::DbfTable& table, std::span<const std::uint32_t> selected);

// Clears the sort marks of grid 1..5 and returns its table to natural order,
// dropping the sort index of that name. Never reports anything.
void reset_sort(Frontend& frontend, int grid, db::DbfTable& table, std::string_view index_name);

}  // namespace kalora
