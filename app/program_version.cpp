// The version record of the desktop program, read back by the about window.
#include "app/version_record.h"

#if defined(__ELF__)
namespace {

using kalora::app::version_record::Entry;

constexpr std::array<Entry, 4> entries{{
    {kalora::app::version_record::translation_key, {"\x19\x04\xE3\x04", 4}},  // Russian, code page 1251
    {"\\StringFileInfo\\041904E3\\FileVersion", {KALORA_FILE_VERSION, sizeof KALORA_FILE_VERSION}},
    {"\\StringFileInfo\\041904E3\\ProductName", {"КАЛОРА-5", sizeof "КАЛОРА-5"}},
    {"\\StringFileInfo\\041904E3\\FileDescription",
     {"Программа для передачи данных с прибора КАЛОРА-5", sizeof "Программа для передачи данных с прибора КАЛОРА-5"}},
}};

[[gnu::section(".kalora_version"), gnu::used]] const auto record =
    kalora::app::version_record::encode<kalora::app::version_record::encoded_size(entries)>(entries);

}  // namespace
#endif
