#include "analysis/analysis_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "analysis/analysis_plots.h"
#include "analysis/analysis_print.h"
#include "analysis/analysis_run.h"
#include "analysis/analysis_text.h"
#include "analysis/flow_layout.h"
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
  return parts.isEmpty() ? QStringLiteral("Слои стены не заданы: критерий 4 не проверяется")
                         : parts.join(QStringLiteral("; "));
}

}  // namespace

AnalysisWindow::AnalysisWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent)
    : QDialog(parent), state_(state), frontend_(frontend), guard_(std::move(guard)) {
  setObjectName(QStringLiteral("AnalysisWindow"));
  setWindowTitle(QStringLiteral("Анализ наблюдений"));
  build();
  views::fit_window(*this, {1280, 900});
}

namespace {

// Calls back whenever the watched widget changes size.
class ResizeWatch : public QObject {
 public:
  ResizeWatch(QWidget* watched, std::function<void()> resized) : QObject(watched), resized_(std::move(resized)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) resized_();
    return false;
  }

 private:
  std::function<void()> resized_;
};

// Widgets that stay together on one line when the settings wrap.
QWidget* group(QWidget* parent, std::initializer_list<QWidget*> widgets) {
  auto* g = new QWidget(parent);
  auto* row = new QHBoxLayout(g);
  row->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) row->addWidget(w);
  return g;
}

}  // namespace

void AnalysisWindow::build() {
  auto* layout = new QVBoxLayout(this);

  // The settings, the span and the commands wrap into as many lines as the width needs.
  auto* settings = new FlowLayout;
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
  const auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
  surface = new QComboBox(this);
  surface->setObjectName(QStringLiteral("surface"));
  for (const SurfaceConvention& c : surface_conventions) surface->addItem(qs(std::string(c.title)));
  surface->addItem(qs(std::string(custom_surface_title)));
  surface->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(surface, &QComboBox::activated, this, [this](int index) { surface_chosen(index); });
  surface->setToolTip(QStringLiteral("Сопротивления теплообмену у внутренней (Rsi) и наружной (Rse) поверхностей"));
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
  settings->addWidget(group(this, {label("Поверхности:"), surface}));
  settings->addWidget(group(this, {label("Rsi:"), rsi_, label("Rse:"), rse_}));
  settings->addWidget(group(this, {label("Наибольший перерыв, с:"), max_gap_}));
  settings->addWidget(whole_days_);
  build_span(*settings);
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
  settings->addWidget(group(this, {particulars_button, print_button, pdf_button}));
  layout->addLayout(settings);

  auto* running = new QHBoxLayout;
  progress = new QProgressBar(this);
  progress->setObjectName(QStringLiteral("progress"));
  progress->setTextVisible(false);
  progress->setMaximumWidth(200);
  progress_text = new QLabel(this);
  progress_text->setObjectName(QStringLiteral("progress_text"));
  progress_text->setWordWrap(true);
  cancel_button = new QPushButton(QStringLiteral("Отменить"), this);
  cancel_button->setObjectName(QStringLiteral("cancel"));
  connect(cancel_button, &QPushButton::clicked, this, [this] {
    guard_([this] {
      if (cancelled_) return reanalyse();  // "Повторить"
      stop_run();
      show_growth(current_series());
    });
  });
  running->addWidget(progress);
  running->addWidget(progress_text, 1);
  running->addWidget(cancel_button);
  layout->addLayout(running);

  top_ = new QBoxLayout(QBoxLayout::LeftToRight);
  series_list = read_only_table(QStringLiteral("series_list"), this);
  series_list->setColumnCount(5);
  series_list->setHorizontalHeaderLabels({QStringLiteral("Вид"), QStringLiteral("Начало"), QStringLiteral("Конец"),
                                          QStringLiteral("Записей"), QStringLiteral("Часов")});
  series_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  series_list->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(series_list, &QTableWidget::currentCellChanged, this, [this](int row) { guard_([&] { show_series(row); }); });
  top_->addWidget(series_list, 3);
  top_->addWidget(build_wall_editor(), 2);
  layout->addLayout(top_);
  layout->addWidget(build_results());

  plots_layout_ = new QGridLayout;
  plots_layout_->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < plots.size(); ++i) {
    plots[i] = new plot::PlotView(this);
    plots[i]->setObjectName(QStringLiteral("plot_%1").arg(i + 1));
    plots[i]->setMinimumHeight(270);
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
  }
  layout->addLayout(plots_layout_);
  arrange(1280);
}

