// The preview window of a built report: zoom, print, find and help.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "reports/report_builder.h"

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
  // `print` runs the print command on the report shown.
  ReportPreview(const BuiltReport& report, std::function<void()> print, QWidget* parent = nullptr);
  ~ReportPreview() override;

  QPrintPreviewWidget* preview() const { return preview_; }
  // Searches from the page after the one shown; false (with a message) when no page has the text.
  bool find(const QString& text);

 private:
  void show_help();

  const BuiltReport& report_;
  std::unique_ptr<QPrinter> printer_;
  QPrintPreviewWidget* preview_ = nullptr;
  QLineEdit* find_text_ = nullptr;
};

}  // namespace kalora::reports
