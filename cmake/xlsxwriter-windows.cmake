# The static .xlsx writer for the Windows programs, which scripts/xlsxwriter-windows.sh
# builds from Debian's source into the cache folder beside the static Qt:
#   ${KALORA_QT_CACHE:-/var/cache/kalora}/xlsxwriter-1.1.4-mingw64-gcc<N>
# (-DKALORA_XLSXWRITER_PREFIX=... names another). It and MinGW-w64's zlib are linked in
# from their static archives, so the programs need no DLL of theirs. Without it the
# Windows programs refuse .xlsx and say so.
set(KALORA_XLSXWRITER_VERSION 1.1.4)

if(NOT KALORA_XLSXWRITER_PREFIX)
  # The compiler's part of the folder name, as the script makes it: the major version
  # with what follows it (gcc12-posix).
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpversion
    OUTPUT_VARIABLE kalora_compiler_version OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REGEX REPLACE "\\..*$" "" kalora_compiler_key "${kalora_compiler_version}")
  set(kalora_cache "$ENV{KALORA_QT_CACHE}")
  if(NOT kalora_cache)
    set(kalora_cache /var/cache/kalora)
  endif()
  set(KALORA_XLSXWRITER_PREFIX
    "${kalora_cache}/xlsxwriter-${KALORA_XLSXWRITER_VERSION}-mingw64-gcc${kalora_compiler_key}"
    CACHE PATH "The static .xlsx writer library for Windows (scripts/xlsxwriter-windows.sh)")
endif()

# Only a finished install (its stamp is written last) counts, and only while it is there.
set(kalora_xlsxwriter_ready FALSE)
if(EXISTS "${KALORA_XLSXWRITER_PREFIX}/.complete")
  set(kalora_xlsxwriter_ready TRUE)
  find_path(KALORA_XLSXWRITER_INCLUDE_DIR xlsxwriter.h
    PATHS "${KALORA_XLSXWRITER_PREFIX}/include" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(KALORA_XLSXWRITER_LIBRARY NAMES libxlsxwriter.a
    PATHS "${KALORA_XLSXWRITER_PREFIX}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
endif()
find_library(KALORA_MINGW_ZLIB NAMES libz.a)

if(kalora_xlsxwriter_ready AND KALORA_XLSXWRITER_INCLUDE_DIR AND KALORA_XLSXWRITER_LIBRARY AND KALORA_MINGW_ZLIB)
  add_library(kalora_xlsxwriter STATIC IMPORTED)
  set_target_properties(kalora_xlsxwriter PROPERTIES
    IMPORTED_LOCATION "${KALORA_XLSXWRITER_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${KALORA_XLSXWRITER_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "${KALORA_MINGW_ZLIB}")
  target_link_libraries(kalora_core PUBLIC kalora_xlsxwriter)
  target_compile_definitions(kalora_core PUBLIC KALORA_HAVE_XLSX=1)
  message(STATUS "Excel 2007 (.xlsx) export: ${KALORA_XLSXWRITER_LIBRARY}")
else()
  message(WARNING "No .xlsx writer for Windows in ${KALORA_XLSXWRITER_PREFIX} "
    "(scripts/xlsxwriter-windows.sh builds it; libz-mingw-w64-dev gives zlib): "
    "the programs built here refuse .xlsx.")
endif()