QWidget* AnalysisWindow::build_results() {
  auto* box = new QWidget(this);
  auto* results_layout = new QVBoxLayout(box);
  results_layout->setContentsMargins(0, 0, 0, 0);
  results_note = new QLabel(box);
  results_note->setObjectName(QStringLiteral("results_note"));
  results_note->setWordWrap(true);
  results_note->hide();
  results_layout->addWidget(results_note);
  results = read_only_table(QStringLiteral("results"), box);
  // Row labels in the vertical header stay in view; the channels' headings are the
  // table's first row, each across its channel's columns. Columns share the width and
  // long texts wrap; the table is as tall as its rows, the window scrolls.
  results->verticalHeader()->show();
  results->horizontalHeader()->hide();
  results->horizontalHeader()->setMinimumSectionSize(8);
  new ResizeWatch(results->viewport(), [this] { fit_results_height(); });
  results->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  results->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  results->setWordWrap(true);
  results_layout->addWidget(results);
  return box;
}

// Two columns of plots where there is room, else one; the series list beside the
// wall editor where both fit, else above it.
void AnalysisWindow::arrange(int width) {
  top_->setDirection(width >= 1000 ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
  const int columns = width >= 900 ? 2 : 1;
  if (columns == plot_columns_) return;
  plot_columns_ = columns;
  for (plot::PlotView* p : plots) plots_layout_->removeWidget(p);
  for (int i = 0; i < static_cast<int>(plots.size()); ++i) {
    // The last plot, the growth of R, takes a row of its own across the columns.
    const bool last = i + 1 == static_cast<int>(plots.size());
    plots_layout_->addWidget(plots[static_cast<std::size_t>(i)], i / columns, last ? 0 : i % columns, 1,
                             last ? columns : 1);
  }
}

void AnalysisWindow::resizeEvent(QResizeEvent* event) {
  arrange(width());
  QDialog::resizeEvent(event);
}

// The columns share the width equally; wrapped texts need their rows' heights again
// whenever the columns change width.
void AnalysisWindow::fit_results_height() {
  if (const int n = results->columnCount(); n > 0) {
    const int width = results->viewport()->width();
    for (int c = 0; c < n; ++c) results->setColumnWidth(c, width * (c + 1) / n - width * c / n);
  }
  results->resizeRowsToContents();
  int height = 2 * results->frameWidth();
  for (int r = 0; r < results->rowCount(); ++r) height += results->rowHeight(r);
  results->setFixedHeight(std::max(height, 2 * results->frameWidth() + 4));
}

void AnalysisWindow::build_span(FlowLayout& into) {
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
  for (QWidget* w : std::initializer_list<QWidget*>{span_from, span_to})
    w->setToolTip(
        QStringLiteral("Границы входят в промежуток; его можно выбрать и протяжкой мышью по оси времени графика"));
  into.addWidget(group(this, {new QLabel(QStringLiteral("Промежуток с"), this), span_from,
                              new QLabel(QStringLiteral("по"), this), span_to, whole_series}));
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
  auto* capacity_row = new FlowLayout;
  heat_capacity = new QDoubleSpinBox(box);
  heat_capacity->setObjectName(QStringLiteral("heat_capacity"));
  heat_capacity->setLocale(QLocale(QLocale::Russian));
  heat_capacity->setRange(0, 100000);
  heat_capacity->setDecimals(1);
  heat_capacity->setSpecialValueText(QStringLiteral("не задана"));
  connect(heat_capacity, &QDoubleSpinBox::valueChanged, this, [this] { guard_([this] { wall_edited(); }); });
  capacity_row->addWidget(group(box, {new QLabel(QStringLiteral("Теплоёмкость, кДж/(м²·К):"), box), heat_capacity}));
  conditions = new QComboBox(box);
  conditions->setObjectName(QStringLiteral("conditions"));
  for (const Conditions c : {Conditions::A, Conditions::B}) conditions->addItem(qs(std::string(conditions_name(c))));
  conditions->setToolTip(QStringLiteral("λ встроенных материалов для условий эксплуатации А или Б"));
  connect(conditions, &QComboBox::activated, this, [this] { guard_([this] { wall_edited(); }); });
  capacity_row->addWidget(group(box, {new QLabel(QStringLiteral("Условия эксплуатации:"), box), conditions}));
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

AnalysisWindow::~AnalysisWindow() = default;  // the runs stop and are waited for

void AnalysisWindow::hideEvent(QHideEvent* event) {
  // Closed while it runs: the analysis is cancelled (a minimised window goes on).
  if (!event->spontaneous()) stop_run();
  QDialog::hideEvent(event);
}

void AnalysisWindow::stop_run() {
  if (run_) run_->stop();
  if (!series_done_ || !growth_pending_.empty()) cancelled_ = true;
  series_done_ = true;
  growth_pending_.clear();
}

void AnalysisWindow::reanalyse() {
  // The series shown stays shown once it comes in again.
  wanted_series_ = current_series();
  if (run_) {
    run_->stop();
    retired_.push_back(std::move(run_));
  }
  std::erase_if(retired_, [](const std::unique_ptr<AnalysisRun>& r) { return r->done(); });
  const unsigned generation = ++generation_;
  analysis_ = {};
  total_ = 0;
  chosen_ = false;
  cancelled_ = false;
  growth_pending_.clear();
  growth_known_.clear();
  complete_.clear();
  finished_ = 0;
  {
    const QSignalBlocker blocker(series_list);
    series_list->setRowCount(0);
  }
  fit_series_list();
  series_done_ = !state_.Dbf3.is_open();
  show_series(-1);
  if (series_done_) return show_progress();
  Observations observations = read_observations(state_.Dbf3);
  analysis_.skipped = observations.skipped;
  const auto current = [this, generation] { return generation == generation_; };
  AnalysisRun::Handlers h;
  h.series_begun = [this, current](SeriesResult s, std::size_t total) {
    if (current()) guard_([&] { series_arrived(std::move(s), total, false); });
  };
  h.series_done = [this, current](SeriesResult s, std::size_t, std::size_t total) {
    if (current()) guard_([&] { series_arrived(std::move(s), total, true); });
  };
  h.finished = [this, current](bool stopped) {
    if (current()) guard_([&] { run_finished(stopped); });
  };
  h.growth_done = [this, current](std::size_t series, std::vector<std::vector<ChannelResult::GrowthStep>> growth) {
    if (current()) guard_([&] { growth_arrived(series, std::move(growth)); });
  };
  h.failed = [this, current](const std::string& message) {
    if (!current()) return;
    stop_run();
    show_progress();
    frontend_.show_error(message);
  };
  run_ = std::make_unique<AnalysisRun>(std::move(observations), options_, this, std::move(h));
  show_progress();
}

bool AnalysisWindow::busy() const {
  const int i = current_series();
  return !series_done_ || (i >= 0 && growth_pending_.count(static_cast<std::size_t>(i)) > 0);
}

bool AnalysisWindow::complete(int index) const {
  return index >= 0 && index < static_cast<int>(complete_.size()) && complete_[static_cast<std::size_t>(index)];
}

// A series comes in twice: with its rows and the average method, then finished.
void AnalysisWindow::series_arrived(SeriesResult series, std::size_t total, bool finished) {
  total_ = total;
  const auto at = static_cast<std::size_t>(series.index - 1);
  if (finished) ++finished_;
  if (at < analysis_.series.size()) {
    analysis_.series[at] = std::move(series);
    complete_[at] = finished;
    if (current_series() == static_cast<int>(at)) show_series(static_cast<int>(at));
    return show_progress();
  }
  analysis_.series.push_back(std::move(series));
  complete_.push_back(finished);
  const SeriesResult& s = analysis_.series.back();
  add_series_row(s);
  const int index = static_cast<int>(at);
  // The series that was shown; else the first, or with a span kept the first that holds it.
  if (!chosen_ && (wanted_series_ >= 0 ? index == wanted_series_ : options_.span.whole() || s.analysed >= 2)) {
    chosen_ = true;
    choose_series(index);
  }
  show_progress();
}

void AnalysisWindow::run_finished(bool stopped) {
  if (!series_done_ && stopped) cancelled_ = true;
  series_done_ = true;
  if (!chosen_) {
    chosen_ = true;
    choose_series(std::clamp(wanted_series_, 0, static_cast<int>(analysis_.series.size()) - 1));
  }
  show_progress();
}

void AnalysisWindow::growth_arrived(std::size_t series, std::vector<std::vector<ChannelResult::GrowthStep>> growth) {
  growth_pending_.erase(series);
  growth_known_.insert(series);
  if (series >= analysis_.series.size()) return;
  auto& channels = analysis_.series[series].channels;
  for (std::size_t k = 0; k < channels.size() && k < growth.size(); ++k) channels[k].growth = std::move(growth[k]);
  if (current_series() == static_cast<int>(series)) show_growth(static_cast<int>(series));
  show_progress();
}

void AnalysisWindow::show_progress() {
  const bool growing = busy() && series_done_;
  if (!series_done_) {
    const std::size_t done = finished_;
    progress->setRange(0, static_cast<int>(total_));  // 0 to 0 until the count is known: busy
    progress->setValue(static_cast<int>(done));
    progress_text->setText(total_ == 0
                               ? QStringLiteral("Анализ…")
                               : QStringLiteral("Анализ: серия %1 из %2…").arg(std::min(done + 1, total_)).arg(total_));
  } else if (growing) {
    progress->setRange(0, 0);
    progress_text->setText(QStringLiteral("Анализ: R по мере роста серии…"));
  } else if (cancelled_) {
    progress_text->setText(QStringLiteral("Анализ отменён: готово серий %1 из %2")
                               .arg(finished_)
                               .arg(std::max(total_, analysis_.series.size())));
  }
  progress->setVisible(!series_done_ || growing);
  progress_text->setVisible(!series_done_ || growing || cancelled_);
  cancel_button->setVisible(progress_text->isVisible());
  cancel_button->setText(cancelled_ && !growing && series_done_ ? QStringLiteral("Повторить")
                                                                : QStringLiteral("Отменить"));
  // The printed analysis waits for its series' results and the growth of R.
  const int i = current_series();
  const bool ready = complete(i) && !growth_pending_.count(static_cast<std::size_t>(i));
  for (QPushButton* b : {print_button, pdf_button}) b->setEnabled(ready);
}

int AnalysisWindow::current_series() const { return series_list->currentRow(); }

void AnalysisWindow::choose_series(int index) {
  series_list->setCurrentCell(index, 0);
  show_series(index);
}

void AnalysisWindow::add_series_row(const SeriesResult& s) {
  const QSignalBlocker blocker(series_list);
  const int row = series_list->rowCount();
  series_list->setRowCount(row + 1);
  set_cell(series_list, row, 0, kind_name(s.kind));
  set_cell(series_list, row, 1, clock_text(s.first));
  set_cell(series_list, row, 2, clock_text(s.last));
  set_cell(series_list, row, 3, std::to_string(s.records));
  set_cell(series_list, row, 4, reports::format_number(s.hours(), "0.0"));
  if (row == 0) series_list->resizeColumnsToContents();
  fit_series_list();
}

// As tall as its rows, from two to six of them: the results below stay near the top.
void AnalysisWindow::fit_series_list() {
  const int rows = std::clamp(series_list->rowCount(), 2, 6);
  const int height = series_list->horizontalHeader()->sizeHint().height() +
                     rows * series_list->verticalHeader()->defaultSectionSize() + 2 * series_list->frameWidth();
  series_list->setFixedHeight(height);
}

void AnalysisWindow::show_series(int index) {
  results->clear();
  results->clearSpans();
  const bool valid = index >= 0 && index < static_cast<int>(analysis_.series.size());
  const SeriesResult empty;
  const SeriesResult& s = valid ? analysis_.series[static_cast<std::size_t>(index)] : empty;
  // Another series chosen outside the span: the span was the other one's.
  if (valid && !options_.span.whole() && s.analysed == 0) return set_span({});
  show_span(valid ? &s : nullptr);
  results->setColumnCount(static_cast<int>(s.channels.size()) * method_columns);
  results->setRowCount(s.channels.empty() ? 0 : 1);
  QFont bold = results->font();
  bold.setBold(true);
  // The first row heads each channel's columns, as a header would.
  if (!s.channels.empty()) results->setVerticalHeaderItem(0, new QTableWidgetItem(QString()));
  for (int column = 0; const ChannelResult& c : s.channels) {
    QTableWidgetItem* heading = set_cell(results, 0, column, "Канал " + std::to_string(c.channel));
    heading->setFont(bold);
    heading->setTextAlignment(Qt::AlignCenter);
    heading->setBackground(results->palette().button());
    results->setSpan(0, column, 1, method_columns);
    const auto rows = side_by_side(c);
    results->setRowCount(static_cast<int>(rows.size()) + 1);
    for (int row = 1; const SideBySideRow& r : rows) {
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
    results_note->setText(!series_done_              ? QStringLiteral("Анализ…")
                          : analysis_.series.empty() ? QStringLiteral("Серий наблюдений нет")
                                                     : QString());
  } else if (s.analysed < 2) {
    results_note->setText(QStringLiteral("В выбранном промежутке меньше двух записей: анализировать нечего."));
  } else if (!complete(index)) {
    results->setRowCount(0);
    results_note->setText(cancelled_ ? QStringLiteral("Анализ отменён раньше, чем дошёл до этой серии.")
                                     : QStringLiteral("Анализ этой серии…"));
  } else if (s.channels.empty()) {
    results_note->setText(
        QStringLiteral("В этой серии нет канала с двумя и более записями, в которых заполнены q, tв и tн: "
                       "R считать не по чему, поэтому результатов и графиков нет."));
  } else {
    results_note->clear();
  }
  results_note->setVisible(!results_note->text().isEmpty());
  fit_results_height();
  for (std::size_t i = 0; i + 1 < plots.size(); ++i) plots[i]->set_plot(make_plot(s, series_plots[i]));
  if (valid && !complete(index) && !s.channels.empty()) {
    plot::Plot model = plots[3]->plot();
    model.empty_text = cancelled_ ? "Не вычислено: анализ отменён" : "Вычисляется…";
    plots[3]->set_plot(std::move(model));
  }
  show_growth(index);
}

// R_best as the series grew: computed after the series' results, on demand.
void AnalysisWindow::show_growth(int index) {
  const bool valid = index >= 0 && index < static_cast<int>(analysis_.series.size());
  const SeriesResult empty;
  const SeriesResult& s = valid ? analysis_.series[static_cast<std::size_t>(index)] : empty;
  plot::Plot p = make_plot(s, SeriesPlot::growth);
  const auto i = static_cast<std::size_t>(index);
  if (valid && !s.channels.empty() && !growth_known_.count(i)) {
    if (!complete(index) && !cancelled_) {
      p.empty_text = "Вычисляется…";
    } else if (run_ && !run_->stopped() && !cancelled_) {
      if (growth_pending_.insert(i).second) run_->want_growth(i);
      p.empty_text = std::string(growth_pending_text);
    } else {
      p.empty_text = "Не вычислено: анализ отменён";
    }
  }
  plots.back()->set_plot(std::move(p));
  show_progress();
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
