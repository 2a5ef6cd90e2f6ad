// "Результаты по образцам": the rows of the page "Стационарный" or "Зонд" (the
// selected ones when more than one is selected, else all the page shows, in its
// order) grouped by comment in their window; the record's header kept in the
// settings store between runs.
#include <QString>
#include <set>

#include "app/main_window.h"
#include "db/tables.h"
#include "sample_stats/samples_window.h"
#include "views/db_grid.h"

namespace kalora::app {

namespace {

const QString value_organisation = QStringLiteral("Samples_Organisation");
const QString value_operator = QStringLiteral("Samples_Operator");
const QString value_instrument = QStringLiteral("Samples_Instrument");

samples::RecordHeader load_header(const SettingsStore& store) {
  const auto text = [&](const QString& name) { return store.value(name).value_or(QString()).toStdString(); };
  return {text(value_organisation), text(value_operator), text(value_instrument)};
}

void save_header(SettingsStore& store, const samples::RecordHeader& h) {
  store.set_value(value_organisation, QString::fromStdString(h.organisation));
  store.set_value(value_operator, QString::fromStdString(h.operator_name));
  store.set_value(value_instrument, QString::fromStdString(h.instrument));
}

}  // namespace

void TForm1::Samples1Click() {
  const Page* page = shown_page();
  if (!page || (page->table != 1 && page->table != 2) || !table_open(page->table)) return;
  const auto method = static_cast<samples::Method>(page->table);
  const std::vector<std::uint32_t> selected = grid(page->grid)->selected_records();
  const std::set<std::uint32_t> chosen(selected.begin(), selected.end());
  const bool selection = chosen.size() > 1;
  auto rows = samples::read_sample_rows(table(state_, page->table), method, selection ? &chosen : nullptr);
  if (!samples_window) {
    samples_window = new samples::SamplesWindow(
        state_, frontend(), [this](const std::function<void()>& h) { guarded(h); }, this);
    samples_window->set_header(load_header(settings()));
    samples_window->header_changed = [this](const samples::RecordHeader& h) { save_header(settings(), h); };
  }
  samples_window->show_results(samples::sample_groups(std::move(rows), method), selection);
  samples_window->show();
  samples_window->raise();
  samples_window->activateWindow();
}

void TForm1::close_samples() {
  if (samples_window) samples_window->hide();
}

}  // namespace kalora::app
