#include "analysis/analysis_window.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/analysis_plots.h"
#include "analysis/analysis_print.h"
#include "analysis/analysis_text.h"
#include "analysis/plot_painter.h"
#include "reports/number_format.h"

namespace kalora::analysis {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QTableWidget* read_only_table(const QString& name, QWidget* parent) {
  auto* t = new QTableWidget(parent);
  t->setObjectName(name);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->verticalHeader()->hide();
  t->horizontalHeader()->setStretchLastSection(true);
  return t;
}

void set_cell(QTableWidget* t, int row, int column, const std::string& text) {
  t->setItem(row, column, new QTableWidgetItem(qs(text)));
}

}  // namespace

AnalysisWindow::AnalysisWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent)
    : QDialog(parent), state_(state), frontend_(frontend), guard_(std::move(guard)) {
  setObjectName(QStringLiteral("AnalysisWindow"));
  setWindowTitle(QStringLiteral("Анализ наблюдений"));
  resize(1100, 760);
  build();
}

void AnalysisWindow::build() {
  auto* layout = new QVBoxLayout(this);

  auto* settings = new QHBoxLayout;
  const auto spin = [this](const QString& name, double value) {
    auto* box = new QDoubleSpinBox(this);
    box->setObjectName(name);
    box->setLocale(QLocale(QLocale::Russian));  // the decimal comma
    box->setDecimals(3);
    box->setRange(0, 10);
    box->setSingleStep(0.01);
    box->setValue(value);
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] { settings_edited(); });
    return box;
  };
  rsi_ = spin(QStringLiteral("rsi"), options_.rsi);
  rse_ = spin(QStringLiteral("rse"), options_.rse);
  max_gap_ = new QSpinBox(this);
  max_gap_->setObjectName(QStringLiteral("max_gap"));
  max_gap_->setRange(0, 30 * 86400);
  max_gap_->setSingleStep(600);
  max_gap_->setValue(static_cast<int>(options_.max_gap));
  connect(max_gap_, &QSpinBox::valueChanged, this, [this] { settings_edited(); });
  whole_days_ = new QCheckBox(QStringLiteral("Целые сутки"), this);
  whole_days_->setObjectName(QStringLiteral("whole_days"));
  connect(whole_days_, &QCheckBox::toggled, this, [this] { settings_edited(); });
  for (auto [label, widget] : {std::pair<const char*, QWidget*>{"Rsi, м²·К/Вт:", rsi_},
                               {"Rse, м²·К/Вт:", rse_},
                               {"Наибольший перерыв, с:", max_gap_}}) {
    settings->addWidget(new QLabel(QString::fromUtf8(label), this));
    settings->addWidget(widget);
  }
  settings->addWidget(whole_days_);
  settings->addStretch();
  print_button = new QPushButton(QStringLiteral("Печать"), this);
  print_button->setObjectName(QStringLiteral("print"));
  pdf_button = new QPushButton(QStringLiteral("PDF…"), this);
  pdf_button->setObjectName(QStringLiteral("pdf"));
  connect(print_button, &QPushButton::clicked, this, [this] { guard_([this] { print(); }); });
  connect(pdf_button, &QPushButton::clicked, this, [this] { guard_([this] { save_pdf(); }); });
  settings->addWidget(print_button);
  settings->addWidget(pdf_button);
  layout->addLayout(settings);

  auto* split = new QSplitter(Qt::Horizontal, this);
  auto* left = new QSplitter(Qt::Vertical, split);
  series_list = read_only_table(QStringLiteral("series_list"), left);
  series_list->setColumnCount(5);
  series_list->setHorizontalHeaderLabels({QStringLiteral("Вид"), QStringLiteral("Начало"), QStringLiteral("Конец"),
                                          QStringLiteral("Записей"), QStringLiteral("Часов")});
  series_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  series_list->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(series_list, &QTableWidget::currentCellChanged, this, [this](int row) { show_series(row); });
  results = read_only_table(QStringLiteral("results"), left);
  left->setSizes({160, 540});
  auto* plot_column = new QWidget(split);
  auto* plots_layout = new QVBoxLayout(plot_column);
  plots_layout->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < plots.size(); ++i) {
    plots[i] = new plot::PlotView(plot_column);
    plots[i]->setObjectName(QStringLiteral("plot_%1").arg(i + 1));
    plots_layout->addWidget(plots[i]);
  }
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 3);
  layout->addWidget(split);
}

