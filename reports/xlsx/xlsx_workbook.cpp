#include "reports/xlsx/xlsx_workbook.h"

#ifndef KALORA_HAVE_XLSX

namespace kalora::xlsx {

std::string save_workbook(const xls::Sheet&, const std::string&) {
  return "Книга Excel 2007 недоступна: программа собрана без libxlsxwriter";
}

}  // namespace kalora::xlsx

#else

#include <xlsxwriter.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "core/file_io.h"

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kalora::xlsx {

namespace {

constexpr double twips_per_point = 20.0;
constexpr double width_units_per_digit = 256.0;

struct WorkbookCloser {
  void operator()(lxw_workbook* w) const { workbook_close(w); }
};
using WorkbookPtr = std::unique_ptr<lxw_workbook, WorkbookCloser>;

std::uint8_t horizontal(xls::HAlign a) {
  switch (a) {
    case xls::HAlign::left:
      return LXW_ALIGN_LEFT;
    case xls::HAlign::center:
      return LXW_ALIGN_CENTER;
    case xls::HAlign::right:
      return LXW_ALIGN_RIGHT;
    default:
      return LXW_ALIGN_NONE;
  }
}

std::uint8_t vertical(xls::VAlign a) {
  switch (a) {
    case xls::VAlign::top:
      return LXW_ALIGN_VERTICAL_TOP;
    case xls::VAlign::center:
      return LXW_ALIGN_VERTICAL_CENTER;
    default:
      return LXW_ALIGN_VERTICAL_BOTTOM;
  }
}

// The workbook's formats, one per cell look; the workbook owns them.
class Formats {
 public:
  explicit Formats(lxw_workbook* workbook) : workbook_(workbook) {}
  lxw_format* operator()(const xls::CellStyle& style) {
    const auto known = formats_.find(style);
    if (known != formats_.end()) return known->second;
    lxw_format* f = workbook_add_format(workbook_);
    format_set_font_name(f, style.font.name.c_str());
    format_set_font_size(f, style.font.size_pt);
    if (style.font.bold) format_set_bold(f);
    if (style.font.italic) format_set_italic(f);
    if (style.horizontal != xls::HAlign::general) format_set_align(f, horizontal(style.horizontal));
    format_set_align(f, vertical(style.vertical));
    if (style.wrap) format_set_text_wrap(f);
    // The line styles carry the values both workbook formats give them.
    format_set_left(f, static_cast<std::uint8_t>(style.borders.left));
    format_set_right(f, static_cast<std::uint8_t>(style.borders.right));
    format_set_top(f, static_cast<std::uint8_t>(style.borders.top));
    format_set_bottom(f, static_cast<std::uint8_t>(style.borders.bottom));
    if (style.fill_rgb) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, *style.fill_rgb & 0xFFFFFF);
    }
    if (!style.number_format.empty()) format_set_num_format(f, style.number_format.c_str());
    formats_.emplace(style, f);
    return f;
  }

 private:
  lxw_workbook* workbook_;
  std::map<xls::CellStyle, lxw_format*> formats_;
};

// Fills the worksheet; false at the first thing it refuses.
bool write_sheet(lxw_workbook* workbook, lxw_worksheet* ws, const xls::Sheet& sheet) {
  worksheet_set_paper(ws, static_cast<std::uint8_t>(sheet.page.paper));
  if (sheet.page.landscape) worksheet_set_landscape(ws);
  worksheet_set_margins(ws, sheet.margins.left, sheet.margins.right, sheet.margins.top, sheet.margins.bottom);
  if (sheet.page.fit_width) worksheet_fit_to_pages(ws, 1, 0);
  if (!sheet.header.empty()) worksheet_set_header(ws, sheet.header.c_str());
  if (!sheet.footer.empty()) worksheet_set_footer(ws, sheet.footer.c_str());
  // The library keeps the first 1023 breaks; the pages after them break where the paper ends.
  std::vector<lxw_row_t> breaks(sheet.page_breaks.begin(), sheet.page_breaks.end());
  breaks.push_back(0);  // the list's end
  if (breaks.size() > 1 && worksheet_set_h_pagebreaks(ws, breaks.data()) != LXW_NO_ERROR) return false;

  for (const auto& [col, width] : sheet.column_widths) {
    if (worksheet_set_column(ws, col, col, width / width_units_per_digit, nullptr) != LXW_NO_ERROR) return false;
  }
  for (const auto& [row, twips] : sheet.row_heights) {
    if (worksheet_set_row(ws, row, twips / twips_per_point, nullptr) != LXW_NO_ERROR) return false;
  }
  // Merged first, so that the cells written next keep their own looks.
  for (const xls::Range& r : sheet.merges) {
    if (worksheet_merge_range(ws, r.first_row, r.first_col, r.last_row, r.last_col, "", nullptr) != LXW_NO_ERROR)
      return false;
  }
  Formats formats(workbook);
  for (const xls::SheetCell& c : sheet.cells) {
    lxw_format* f = formats(c.style);
    lxw_error e = LXW_NO_ERROR;
    if (const auto* text = std::get_if<std::string>(&c.value)) {
      e = worksheet_write_string(ws, c.row, c.col, text->c_str(), f);
    } else if (const auto* number = std::get_if<double>(&c.value)) {
      e = worksheet_write_number(ws, c.row, c.col, *number, f);
    } else {
      e = worksheet_write_blank(ws, c.row, c.col, f);
    }
    if (e != LXW_NO_ERROR) return false;
  }
  return true;
}

