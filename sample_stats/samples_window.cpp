#include "sample_stats/samples_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/plot_painter.h"
#include "db/output_name.h"
#include "protocol/particulars_dialog.h"
#include "reports/excel_export.h"
#include "reports/exp2excel.h"
#include "reports/page_painter.h"
#include "reports/report_preview.h"
#include "sample_stats/sample_plot.h"
#include "sample_stats/samples_text.h"
#include "views/window_fit.h"

namespace kalora::samples {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

constexpr std::string_view workbook_filter = "Книга Excel|*.xls|Книга Excel 2007 и новее|*.xlsx";

}  // namespace

SamplesWindow::SamplesWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent)
    : QDialog(parent), state_(state), frontend_(frontend), guard_(std::move(guard)) {
  setObjectName(QStringLiteral("SamplesWindow"));
  setWindowTitle(QStringLiteral("Результаты по образцам"));
  build();
  views::fit_window(*this, {1180, 760});
}

void SamplesWindow::build() {
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  top->addStretch();
  auto* buttons = new QVBoxLayout;
  const auto button = [&](const QString& name, const QString& text, void (SamplesWindow::*handler)()) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, handler] { guard_([this, handler] { (this->*handler)(); }); });
    buttons->addWidget(b);
    return b;
  };
  particulars_button = button(QStringLiteral("particulars"), QStringLiteral("Сведения для протокола…"),
                              &SamplesWindow::edit_particulars);
  print_button = button(QStringLiteral("print"), QStringLiteral("Печать"), &SamplesWindow::print);
  preview_button = button(QStringLiteral("preview"), QStringLiteral("Просмотр"), &SamplesWindow::preview);
  pdf_button = button(QStringLiteral("pdf"), QStringLiteral("PDF…"), &SamplesWindow::save_pdf);
  excel_button = button(QStringLiteral("excel"), QStringLiteral("Excel…"), &SamplesWindow::save_workbook);
  buttons->addStretch();
  top->addLayout(buttons);
  layout->addLayout(top);

  summary = new QLabel(this);
  summary->setObjectName(QStringLiteral("summary"));
  layout->addWidget(summary);

  auto* split = new QSplitter(Qt::Vertical, this);
  groups = new QTableWidget(split);
  groups->setObjectName(QStringLiteral("groups"));
  groups->setEditTriggers(QAbstractItemView::NoEditTriggers);
  groups->setSelectionBehavior(QAbstractItemView::SelectRows);
  groups->setSelectionMode(QAbstractItemView::SingleSelection);
  groups->verticalHeader()->hide();
  groups->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  connect(groups, &QTableWidget::currentCellChanged, this, [this](int row) { show_group(row); });
  plot_view = new plot::PlotView(split);
  plot_view->setObjectName(QStringLiteral("plot"));
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  split->setSizes({260, 340});
  layout->addWidget(split, 1);
}

void SamplesWindow::show_results(SampleResults results, bool selection) {
  results_ = std::move(results);
  summary->setText(qs(method_name(results_.method) + (selection ? ", выделенные строки: " : ", строк: ") +
                      std::to_string(results_.rows.size()) + ", групп: " + std::to_string(results_.groups.size())));
  fill_groups();
  choose_group(results_.groups.empty() ? -1 : 0);
}

void SamplesWindow::fill_groups() {
  const QSignalBlocker blocker(groups);
  groups->clear();
  groups->setRowCount(static_cast<int>(results_.groups.size()));
  for (int row = 0; const SampleGroup& g : results_.groups) {
    const auto figures = group_figures(results_, g);
    if (row == 0) {
      groups->setColumnCount(static_cast<int>(figures.size()) + 1);
      QStringList titles{QStringLiteral("Образец")};
      for (const Figure& f : figures) titles << qs(f.label).replace(QStringLiteral(", "), QStringLiteral(",\n"));
      groups->setHorizontalHeaderLabels(titles);
    }
    groups->setItem(row, 0, new QTableWidgetItem(qs(g.name)));
    for (int column = 1; const Figure& f : figures) {
      auto* item = new QTableWidgetItem(qs(f.note.empty() ? f.text : f.text + " *"));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (!f.note.empty()) item->setToolTip(qs(f.note));
      groups->setItem(row, column++, item);
    }
    ++row;
  }
  groups->resizeColumnsToContents();
  groups->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  const bool any = !results_.groups.empty();
  for (QPushButton* b : {print_button, preview_button, pdf_button, excel_button}) b->setEnabled(any);
}

int SamplesWindow::current_group() const { return groups->currentRow(); }

void SamplesWindow::choose_group(int index) {
  groups->setCurrentCell(index, 0);
  show_group(index);
}

void SamplesWindow::show_group(int index) {
  if (index < 0 || index >= static_cast<int>(results_.groups.size())) {
    plot_view->set_plot({});
    return;
  }
  plot_view->set_plot(group_plot(results_, results_.groups[static_cast<std::size_t>(index)]));
}

void SamplesWindow::edit_particulars() {
  const auto edited = protocol::edit_particulars(load_particulars(), this, run_dialog);
  if (edited && save_particulars) save_particulars(*edited);
}

reports::BuiltReport SamplesWindow::record() const {
  return sample_record(results_, {load_particulars(), state_.db_name, today_text()});
}

void SamplesWindow::print() { reports::print_with_dialog(record(), this, frontend_, run_dialog); }

void SamplesWindow::preview() {
  const auto report = record();
  reports::ReportPreview window(
      report, [this, &report] { reports::print_with_dialog(report, this, frontend_, run_dialog); },
      [this] { save_pdf(); }, this);
  run_dialog(window);
}

void SamplesWindow::save_pdf() {
  const std::string name =
      choose_output_file(state_, frontend_, {FileDialogRequest::Kind::save, "Файлы PDF|*.pdf", "pdf", {}});
  if (name.empty()) return;
  if (const QString error = reports::write_pdf(record(), QString::fromStdString(name)); !error.isEmpty())
    frontend_.show_error(error.toStdString());
}

void SamplesWindow::save_workbook() {
  int chosen = 1;
  const std::string name =
      choose_output_file(state_, frontend_, {FileDialogRequest::Kind::save, workbook_filter, "xls", {}, &chosen});
  if (name.empty()) return;
  const bool xlsx = reports::export_format(name, chosen) == reports::ExportFormat::xlsx;
  if (const std::string error = reports::TfrOLEExcelExport{}.export_report(record(), name, xlsx); !error.empty())
    frontend_.show_error(error);
}

}  // namespace kalora::samples
