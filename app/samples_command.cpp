// "Результаты по образцам": the rows of the page "Стационарный" or "Зонд" (the
// selected ones when more than one is selected, else all the page shows, in its
// order) grouped by comment in their window; the protocol's particulars kept in the
// settings store.
#include <QString>
#include <set>

#include "app/main_window.h"
#include "app/protocol_settings.h"
#include "db/tables.h"
#include "sample_stats/samples_window.h"
#include "views/db_grid.h"
#include "views/window_fit.h"

namespace kalora::app {

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
    samples_window->load_particulars = [this] { return load_particulars(settings(), state_.db_name); };
    samples_window->save_particulars = [this](const protocol::Particulars& p) {
      save_particulars(settings(), state_.db_name, p);
    };
    views::restore_window_place(*samples_window, settings().value(value_samples_place).value_or(QString()));
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
