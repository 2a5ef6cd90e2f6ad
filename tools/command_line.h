// The command line and the console as the tools see them on every platform: the
// arguments in UTF-8, standard output and error passing bytes unchanged.
#pragma once

#include <string>
#include <vector>

namespace kalora {

// The arguments after the program's name, in UTF-8. Windows hands `argv` over in
// the ANSI code page, which loses every letter outside it, so there they are read
// again from the UTF-16 command line.
std::vector<std::string> utf8_arguments(int argc, char** argv);

// Windows only: standard output and error in binary mode (no CR before each LF)
// and the console showing UTF-8. Nothing to do elsewhere.
void use_utf8_binary_console();

}  // namespace kalora