// Where the library writes the book. On Linux a file without a name in the temporary
// folder, reached through /proc, so nothing of the report is left there whatever ends
// the program, a signal included; elsewhere (or where the folder's file system cannot
// make such a file) a name of our own, removed when the export ends.
class Scratch {
 public:
  Scratch(const std::filesystem::path& folder, const std::string& library_folder, const std::string& name) {
#ifdef __linux__
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      library_name_ = path_ = "/proc/self/fd/" + std::to_string(fd_);
      return;
    }
#endif
    library_name_ = library_folder + name;
    path_ = utf8_text(folder / name);
    named_ = true;
  }
  ~Scratch() {
    if (named_) remove_quietly(path_);
#ifdef __linux__
    if (fd_ >= 0) ::close(fd_);
#endif
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& library_name() const { return library_name_; }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  bool named_ = false;
  std::string library_name_, path_;
};

// A name of our own for the library to write to.
std::string private_name() {
  static std::atomic<unsigned> serial{0};
  std::random_device random;
  return "kalora-" + std::to_string(random()) + "-" + std::to_string(serial++) + ".xlsx";
}

}  // namespace

std::string save_workbook(const xls::Sheet& sheet, const std::string& path) {
  const std::string refused = "Отчёт не помещается в книгу Excel";
  if (xls::last_row(sheet) >= xls::xlsx_rows) return xls::too_many_rows(xls::xlsx_rows);
  std::error_code ec;
  // The library writes its file whole on close, in the temporary folder; its bytes then
  // go to `path` the way every file of the program is saved. The library opens its file
  // with plain fopen, so it gets the folder's name in the form fopen reads (on Windows a
  // user's temporary folder often holds a Cyrillic user name).
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  std::string library_folder = ec ? std::string{} : narrow_name(folder);
  if (library_folder.empty()) {
    // The book is made in the temporary folder first: the message names that folder.
    const char* named = std::getenv("TMPDIR");
    return "Ошибка ввода-вывода: нет временной папки" +
           (ec ? (named ? std::string(" \"") + named + "\"" : std::string()) : " \"" + utf8_text(folder) + "\"");
  }
  const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
  if (library_folder.back() != separator && library_folder.back() != '/') library_folder += separator;
  const Scratch scratch(folder, library_folder, private_name());
  lxw_error closed = LXW_NO_ERROR;
  {
    WorkbookPtr workbook(workbook_new(scratch.library_name().c_str()));
    if (!workbook) return io_error_text(path, "не удалось создать файл");
    lxw_worksheet* ws = workbook_add_worksheet(workbook.get(), sheet.name.c_str());
    if (!ws || !write_sheet(workbook.get(), ws, sheet)) return refused;
    closed = workbook_close(workbook.release());
  }
  std::vector<std::uint8_t> bytes;
  if (closed == LXW_NO_ERROR) {
    const auto size = std::filesystem::file_size(native_path(scratch.path()), ec);
    if (!ec) {
      bytes.resize(size);
      const ReadResult read = read_file_into(scratch.path(), bytes);
      if (!read.ok || read.bytes_read != size) bytes.clear();
    }
  }
  if (bytes.empty()) return io_error_text(path, "не удалось записать файл");
  return replace_file(path, bytes);
}

}  // namespace kalora::xlsx

#endif  // KALORA_HAVE_XLSX
