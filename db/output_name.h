// The name of a file the program puts out (a workbook, a PDF): never the open
// database or a file that belongs to it, and never another file replaced unasked.
#pragma once

#include <string>

#include "core/frontend.h"
#include "core/state.h"

namespace kalora {

// Why `path` cannot be written while the database is open: it names the container,
// a working copy or the busy marker (through a link or another name too). Empty
// when it can.
std::string open_database_refusal(const State& state, const std::string& path);

// The save dialog for an output. A name of the open database, or of something that
// is not a plain file, is refused with a message and the dialog comes again; an existing file is replaced only after
// "Да" to "Заменить?", "Нет" asks again. Empty when the dialog is cancelled. The
// next dialog starts in the folder chosen.
std::string choose_output_file(State& state, Frontend& frontend, const FileDialogRequest& request);

}  // namespace kalora
