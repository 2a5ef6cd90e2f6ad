// The preview window of a built report: pages, zoom, print, PDF, find and help.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "reports/report_builder.h"

class QLabel;
class QLineEdit;
class QPrinter;
class QPrintPreviewWidget;

namespace kalora::reports {

// The first page from `start` (0-based) on, wrapping round, with a cell holding
// `text` (case ignored); none when no page has one or the text is empty.
std::optional<int> find_page(const BuiltReport& report, std::string_view text, int start);

class ReportPreview : public QDialog {
  Q_OBJECT
 public:
  // `print` runs the print command on the report shown, `save_pdf` writes it as a PDF file.
  ReportPreview(const BuiltReport& report, std::function<void()> print, std::function<void()> save_pdf = {},
                QWidget* parent = nullptr);
  ~ReportPreview() override;

  QPrintPreviewWidget* preview() const { return preview_; }
  // "Стр. N из M" of the page shown.
  QString page_text() const;
  // First, previous, next and last page (also Home, PgUp, PgDn, End).
  void go_to_page(int page);  // 1-based, kept within the report
  // Searches from the page after the one shown and marks the cells holding the text;
  // false (with a message) when no page has it.
  bool find(const QString& text);
  // Cells marked by the last search, on every page.
  int marked_cells() const;

 private:
  void show_help();
  void update_page_text();

  BuiltReport shown_;  // the report, with the cells the search found marked
  std::unique_ptr<QPrinter> printer_;
  QPrintPreviewWidget* preview_ = nullptr;
  QLineEdit* find_text_ = nullptr;
  QLabel* page_label_ = nullptr;
};

}  // namespace kalora::reports
