#include "analysis/analysis_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
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

QTableWidgetItem* set_cell(QTableWidget* t, int row, int column, const std::string& text) {
  auto* item = new QTableWidgetItem(qs(text));
  t->setItem(row, column, item);
  return item;
}

QString design_text(const Wall& wall, const AnalysisOptions& options) {
  QStringList parts;
  for (const ResultLine& line : wall_lines(wall, options))
    if (line.label != "Слой") parts << qs(line.label + ": " + line.value);
  return parts.isEmpty() ? QStringLiteral("Слои стены не заданы: критерий 4 не проверяется") : parts.join(QStringLiteral("; "));
}

}  // namespace

AnalysisWindow::AnalysisWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent)
    : QDialog(parent), state_(state), frontend_(frontend), guard_(std::move(guard)) {
  setObjectName(QStringLiteral("AnalysisWindow"));
  setWindowTitle(QStringLiteral("Анализ наблюдений"));
  resize(1280, 900);
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
  left->addWidget(build_wall_editor());
  auto* right = new QSplitter(Qt::Vertical, split);
  auto* results_box = new QWidget(right);
  auto* results_layout = new QVBoxLayout(results_box);
  results_layout->setContentsMargins(0, 0, 0, 0);
  results_note = new QLabel(results_box);
  results_note->setObjectName(QStringLiteral("results_note"));
  results_note->setWordWrap(true);
  results_note->hide();
  results_layout->addWidget(results_note);
  results = read_only_table(QStringLiteral("results"), results_box);
  // Row labels in the vertical header stay in view; columns share the width and
  // long texts wrap, so three channels fit without scrolling sideways.
  results->verticalHeader()->show();
  results->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  results->setWordWrap(true);
  // Wrapped texts need their rows' heights again whenever the columns change width.
  connect(results->horizontalHeader(), &QHeaderView::sectionResized, results, [this] { results->resizeRowsToContents(); });
  results_layout->addWidget(results);
  left->setSizes({260, 440});
  auto* plot_column = new QWidget(right);
  auto* plots_layout = new QGridLayout(plot_column);  // two by two
  plots_layout->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < plots.size(); ++i) {
    plots[i] = new plot::PlotView(plot_column);
    plots[i]->setObjectName(QStringLiteral("plot_%1").arg(i + 1));
    plots_layout->addWidget(plots[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  // The results and plots take what the window gains; the series and the wall keep
  // about the width they need.
  right->setStretchFactor(0, 1);
  right->setStretchFactor(1, 1);
  right->setSizes({560, 440});
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({300, 980});
  layout->addWidget(split);
}

QWidget* AnalysisWindow::build_wall_editor() {
  auto* box = new QGroupBox(QStringLiteral("Стена (слои изнутри наружу)"), this);
  auto* form = new QVBoxLayout(box);
  layers_edit = new QLineEdit(box);
  layers_edit->setObjectName(QStringLiteral("layers"));
  layers_edit->setPlaceholderText(QStringLiteral("кирпич керамический:380,минеральная вата:100"));
  layers_edit->setToolTip(QStringLiteral(
      "Слои через запятую: материал из списка или λ, или λ/ρ/c (Вт/(м·К), кг/м³, Дж/(кг·К)), двоеточие, толщина в мм"));
  connect(layers_edit, &QLineEdit::editingFinished, this, [this] { guard_([this] { wall_edited(); }); });
  form->addWidget(layers_edit);
  auto* adding = new QHBoxLayout;
  material = new QComboBox(box);
  material->setObjectName(QStringLiteral("material"));
  material->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  material->setMinimumContentsLength(10);
  for (const Material& m : materials()) material->addItem(qs(std::string(m.name)));
  thickness = new QSpinBox(box);
  thickness->setObjectName(QStringLiteral("thickness"));
  thickness->setRange(1, 2000);
  thickness->setValue(100);
  thickness->setSuffix(QStringLiteral(" мм"));
  add_layer = new QPushButton(QStringLiteral("Добавить слой"), box);
  add_layer->setObjectName(QStringLiteral("add_layer"));
  connect(add_layer, &QPushButton::clicked, this, [this] {
    guard_([this] {
      QString text = layers_edit->text().trimmed();
      if (!text.isEmpty()) text += QLatin1Char(',');
      layers_edit->setText(text + material->currentText() + QLatin1Char(':') + QString::number(thickness->value()));
      wall_edited();
    });
  });
  adding->addWidget(material, 1);
  adding->addWidget(thickness);
  adding->addWidget(add_layer);
  form->addLayout(adding);
  auto* capacity_row = new QHBoxLayout;
  capacity_row->setContentsMargins(0, 0, 0, 0);
  heat_capacity = new QDoubleSpinBox(box);
  heat_capacity->setObjectName(QStringLiteral("heat_capacity"));
  heat_capacity->setLocale(QLocale(QLocale::Russian));
  heat_capacity->setRange(0, 100000);
  heat_capacity->setDecimals(1);
  heat_capacity->setSpecialValueText(QStringLiteral("не задана"));
  connect(heat_capacity, &QDoubleSpinBox::valueChanged, this, [this] { guard_([this] { wall_edited(); }); });
  capacity_row->addWidget(new QLabel(QStringLiteral("Теплоёмкость, кДж/(м²·К):"), box));
  capacity_row->addWidget(heat_capacity);
  form->addLayout(capacity_row);
  design = new QLabel(box);
  design->setObjectName(QStringLiteral("design"));
  design->setWordWrap(true);
  form->addWidget(design);
  form->addStretch();
  return box;
}

void AnalysisWindow::wall_edited() {
  auto parsed = parse_layers(layers_edit->text().toStdString());
  if (!parsed.error.empty()) return show_design(parsed.error);
  Wall wall;
  wall.layers = std::move(parsed.layers);
  if (heat_capacity->value() > 0) wall.heat_capacity = heat_capacity->value() * 1000;
  if (layers_text(wall.layers) == layers_text(options_.wall.layers) && wall.heat_capacity == options_.wall.heat_capacity)
    return show_design({});
  options_.wall = std::move(wall);
  show_design({});
  if (options_changed) options_changed(options_);
  reanalyse();
}

void AnalysisWindow::show_design(const std::string& error) {
  if (!error.empty()) {
    design->setText(QStringLiteral("Слои стены: ") + qs(error));
    design->setStyleSheet(QStringLiteral("color: #b00020"));
    return;
  }
  design->setStyleSheet(QString());
  design->setText(design_text(options_.wall, options_));
}

void AnalysisWindow::set_options(const AnalysisOptions& options) {
  options_ = options;
  {
    const QSignalBlocker b1(rsi_), b2(rse_), b3(max_gap_), b4(whole_days_);
    rsi_->setValue(options.rsi);
    rse_->setValue(options.rse);
    max_gap_->setValue(static_cast<int>(options.max_gap));
    whole_days_->setChecked(options.whole_days);
    const QSignalBlocker b5(heat_capacity);
    layers_edit->setText(qs(layers_text(options.wall.layers)));
    heat_capacity->setValue(options.wall.heat_capacity ? *options.wall.heat_capacity / 1000 : 0);
  }
  show_design({});
  reanalyse();
}

void AnalysisWindow::settings_edited() {
  options_.rsi = rsi_->value();
  options_.rse = rse_->value();
  options_.max_gap = max_gap_->value();
  options_.whole_days = whole_days_->isChecked();
  show_design({});
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
  results->setColumnCount(static_cast<int>(s.channels.size()) * 2);
  QStringList titles;
  for (const ChannelResult& c : s.channels) titles << QStringLiteral("Канал %1").arg(c.channel) << QString();
  results->setHorizontalHeaderLabels(titles);
  results->setRowCount(0);
  QFont bold = results->font();
  bold.setBold(true);
  for (int column = 0; const ChannelResult& c : s.channels) {
    const auto rows = side_by_side(c);
    results->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; const SideBySideRow& r : rows) {
      results->setVerticalHeaderItem(row, new QTableWidgetItem(qs(r.label)));
      QTableWidgetItem* first = set_cell(results, row, column, r.average);
      if (r.both) {
        results->setSpan(row, column, 1, 2);
      } else {
        set_cell(results, row, column + 1, r.dynamic);
      }
      if (r.bold) first->setFont(bold);
      ++row;
    }
    column += 2;
  }
  if (!valid) {
    results_note->setText(analysis_.series.empty() ? QStringLiteral("Серий наблюдений нет") : QString());
  } else if (s.channels.empty()) {
    results_note->setText(QStringLiteral(
        "В этой серии нет канала с двумя и более записями, в которых заполнены q, tв и tн: "
        "R считать не по чему, поэтому результатов и графиков нет."));
  } else {
    results_note->clear();
  }
  results_note->setVisible(!results_note->text().isEmpty());
  results->resizeRowsToContents();
  for (std::size_t i = 0; i < plots.size(); ++i) plots[i]->set_plot(make_plot(s, series_plots[i]));
  print_button->setEnabled(valid);
  pdf_button->setEnabled(valid);
}

void AnalysisWindow::print() {
  if (const int i = current_series(); i >= 0) print_analysis(analysis_, i, options_, state_.db_name, frontend_, this);
}

void AnalysisWindow::save_pdf() {
  if (const int i = current_series(); i >= 0) save_analysis_pdf(analysis_, i, options_, state_, frontend_, this);
}

}  // namespace kalora::analysis
