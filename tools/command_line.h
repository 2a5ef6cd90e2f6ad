// The command line and the console as the tools see them on every platform: the
// arguments in UTF-8, standard output and error passing bytes unchanged.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalora {

// The arguments with every "--force" taken out, and whether there was one.
struct ForcedArgs {
  bool force = false;
  std::vector<std::string> rest;
};
ForcedArgs without_force(std::span<const std::string> args);

// For a command that writes `path`: false (the message on stderr) when something
// other than a regular file is there (output_refusal).
bool plain_output(const std::string& path);

// For a command that would create `path`: true when nothing is there or `force` is
// given; otherwise false, with the message on stderr.
bool may_write(const std::string& path, bool force);

// Whether the file name ends in `extension` (".pdf", lower case), in any letter case,
// with something before it.
bool has_extension(const std::string& path, std::string_view extension);

// The usage line of one command on stderr; returns the exit code of wrong usage.
int usage_of(std::string_view usage);

// The arguments after the program's name, in UTF-8. Windows hands `argv` over in
// the ANSI code page, which loses every letter outside it, so there they are read
// again from the UTF-16 command line.
std::vector<std::string> utf8_arguments(int argc, char** argv);

// Windows only: standard output and error in binary mode (no CR before each LF)
// and the console showing UTF-8. Nothing to do elsewhere.
void use_utf8_binary_console();

}  // namespace kalora