void AnalysisWindow::set_options(const AnalysisOptions& options) {
  options_ = options;
  {
    const QSignalBlocker b1(rsi_), b2(rse_), b3(max_gap_), b4(whole_days_);
    rsi_->setValue(options.rsi);
    rse_->setValue(options.rse);
    max_gap_->setValue(static_cast<int>(options.max_gap));
    whole_days_->setChecked(options.whole_days);
  }
  reanalyse();
}

void AnalysisWindow::settings_edited() {
  options_.rsi = rsi_->value();
  options_.rse = rse_->value();
  options_.max_gap = max_gap_->value();
  options_.whole_days = whole_days_->isChecked();
  if (options_changed) options_changed(options_);
  guard_([this] { reanalyse(); });
}

void AnalysisWindow::reanalyse() {
  const int shown = current_series();
  analysis_ = state_.Dbf3.is_open() ? analyse(read_observations(state_.Dbf3), options_) : Analysis{};
  fill_series_list();
  choose_series(std::clamp(shown, 0, static_cast<int>(analysis_.series.size()) - 1));
}

int AnalysisWindow::current_series() const { return series_list->currentRow(); }

void AnalysisWindow::choose_series(int index) {
  series_list->setCurrentCell(index, 0);
  show_series(index);
}

void AnalysisWindow::fill_series_list() {
  const QSignalBlocker blocker(series_list);
  series_list->setRowCount(static_cast<int>(analysis_.series.size()));
  for (int row = 0; const SeriesResult& s : analysis_.series) {
    set_cell(series_list, row, 0, kind_name(s.kind));
    set_cell(series_list, row, 1, clock_text(s.first));
    set_cell(series_list, row, 2, clock_text(s.last));
    set_cell(series_list, row, 3, std::to_string(s.records));
    set_cell(series_list, row, 4, reports::format_number(s.hours(), "0.0"));
    ++row;
  }
  series_list->resizeColumnsToContents();
}

void AnalysisWindow::show_series(int index) {
  results->clear();
  const bool valid = index >= 0 && index < static_cast<int>(analysis_.series.size());
  const SeriesResult empty;
  const SeriesResult& s = valid ? analysis_.series[static_cast<std::size_t>(index)] : empty;
  results->setColumnCount(static_cast<int>(s.channels.size()) + 1);
  QStringList titles{QString()};
  for (const ChannelResult& c : s.channels) titles << QStringLiteral("Канал %1").arg(c.channel);
  results->setHorizontalHeaderLabels(titles);
  results->setRowCount(0);
  for (int column = 1; const ChannelResult& c : s.channels) {
    const auto lines = channel_lines(c);
    results->setRowCount(static_cast<int>(lines.size()));
    for (int row = 0; const ResultLine& line : lines) {
      set_cell(results, row, 0, line.label);
      set_cell(results, row++, column, line.value);
    }
    ++column;
  }
  results->resizeColumnsToContents();
  for (std::size_t i = 0; i < plots.size(); ++i) plots[i]->set_plot(make_plot(s, series_plots[i]));
  print_button->setEnabled(valid);
  pdf_button->setEnabled(valid);
}

void AnalysisWindow::print() {
  if (const int i = current_series(); i >= 0) print_analysis(analysis_, i, options_, state_.db_name, this);
}

void AnalysisWindow::save_pdf() {
  if (const int i = current_series(); i >= 0) save_analysis_pdf(analysis_, i, options_, state_, frontend_, this);
}

}  // namespace kalora::analysis
