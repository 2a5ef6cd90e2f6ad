#include "reports/report_preview.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "reports/page_painter.h"
#include "views/window_fit.h"

namespace kalora::reports {

namespace {

constexpr double zoom_step = 1.25;

const char* const help_text =
    "Окно предварительного просмотра показывает отчёт так, как он будет напечатан.\n\n"
    "«, ‹, › и » (Home, PgUp, PgDn, End) листают страницы.\n"
    "«По ширине» подгоняет страницу к ширине окна, «Весь лист» показывает страницу целиком, "
    "«+» и «−» меняют масштаб.\n"
    "«Печать» открывает диалог печати, «PDF…» сохраняет отчёт в файл PDF.\n"
    "«Найти» ищет введённый текст, начиная со страницы после показанной, и выделяет его.\n"
    "Esc закрывает окно.";

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

ReportPreview::ReportPreview(const BuiltReport& report, std::function<void()> print, std::function<void()> save_pdf,
                             QWidget* parent)
    : QDialog(parent), shown_(report), printer_(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
  setObjectName("ReportPreview");
  setWindowTitle("Предварительный просмотр");
  setModal(true);

  printer_->setFullPage(true);
  printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
  preview_ = new QPrintPreviewWidget(printer_.get(), this);
  connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
    QPainter painter(printer);
    paint_pages(painter, *printer, shown_, 1, static_cast<int>(shown_.pages.size()));
  });
  connect(preview_, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::update_page_text);

  auto* tools = new QToolBar(this);
  const auto page_button = [&](const char* text, const char* tip, std::function<int()> page,
                               std::initializer_list<QKeySequence> keys) {
    QAction* a = tools->addAction(QString::fromUtf8(text), this, [this, page] { go_to_page(page()); });
    a->setToolTip(QString::fromUtf8(tip));
    a->setShortcuts(QList<QKeySequence>(keys));
  };
  const auto last = [this] { return static_cast<int>(shown_.pages.size()); };
  page_button("«", "Первая страница (Home)", [] { return 1; },
              {QKeySequence(Qt::Key_Home), QKeySequence(Qt::CTRL | Qt::Key_Home)});
  page_button("‹", "Предыдущая страница (PgUp)", [this] { return preview_->currentPage() - 1; },
              {QKeySequence(Qt::Key_PageUp)});
  page_label_ = new QLabel(this);
  page_label_->setObjectName("PageText");
  page_label_->setMargin(4);
  tools->addWidget(page_label_);
  page_button("›", "Следующая страница (PgDn)", [this] { return preview_->currentPage() + 1; },
              {QKeySequence(Qt::Key_PageDown)});
  page_button("»", "Последняя страница (End)", last, {QKeySequence(Qt::Key_End), QKeySequence(Qt::CTRL | Qt::Key_End)});
  tools->addSeparator();
  tools->addAction("По ширине", preview_, &QPrintPreviewWidget::fitToWidth);
  tools->addAction("Весь лист", preview_, &QPrintPreviewWidget::fitInView);
  tools->addAction("+", this, [this] { preview_->zoomIn(zoom_step); });
  tools->addAction("−", this, [this] { preview_->zoomOut(zoom_step); });
  tools->addSeparator();
  tools->addAction("Печать", this, [print = std::move(print)] {
    if (print) print();
  });
  if (save_pdf) tools->addAction("PDF…", this, [save_pdf = std::move(save_pdf)] { save_pdf(); });
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
  views::fit_window(*this, {1000, 720}, views::Scroll::none);

  // Every report opens fitted to the window's width: the wide resistance pages too.
  preview_->fitToWidth();
  update_page_text();
}

ReportPreview::~ReportPreview() = default;

QString ReportPreview::page_text() const { return page_label_->text(); }

void ReportPreview::update_page_text() {
  const int count = static_cast<int>(shown_.pages.size());
  page_label_->setText(
      QStringLiteral("Стр. %1 из %2").arg(std::clamp(preview_->currentPage(), 1, std::max(count, 1))).arg(count));
}

void ReportPreview::go_to_page(int page) {
  preview_->setCurrentPage(std::clamp(page, 1, std::max(static_cast<int>(shown_.pages.size()), 1)));
  update_page_text();
}

bool ReportPreview::find(const QString& text) {
  const std::string wanted = text.toStdString();
  const auto page = find_page(shown_, wanted, preview_->currentPage());
  for (Page& p : shown_.pages)
    for (PageCell& cell : p.cells)
      cell.marked = page && QString::fromStdString(cell.text).contains(text, Qt::CaseInsensitive);
  preview_->updatePreview();
  if (!page) {
    QMessageBox::information(this, windowTitle(), "Текст не найден");
    return false;
  }
  go_to_page(*page + 1);  // the widget counts pages from 1
  return true;
}

int ReportPreview::marked_cells() const {
  int marked = 0;
  for (const Page& p : shown_.pages)
    for (const PageCell& cell : p.cells) marked += cell.marked ? 1 : 0;
  return marked;
}

void ReportPreview::show_help() { QMessageBox::information(this, "Справка", help_text); }

}  // namespace kalora::reports
