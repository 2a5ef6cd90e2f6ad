// "Результаты по образцам" in the desktop program: enabled with a stationary or
// probe table, the groups of the page in its order or of its selected rows, the
// chosen group's plot, the record's header kept between runs, and the record saved
// as PDF read back with pdftotext.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "analysis/plot_painter.h"
#include "app/window_fixture.h"
#include "protocol/particulars_dialog.h"
#include "reports/report_preview.h"
#include "sample_stats/samples_window.h"
#include "support/run_program.h"

namespace kalora::test {
namespace {

QStringList column(const QTableWidget* t, int c) {
  QStringList texts;
  for (int r = 0; r < t->rowCount(); ++r) texts << (t->item(r, c) ? t->item(r, c)->text() : QString());
  return texts;
}

// A group's figure, by the start of its column title (its lines joined by a space).
QTableWidgetItem* figure(const QTableWidget* t, int row, const QString& title) {
  for (int c = 0; c < t->columnCount(); ++c)
    if (t->horizontalHeaderItem(c)->text().replace(QChar('\n'), QChar(' ')).startsWith(title)) return t->item(row, c);
  static QTableWidgetItem missing(QStringLiteral("no such column"));
  return &missing;
}

using SamplesCommand = WindowTest;

TEST_F(SamplesCommand, GroupsOfThePageOrItsSelectionWithPlotAndRecord) {
  {
    // The record's header as this window kept it before it moved into the protocol's particulars.
    app::SettingsStore earlier(settings_file());
    earlier.set_value(QStringLiteral("Samples_Organisation"), QStringLiteral("ООО «Теплолаб»"));
    earlier.set_value(QStringLiteral("Samples_Instrument"), QStringLiteral("0421"));
  }
  auto& w = start();
  QAction* command = w.findChild<QAction*>(QStringLiteral("Samples1"));
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->iconText(), QStringLiteral("Результаты по образцам"));
  auto* button = w.ToolBar1->findChild<QToolButton*>(QStringLiteral("ToolButton9"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->defaultAction(), command);
  EXPECT_FALSE(command->isEnabled());
  dialogs.files = {std::string(KALORA_SAMPLES) + "/flow.bin", dir.file("flow.db")};
  w.bin1Click();
  EXPECT_FALSE(command->isEnabled());  // a heat-flow database
  const std::string db = dir.file("samples.db");
  std::filesystem::copy_file(std::string(KALORA_SAMPLES) + "/samples.db", db);
  dialogs.files = {db};
  w.N3Click();
  ASSERT_TRUE(command->isEnabled());

  // Each case: the page, the rows selected (places in the grid), a column sorted.
  struct Case {
    int page;  // 0 "Стационарный", 1 "Зонд"
    std::vector<int> selected;
    const char* sorted;  // a field whose title is clicked once (descending), or null
    QString summary;
    QStringList names;
  };
  const QString no_comment = QStringLiteral("(без комментария)");
  const std::vector<Case> cases{
      {0, {}, nullptr, "Стационарный метод, строк: 22, групп: 6",
       {"ПСБ-С 25", "Минплита П-75", "Газобетон D500", "Сосна поперёк волокон", "Кирпич керамический", no_comment}},
      {0, {3}, nullptr, "Стационарный метод, строк: 22, групп: 6",  // one row selected: all rows
       {"ПСБ-С 25", "Минплита П-75", "Газобетон D500", "Сосна поперёк волокон", "Кирпич керамический", no_comment}},
      {0, {0, 2, 9, 21}, nullptr, "Стационарный метод, выделенные строки: 4, групп: 3",
       {"ПСБ-С 25", "Минплита П-75", no_comment}},
      {0, {}, "HEAT", "Стационарный метод, строк: 22, групп: 6",  // groups in the order of the view
       {"Кирпич керамический", "Сосна поперёк волокон", "Газобетон D500", "Минплита П-75", "ПСБ-С 25", no_comment}},
      {1, {}, nullptr, "Зондовый метод, строк: 15, групп: 5",
       {"Суглинок, скв. 1", "Бетон В25", "Пенобетон D600", "Песок сухой", no_comment}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.summary.toStdString());
    w.PageControl1->setCurrentIndex(c.page);
    views::DBGridPro& grid = *w.grid(c.page + 1);
    if (c.sorted) grid.click_title(grid.column_of(c.sorted), false);
    grid.clearSelection();
    for (const int place : c.selected)
      grid.selectionModel()->select(grid.grid_model()->index(place, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    command->trigger();
    samples::SamplesWindow* s = w.samples_window;
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(s->summary->text(), c.summary);
    EXPECT_EQ(column(s->groups, 0), c.names);
    if (c.sorted) w.ToolButton7Click();  // Убрать сортировку
  }
  samples::SamplesWindow& s = *w.samples_window;
  EXPECT_EQ(figure(s.groups, 1, "λ ср.")->text(), QStringLiteral("1,5068"));
  EXPECT_EQ(figure(s.groups, 1, "a, мм²/с")->text(), QStringLiteral("0,763"));

  // The stationary page again: figures with decimal commas, flags, outliers, the plot.
  w.PageControl1->setCurrentIndex(0);
  w.grid(1)->clearSelection();
  command->trigger();
  EXPECT_EQ(figure(s.groups, 0, "λ ср.")->text(), QStringLiteral("0,0385"));
  EXPECT_EQ(figure(s.groups, 0, "r²")->text(), QStringLiteral("0,9404"));
  EXPECT_EQ(figure(s.groups, 1, "Возможные")->text(), QStringLiteral("N 11"));
  QTableWidgetItem* extrapolated = figure(s.groups, 2, "λ(10 °C)");
  EXPECT_TRUE(extrapolated->text().endsWith(QStringLiteral(" *")));
  EXPECT_EQ(extrapolated->toolTip(), QStringLiteral("вне диапазона tср"));
  EXPECT_EQ(figure(s.groups, 4, "СКО")->text(), QStringLiteral("—"));  // one row
  struct Shown {
    int group;
    std::vector<std::size_t> points;  // of each line, in order
  };
  // Measured points, the line and its extrapolation; the outlier apart.
  for (const Shown& shown : {Shown{0, {8, 2, 5}}, Shown{1, {4, 1}}, Shown{4, {1}}}) {
    s.choose_group(shown.group);
    const plot::Plot& p = s.plot_view->plot();
    std::vector<std::size_t> points;
    for (const plot::Line& l : p.lines) points.push_back(l.points.size());
    EXPECT_EQ(points, shown.points) << shown.group;
  }
  QImage drawn(s.plot_view->size(), QImage::Format_RGB32);
  drawn.fill(Qt::white);
  s.plot_view->render(&drawn);
  EXPECT_GT(std::count_if(reinterpret_cast<const QRgb*>(drawn.constBits()),
                          reinterpret_cast<const QRgb*>(drawn.constBits()) + drawn.width() * drawn.height(),
                          [](QRgb c) { return qBlue(c) > 150 && qRed(c) < 80; }),
            10);  // the measured points are drawn

  // The protocol's particulars: the earlier header carried over, the rest typed in
  // their dialog, the laboratory's kept for every database, the object's with one.
  const auto type_particulars = [&](std::vector<std::pair<const char*, const char*>> typed) {
    protocol::Particulars shown;
    s.run_dialog = [&](QDialog& d) {
      auto* dialog = qobject_cast<protocol::ParticularsDialog*>(&d);
      EXPECT_NE(dialog, nullptr);
      if (!dialog) return 0;
      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Сведения для протокола"));
      shown = dialog->particulars();
      for (const auto& [key, text] : typed) {
        auto* edit = dialog->findChild<QLineEdit*>(QString::fromUtf8(key));
        edit->selectAll();
        // Key by key, Cyrillic letters included (QTest's own key clicks know ASCII only).
        for (const QChar c : QString::fromUtf8(text)) {
          QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
          QApplication::sendEvent(edit, &press);
        }
      }
      return static_cast<int>(QDialog::Accepted);
    };
    s.particulars_button->click();
    return shown;
  };
  const auto carried = type_particulars({{"object", "Жилой дом"}, {"operator", "Петров П. П."}});
  EXPECT_EQ(carried["organisation"], "ООО «Теплолаб»");
  EXPECT_EQ(carried["instrument"], "КАЛОРА-5, заводской № 0421");
  dialogs.files = {dir.file("record.pdf")};
  s.pdf_button->click();
  EXPECT_TRUE(dialogs.messages.empty());
  // "Просмотр" shows the same record in the reports' preview window.
  int previewed = 0;
  s.run_dialog = [&](QDialog& d) {
    if (auto* p = qobject_cast<reports::ReportPreview*>(&d)) {
      p->preview()->updatePreview();
      previewed = p->preview()->pageCount();
    }
    return 0;
  };
  s.preview_button->click();
  EXPECT_EQ(previewed, static_cast<int>(s.record().pages.size()));
#ifndef _WIN32  // read back by the Linux pdftotext
  const auto text = run_program("pdftotext", {"-layout", dir.file("record.pdf"), "-"});
  ASSERT_EQ(text.exit_code, 0);
  for (const char* want : {"ПРОТОКОЛ ИСПЫТАНИЙ № ", "Испытательная лаборатория: ООО «Теплолаб»",
                           "Прибор (тип, заводской №): КАЛОРА-5, заводской № 0421", "Объект: Жилой дом",
                           "Исполнитель ________________ / Петров П. П. /", "База данных: samples.db",
                           "Образец: Газобетон D500", "возможный выброс"})
    EXPECT_NE(text.out.find(want), std::string::npos) << want;
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\f'), previewed);
#endif
  w.N5Click();  // Закрыть: the window goes with the database
  EXPECT_FALSE(s.isVisible());
  window.reset();

  auto& again = start();
  dialogs.files = {db};
  again.N3Click();
  again.Samples1Click();
  ASSERT_NE(again.samples_window, nullptr);
  const auto kept = again.samples_window->load_particulars();
  EXPECT_EQ(kept["object"], "Жилой дом");
  EXPECT_EQ(kept["operator"], "Петров П. П.");
  // Another database: the laboratory's particulars, not this object's.
  const std::string other = dir.file("other.db");
  std::filesystem::copy_file(db, other);
  dialogs.files = {other};
  again.N3Click();
  again.Samples1Click();
  const auto elsewhere = again.samples_window->load_particulars();
  EXPECT_EQ(elsewhere["operator"], "Петров П. П.");
  EXPECT_EQ(elsewhere["object"], "");
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace kalora::test
