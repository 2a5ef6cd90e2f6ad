#include "reports/report_preview.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

#include "reports/page_painter.h"

namespace kalora::reports {

namespace {

constexpr double zoom_step = 1.25;

const char* const help_text =
    "Окно предварительного просмотра показывает отчёт так, как он будет напечатан.\n\n"
    "«По ширине» подгоняет страницу к ширине окна, «Весь лист» показывает страницу целиком, "
    "«+» и «−» меняют масштаб.\n"
    "«Печать» открывает диалог печати.\n"
    "«Найти» ищет введённый текст, начиная со страницы после показанной.";

}  // namespace

std::optional<int> find_page(const BuiltReport& report, std::string_view text, int start) {
  const QString wanted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const int count = static_cast<int>(report.pages.size());
  if (wanted.isEmpty() || count == 0) return std::nullopt;
  for (int k = 0; k < count; ++k) {
    const int page = ((start % count + count) % count + k) % count;
    for (const PageCell& cell : report.pages[static_cast<std::size_t>(page)].cells) {
      if (QString::fromStdString(cell.text).contains(wanted, Qt::CaseInsensitive)) return page;
    }
  }
  return std::nullopt;
}

ReportPreview::ReportPreview(const BuiltReport& report, std::function<void()> print, QWidget* parent)
    : QDialog(parent), report_(report), printer_(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
  setObjectName("ReportPreview");
  setWindowTitle("Предварительный просмотр");
  setModal(true);
  resize(1000, 720);

  printer_->setFullPage(true);
  printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
  preview_ = new QPrintPreviewWidget(printer_.get(), this);
  connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
    QPainter painter(printer);
    paint_pages(painter, *printer, report_, 1, static_cast<int>(report_.pages.size()));
  });

  auto* tools = new QToolBar(this);
  tools->addAction("По ширине", preview_, &QPrintPreviewWidget::fitToWidth);
  tools->addAction("Весь лист", preview_, &QPrintPreviewWidget::fitInView);
  tools->addAction("+", this, [this] { preview_->zoomIn(zoom_step); });
  tools->addAction("−", this, [this] { preview_->zoomOut(zoom_step); });
  tools->addSeparator();
  tools->addAction("Печать", this, [print = std::move(print)] {
    if (print) print();
  });
  tools->addSeparator();
  find_text_ = new QLineEdit(this);
  find_text_->setObjectName("FindText");
  find_text_->setPlaceholderText("Текст для поиска");
  find_text_->setMaximumWidth(220);
  tools->addWidget(find_text_);
  auto* find_action = tools->addAction("Найти", this, [this] { find(find_text_->text()); });
  connect(find_text_, &QLineEdit::returnPressed, find_action, &QAction::trigger);
  tools->addSeparator();
  tools->addAction("Справка", this, &ReportPreview::show_help);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tools);
  layout->addWidget(preview_, 1);

  // Reports 1 to 3 open fitted to the window's width, 4 and 5 at natural size.
  if (report.id == ReportId::rk || report.id == ReportId::ro) {
    preview_->setZoomMode(QPrintPreviewWidget::CustomZoom);
    preview_->setZoomFactor(1.0);
  } else {
    preview_->fitToWidth();
  }
}

ReportPreview::~ReportPreview() = default;

bool ReportPreview::find(const QString& text) {
  // The widget counts pages from 1.
  const auto page = find_page(report_, text.toStdString(), preview_->currentPage());
  if (!page) {
    QMessageBox::information(this, windowTitle(), "Текст не найден");
    return false;
  }
  preview_->setCurrentPage(*page + 1);
  return true;
}

void ReportPreview::show_help() { QMessageBox::information(this, "Справка", help_text); }

}  // namespace kalora::reports
