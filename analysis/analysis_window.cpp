#include "analysis/analysis_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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
#include "protocol/particulars_dialog.h"
#include "reports/number_format.h"
#include "views/window_fit.h"

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
  build();
  views::fit_window(*this, {1280, 900});
}

void AnalysisWindow::build() {
  auto* layout = new QVBoxLayout(this);

  auto* settings = new QHBoxLayout;
  const auto spin = [this](const QString& name, double value) {
    auto* box = new QDoubleSpinBox(this);
    box->setObjectName(name);
    box->setLocale(QLocale(QLocale::Russian));  // the decimal comma
    box->setDecimals(4);
    box->setRange(0, 10);
    box->setSingleStep(0.01);
    box->setSuffix(QStringLiteral(" м²·К/Вт"));
    box->setValue(value);
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] { surface_typed(); });
    return box;
  };
  surface = new QComboBox(this);
  surface->setObjectName(QStringLiteral("surface"));
  for (const SurfaceConvention& c : surface_conventions) surface->addItem(qs(std::string(c.title)));
  surface->addItem(qs(std::string(custom_surface_title)));
  surface->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(surface, &QComboBox::activated, this, [this](int index) { surface_chosen(index); });
  surface->setToolTip(QStringLiteral("Сопротивления теплообмену у внутренней (Rsi) и наружной (Rse) поверхностей"));
  settings->addWidget(new QLabel(QStringLiteral("Поверхности:"), this));
  settings->addWidget(surface);
  rsi_ = spin(QStringLiteral("rsi"), options_.rsi);
  rse_ = spin(QStringLiteral("rse"), options_.rse);
  max_gap_ = new QSpinBox(this);
  max_gap_->setObjectName(QStringLiteral("max_gap"));
  max_gap_->setRange(0, static_cast<int>(longest_pause));
  max_gap_->setSingleStep(600);
  max_gap_->setValue(static_cast<int>(options_.max_gap));
  connect(max_gap_, &QSpinBox::valueChanged, this, [this] { settings_edited(); });
  whole_days_ = new QCheckBox(QStringLiteral("Целые сутки"), this);
  whole_days_->setObjectName(QStringLiteral("whole_days"));
  connect(whole_days_, &QCheckBox::toggled, this, [this] { settings_edited(); });
  for (auto [label, widget] : {std::pair<const char*, QWidget*>{"Rsi:", rsi_},
                               {"Rse:", rse_},
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
  particulars_button = new QPushButton(QStringLiteral("Сведения для протокола…"), this);
  particulars_button->setObjectName(QStringLiteral("particulars"));
  connect(particulars_button, &QPushButton::clicked, this, [this] {
    guard_([this] {
      const auto edited = protocol::edit_particulars(load_particulars(), this, run_dialog);
      if (edited && save_particulars) save_particulars(*edited);
    });
  });
  layout->addLayout(settings);
  QBoxLayout* span = build_span();
  span->addWidget(particulars_button);
  span->addWidget(print_button);
  span->addWidget(pdf_button);
  layout->addLayout(span);

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
    // A drag across the time axis chooses the span, to whole minutes that hold it.
    plots[i]->x_dragged = [this](double low_h, double high_h) {
      guard_([&] {
        const int i = current_series();
        if (i < 0) return;
        const std::int64_t first = analysis_.series[static_cast<std::size_t>(i)].first;
        const auto at = [&](double hours) { return first + static_cast<std::int64_t>(hours * 3600); };
        set_span({at(low_h) / 60 * 60, (at(high_h) + 59) / 60 * 60});
      });
    };
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

QBoxLayout* AnalysisWindow::build_span() {
  auto* row = new QHBoxLayout;
  const auto edit = [this](const QString& name) {
    auto* e = new QDateTimeEdit(this);
    e->setObjectName(name);
    e->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
    e->setTimeSpec(Qt::UTC);  // the instrument's clock, no zone
    connect(e, &QDateTimeEdit::editingFinished, this, [this] { guard_([this] { span_typed(); }); });
    return e;
  };
  span_from = edit(QStringLiteral("span_from"));
  span_to = edit(QStringLiteral("span_to"));
  whole_series = new QPushButton(QStringLiteral("Весь ряд"), this);
  whole_series->setObjectName(QStringLiteral("whole_series"));
  connect(whole_series, &QPushButton::clicked, this, [this] { guard_([this] { set_span({}); }); });
  row->addWidget(new QLabel(QStringLiteral("Промежуток с"), this));
  row->addWidget(span_from);
  row->addWidget(new QLabel(QStringLiteral("по"), this));
  row->addWidget(span_to);
  row->addWidget(whole_series);
  for (QWidget* w : std::initializer_list<QWidget*>{span_from, span_to})
    w->setToolTip(
        QStringLiteral("Границы входят в промежуток; его можно выбрать и протяжкой мышью по оси времени графика"));
  row->addStretch();
  return row;
}

void AnalysisWindow::set_span(Span span) {
  if (span.from == options_.span.from && span.to == options_.span.to) return;
  options_.span = span;
  if (options_changed) options_changed(options_);
  reanalyse();
}

// Both ends as the fields show them; an end at the series' own end stays open.
void AnalysisWindow::span_typed() {
  const int i = current_series();
  if (i < 0) return;
  const SeriesResult& s = analysis_.series[static_cast<std::size_t>(i)];
  std::int64_t from = span_from->dateTime().toSecsSinceEpoch();
  std::int64_t to = span_to->dateTime().toSecsSinceEpoch();
  if (from > to) std::swap(from, to);
  set_span({from / 60 <= s.first / 60 ? std::nullopt : std::optional(from),
            to / 60 >= s.last / 60 ? std::nullopt : std::optional(to)});
}

void AnalysisWindow::show_span(const SeriesResult* s) {
  const QSignalBlocker b1(span_from), b2(span_to);
  for (QWidget* w : std::initializer_list<QWidget*>{span_from, span_to, whole_series}) w->setEnabled(s != nullptr);
  if (!s) return;
  const auto time = [](std::int64_t t) { return QDateTime::fromSecsSinceEpoch(t, Qt::UTC); };
  for (QDateTimeEdit* e : {span_from, span_to}) e->setDateTimeRange(time(s->first / 60 * 60), time(s->last));
  span_from->setDateTime(time(options_.span.from.value_or(s->first)));
  span_to->setDateTime(time(options_.span.to.value_or(s->last)));
  whole_series->setEnabled(!options_.span.whole());
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
  for (const Material& m : materials()) {
    material->addItem(qs(std::string(m.name)));
    material->setItemData(
        material->count() - 1,
        QStringLiteral("λА = %1, λБ = %2 Вт/(м·К), ρ = %3 кг/м³; %4")
            .arg(qs(reports::format_number(m.lambda_a, "0.000")), qs(reports::format_number(m.lambda_b, "0.000")),
                 QString::number(m.rho), qs(std::string(m.source))),
        Qt::ToolTipRole);
  }
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
  conditions = new QComboBox(box);
  conditions->setObjectName(QStringLiteral("conditions"));
  for (const Conditions c : {Conditions::A, Conditions::B}) conditions->addItem(qs(std::string(conditions_name(c))));
  conditions->setToolTip(QStringLiteral("λ встроенных материалов для условий эксплуатации А или Б"));
  connect(conditions, &QComboBox::activated, this, [this] { guard_([this] { wall_edited(); }); });
  capacity_row->addWidget(new QLabel(QStringLiteral("Условия эксплуатации:"), box));
  capacity_row->addWidget(conditions);
  form->addLayout(capacity_row);
  design = new QLabel(box);
  design->setObjectName(QStringLiteral("design"));
  design->setWordWrap(true);
  form->addWidget(design);
  form->addStretch();
  return box;
}

void AnalysisWindow::wall_edited() {
  const auto chosen = conditions->currentIndex() == 0 ? Conditions::A : Conditions::B;
  auto parsed = parse_layers(layers_edit->text().toStdString(), chosen);
  if (!parsed.error.empty()) return show_design(parsed.error);
  Wall wall;
  wall.layers = std::move(parsed.layers);
  wall.conditions = chosen;
  if (heat_capacity->value() > 0) wall.heat_capacity = heat_capacity->value() * 1000;
  if (layers_text(wall.layers) == layers_text(options_.wall.layers) &&
      wall.heat_capacity == options_.wall.heat_capacity && wall.conditions == options_.wall.conditions)
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
    const QSignalBlocker b3(max_gap_), b4(whole_days_);
    show_surface();
    max_gap_->setValue(static_cast<int>(options.max_gap));
    whole_days_->setChecked(options.whole_days);
    const QSignalBlocker b5(heat_capacity), b6(conditions);
    conditions->setCurrentIndex(options.wall.conditions == Conditions::A ? 0 : 1);
    layers_edit->setText(qs(layers_text(options.wall.layers)));
    heat_capacity->setValue(options.wall.heat_capacity ? *options.wall.heat_capacity / 1000 : 0);
  }
  show_design({});
  reanalyse();
}

// A named convention takes its exact values (1/8,7 is not what four decimals show).
void AnalysisWindow::surface_chosen(int index) {
  if (index >= 0 && index < static_cast<int>(std::size(surface_conventions)))
    options_.use_surface(surface_conventions[index].surface);
  else
    options_.surface = Surface::custom;
  show_surface();
  settings_edited();
}

// Typed values are named by the convention they match, else they are the user's own.
void AnalysisWindow::surface_typed() {
  options_.rsi = rsi_->value();
  options_.rse = rse_->value();
  options_.surface = surface_of(options_.rsi, options_.rse);
  show_surface();
  settings_edited();
}

void AnalysisWindow::show_surface() {
  const QSignalBlocker b1(rsi_), b2(rse_), b3(surface);
  rsi_->setValue(options_.rsi);
  rse_->setValue(options_.rse);
  const int named = static_cast<int>(std::size(surface_conventions));
  int index = named;  // custom, after the named ones
  for (int i = 0; i < named; ++i)
    if (surface_conventions[i].surface == options_.surface) index = i;
  surface->setCurrentIndex(index);
}

void AnalysisWindow::settings_edited() {
  options_.max_gap = max_gap_->value();
  options_.whole_days = whole_days_->isChecked();
  show_design({});
  if (options_changed) options_changed(options_);
  guard_([this] { reanalyse(); });
}

void AnalysisWindow::reanalyse() {
  int shown = current_series();
  analysis_ = state_.Dbf3.is_open() ? analyse(read_observations(state_.Dbf3), options_) : Analysis{};
  fill_series_list();
  // Opened again with a span kept: the series that holds it.
  if (shown < 0 && !options_.span.whole()) {
    const auto& all = analysis_.series;
    const auto it = std::find_if(all.begin(), all.end(), [&](const SeriesResult& s) { return s.analysed >= 2; });
    if (it != all.end()) shown = static_cast<int>(it - all.begin());
  }
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
  // Another series chosen outside the span: the span was the other one's.
  if (valid && !options_.span.whole() && s.analysed == 0) return set_span({});
  show_span(valid ? &s : nullptr);
  results->setColumnCount(static_cast<int>(s.channels.size()) * method_columns);
  QStringList titles;
  for (const ChannelResult& c : s.channels) titles << QStringLiteral("Канал %1").arg(c.channel) << QString() << QString();
  results->setHorizontalHeaderLabels(titles);
  results->setRowCount(0);
  QFont bold = results->font();
  bold.setBold(true);
  for (int column = 0; const ChannelResult& c : s.channels) {
    const auto rows = side_by_side(c);
    results->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; const SideBySideRow& r : rows) {
      auto* label = new QTableWidgetItem(qs(r.label));
      if (!r.term.empty()) label->setToolTip(qs(r.term));
      results->setVerticalHeaderItem(row, label);
      QTableWidgetItem* first = set_cell(results, row, column, r.average);
      if (r.both) {
        results->setSpan(row, column, 1, method_columns);
      } else {
        set_cell(results, row, column + 1, r.dynamic);
        set_cell(results, row, column + 2, r.greybox);
      }
      if (r.bold) first->setFont(bold);
      ++row;
    }
    column += method_columns;
  }
  if (!valid) {
    results_note->setText(analysis_.series.empty() ? QStringLiteral("Серий наблюдений нет") : QString());
  } else if (s.analysed < 2) {
    results_note->setText(QStringLiteral("В выбранном промежутке меньше двух записей: анализировать нечего."));
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
  if (const int i = current_series(); i >= 0)
    print_analysis(analysis_, i, options_, state_.db_name, load_particulars(), frontend_, this);
}

void AnalysisWindow::save_pdf() {
  if (const int i = current_series(); i >= 0)
    save_analysis_pdf(analysis_, i, options_, load_particulars(), state_, frontend_, this);
}

}  // namespace kalora::analysis
