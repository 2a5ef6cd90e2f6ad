// "Анализ наблюдений" in the desktop program: enabled only with a heat-flow table,
// the sample wall's series and verdicts, the plots' points, the settings kept
// between runs, and the printed analysis as a PDF read back with pdftotext,
// the same pages kalora-cli analyze --pdf writes; the analysis running beside the
// window, cancelled and closed while it runs; the window at 800 × 592.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "analysis/analysis_window.h"
#include "analysis/observations.h"
#include "analysis/plot_painter.h"
#include "app/window_fixture.h"
#include "reports/number_format.h"
#include "support/run_program.h"

namespace kalora::test {
namespace {

std::string sample(const char* kind) { return std::string(KALORA_SAMPLES) + "/" + kind + ".bin"; }

std::string pdf_text(const std::string& path) {
  const auto r = run_program("pdftotext", {"-layout", path, "-"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

QStringList column(const QTableWidget* t, int c) {
  QStringList texts;
  for (int r = 0; r < t->rowCount(); ++r) texts << (t->item(r, c) ? t->item(r, c)->text() : QString());
  return texts;
}

// The analysis runs on a thread of its own: waits until it has finished (and the
// shown series' growth of R is in), handling the window's events meanwhile.
bool settled(const analysis::AnalysisWindow* a) {
  return QTest::qWaitFor([a] { return !a->busy(); }, 120000);
}

using AnalysisCommand = WindowTest;

TEST_F(AnalysisCommand, SeriesVerdictsPlotsSettingsAndPrintedPages) {
  auto& w = start();
  QAction* command = w.findChild<QAction*>(QStringLiteral("Analysis1"));
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->iconText(), QStringLiteral("Анализ наблюдений"));
  auto* button = w.ToolBar1->findChild<QToolButton*>(QStringLiteral("ToolButton8"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->defaultAction(), command);
  // Enabled only while a heat-flow table is open.
  const std::string db = dir.file("wall.db");
  EXPECT_FALSE(command->isEnabled());
  dialogs.files = {sample("both"), dir.file("both.db")};
  w.bin1Click();
  EXPECT_FALSE(command->isEnabled());
  dialogs.files = {sample("wall"), db};
  w.bin1Click();
  ASSERT_TRUE(command->isEnabled());
  EXPECT_TRUE(button->isEnabled());

  command->trigger();
  analysis::AnalysisWindow* a = w.analysis_window;
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(settled(a));
  EXPECT_TRUE(a->isVisible());
  EXPECT_EQ(a->windowTitle(), QStringLiteral("Анализ наблюдений"));
  ASSERT_EQ(a->series_list->rowCount(), 1);
  EXPECT_EQ(column(a->series_list, 0), QStringList{"Rк"});
  EXPECT_EQ(column(a->series_list, 1), QStringList{"10.02.2025 12:04:00"});
  EXPECT_EQ(column(a->series_list, 3), QStringList{"200"});
  EXPECT_EQ(column(a->series_list, 4), QStringList{"73,0"});
  // Channels 1 and 3, each with the three methods side by side.
  ASSERT_EQ(a->results->columnCount(), 6);
  const auto row_of = [&](const char* label) {
    for (int r = 1; r < a->results->rowCount(); ++r)
      if (a->results->verticalHeaderItem(r)->text() == QString::fromUtf8(label)) return r;
    return -1;
  };
  const auto value = [&](const char* label, int column) { return a->results->item(row_of(label), column)->text(); };
  // The engineer's terms: the measured Rк, the Rо and U formed from it.
  const char* rk = "Rк, м²·К/Вт";
  for (int c : {0, 3}) {
    // Each channel heads its methods' columns.
    EXPECT_EQ(a->results->item(0, c)->text(), QStringLiteral("Канал %1").arg(c / 3 * 2 + 1));
    EXPECT_EQ(a->results->columnSpan(0, c), 3);
    EXPECT_EQ(value("Метод", c), QStringLiteral("средних значений"));
    const double r = *a->analysis().series[0].channels[static_cast<std::size_t>(c / 3)].R;
    EXPECT_EQ(a->results->verticalHeaderItem(row_of(rk))->toolTip(), "термическое сопротивление конструкции Rк");
    EXPECT_EQ(value("Rо, м²·К/Вт", c), QString::fromStdString(reports::format_number(1 / 8.7 + r + 1 / 23.0, "0.000")));
    EXPECT_EQ(value("Метод", c + 1).remove(QChar(0xAD)), QStringLiteral("динамический"));
    EXPECT_TRUE(value(rk, c + 1).startsWith(QStringLiteral("2,"))) << value(rk, c + 1).toStdString();
    EXPECT_TRUE(value("Интервал 90 %", c + 1).startsWith(QStringLiteral("±")));
    EXPECT_EQ(value("Итог", c), QStringLiteral("критерии 1–3 выполнены"));
    EXPECT_EQ(a->results->columnSpan(row_of("Итог"), c), 3);
    EXPECT_EQ(value("Метод", c + 2), QStringLiteral("модель стены (RC)"));
    EXPECT_TRUE(value("Интервал 90 %", c + 2).contains(QStringLiteral(" … ")))
        << value("Интервал 90 %", c + 2).toStdString();
    EXPECT_TRUE(value("Критерий 2 (последние 24 ч)", c).startsWith(QStringLiteral("выполнен (R24 = 2,")));
    EXPECT_EQ(value("Критерий 4 (накопленное тепло)", c), QStringLiteral("не проверялся"));
    EXPECT_EQ(value("Вердикт", c), QStringLiteral("достоверно"));
    EXPECT_TRUE(a->results->item(row_of("Вердикт"), c)->font().bold());
    const QString best = value("Rк рекомендуемое", c);
    EXPECT_TRUE(best.endsWith(QStringLiteral("(модель стены (RC))")) ||
                best.endsWith(QStringLiteral("(динамический метод)")))
        << best.toStdString();
    EXPECT_TRUE(a->results->item(row_of("Rк рекомендуемое"), c)->font().bold());
  }
  EXPECT_EQ(value(rk, 0), QStringLiteral("2,749"));
  // Every column and the row labels in view at the window's size.
  a->resize(1280, 900);
  QApplication::processEvents();
  EXPECT_FALSE(a->results->horizontalScrollBar()->isVisible());
  EXPECT_TRUE(a->results->verticalHeader()->isVisible());
  // The flux plot: one line per channel, a point per record.
  const auto& flux = a->plots[0]->plot().lines;
  ASSERT_EQ(flux.size(), 2u);
  for (const plot::Line& l : flux) EXPECT_EQ(l.points.size(), 200u);
  EXPECT_EQ(a->plots[1]->plot().lines.size(), 4u);  // tв and tн of each channel
  // Measured q and the dynamic model's q of each channel, from the row after the memory's.
  const auto& model = a->plots[3]->plot().lines;
  ASSERT_EQ(model.size(), 4u);
  EXPECT_EQ(model[1].name, "модель (канал 1)");
  EXPECT_EQ(model[0].points.size(), model[1].points.size());
  EXPECT_LT(model[1].points.size(), 200u);
  // R_best after each 12 h up to the whole, inside its band where it has one.
  const auto& growth = a->plots[4]->plot();
  ASSERT_EQ(growth.lines.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const auto& steps = a->analysis().series[0].channels[k].growth;
    EXPECT_EQ(growth.lines[k].points.size(), steps.size());
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps.back().R, a->analysis().series[0].channels[k].verdict.R_best);
    EXPECT_EQ(steps.back().hours, a->analysis().series[0].channels[k].hours);
    for (const auto& g : steps) {
      EXPECT_LE(g.R_lo.value_or(g.R), g.R);
      EXPECT_GE(g.R_hi.value_or(g.R), g.R);
    }
  }
  EXPECT_EQ(growth.areas.size(), 2u);

  // The printed analysis of the window and of kalora-cli read the same.
  dialogs.files = {dir.file("window.pdf")};
  a->pdf_button->click();
  EXPECT_TRUE(dialogs.messages.empty());
  const std::string printed = pdf_text(dir.file("window.pdf"));
  for (const char* text :
       {"Анализ наблюдений", "База данных: wall.db", "Серия 1: Rк, 10.02.2025 12:04:00",
        "Методы: метод средних значений и динамический метод по ISO 9869-1, модель стены (RC)",
        "критерии 1–3 выполнены", "Rк, м²·К/Вт", "Rо, м²·К/Вт",
        "Rк - термическое сопротивление конструкции, Rо - сопротивление теплопередаче, U - коэффициент теплопередачи",
        "2,749", "R прибора (среднее по записям)", "не проверялся", "Вердикт", "достоверно", "Интервал 90 % для R",
        "— графики"})
    EXPECT_NE(printed.find(text), std::string::npos) << text;
  // The four plots are drawn on the second page, lettering as text, no pictures; the
  // running R names its band, mark and windows.
  for (const char* text : {"Тепловой поток", "Температуры", "tн (канал 3)", "м²·К/Вт", "24 ч", "±5 % от R",
                           "за 24 ч до конца", "первые 2/3", "последние 2/3", "по динамической модели",
                           "R нарастающим итогом", "модель (канал 3)", "по мере роста серии", "90 % интервал"})
    EXPECT_NE(printed.find(text), std::string::npos) << text;
  const auto images = run_program("pdfimages", {"-list", dir.file("window.pdf")});
  EXPECT_EQ(std::count(images.out.begin(), images.out.end(), '\n'), 2) << images.out;
  const std::string cli_db = dir.file("cli/wall.db");
  std::filesystem::create_directory(dir.file("cli"));
  ASSERT_EQ(run_program(KALORA_CLI, {"bin2db", sample("wall"), cli_db}).exit_code, 0);
  ASSERT_EQ(run_program(KALORA_CLI, {"analyze", cli_db, "--pdf", dir.file("cli.pdf")}).exit_code, 0);
  EXPECT_EQ(pdf_text(dir.file("cli.pdf")), printed);

  // The layers editor: the design values follow the text; criterion 4 is checked
  // with the layers' capacities; a wrong text is named and changes nothing.
  a->layers_edit->setText(QStringLiteral("кирпич керамический:380,минеральная вата:100"));
  a->layers_edit->editingFinished();
  ASSERT_TRUE(settled(a));
  EXPECT_TRUE(a->design->text().contains(QStringLiteral("Rк проектное (Σd/λ, условия эксплуатации Б): 2,691 м²·К/Вт")))
      << a->design->text().toStdString();
  a->conditions->setCurrentIndex(0);
  a->conditions->activated(0);
  ASSERT_TRUE(settled(a));
  EXPECT_TRUE(a->design->text().contains(QStringLiteral("Rк проектное (Σd/λ, условия эксплуатации А): 2,924 м²·К/Вт")));
  EXPECT_TRUE(
      value("Критерий 4 (накопленное тепло)", 0).startsWith(QStringLiteral("выполнен (изменение накопленного тепла")) ||
      value("Критерий 4 (накопленное тепло)", 0).startsWith(QStringLiteral("не выполнен (изменение")));
  a->material->setCurrentText(QStringLiteral("штукатурка известковая"));
  a->thickness->setValue(20);
  a->add_layer->click();
  EXPECT_EQ(a->layers_edit->text(),
            QStringLiteral("кирпич керамический:380,минеральная вата:100,штукатурка известковая:20"));
  EXPECT_TRUE(a->design->text().contains(QStringLiteral("(Σd/λ, условия эксплуатации А): 2,952 м²·К/Вт")));
  a->layers_edit->setText(QStringLiteral("кирпич:380"));
  a->layers_edit->editingFinished();
  EXPECT_EQ(a->design->text(), QStringLiteral("Слои стены: неизвестный материал: «кирпич»"));
  EXPECT_EQ(a->options().wall.layers.size(), 3u);
  // A shorter pause than the logging interval: every record its own series, none
  // with two rows of a channel. The setting is kept for the next run.
  a->findChild<QSpinBox*>(QStringLiteral("max_gap"))->setValue(1319);
  ASSERT_TRUE(settled(a));
  EXPECT_EQ(a->series_list->rowCount(), 200);
  w.N5Click();  // Закрыть
  EXPECT_FALSE(a->isVisible());
  EXPECT_FALSE(command->isEnabled());
  window.reset();

  auto& again = start();
  dialogs.files = {db};
  again.N3Click();
  again.Analysis1Click();
  ASSERT_NE(again.analysis_window, nullptr);
  ASSERT_TRUE(settled(again.analysis_window));
  EXPECT_EQ(again.analysis_window->options().max_gap, 1319);
  EXPECT_EQ(again.analysis_window->series_list->rowCount(), 200);
  // The database's last layers come back with it.
  EXPECT_EQ(again.analysis_window->layers_edit->text(),
            QStringLiteral("кирпич керамический:380,минеральная вата:100,штукатурка известковая:20"));
  EXPECT_EQ(again.analysis_window->options().wall.conditions, analysis::Conditions::A);
  EXPECT_TRUE(dialogs.messages.empty());
}

// The analysed span: typed in the fields, dragged across a plot's time axis, undone by
// "Весь ряд", and kept with the database it was chosen for.
TEST_F(AnalysisCommand, SpanFromFieldsAndDragKeptPerDatabase) {
  auto& w = start();
  const std::string db = dir.file("wall.db");
  dialogs.files = {sample("wall"), db};
  w.bin1Click();
  w.Analysis1Click();
  analysis::AnalysisWindow* a = w.analysis_window;
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(settled(a));
  const auto records = [&] { return a->analysis().series.at(0).channels.at(0).records(); };
  const auto time = [](const char* text) {
    return QDateTime::fromString(QString::fromUtf8(text), "dd.MM.yyyy HH:mm").toUTC();
  };
  ASSERT_EQ(records(), 200u);
  EXPECT_FALSE(a->whole_series->isEnabled());
  // Rows every 22 minutes from 12:04: 13:10 is the 4th, 12.02 13:12 the 135th.
  a->span_from->setDateTime(QDateTime(QDate(2025, 2, 10), QTime(13, 10), Qt::UTC));
  a->span_from->editingFinished();
  ASSERT_TRUE(settled(a));
  a->span_to->setDateTime(QDateTime(QDate(2025, 2, 12), QTime(13, 12), Qt::UTC));
  a->span_to->editingFinished();
  ASSERT_TRUE(settled(a));
  EXPECT_EQ(records(), 132u);
  EXPECT_TRUE(a->whole_series->isEnabled());
  EXPECT_EQ(a->plots[0]->plot().lines[0].points.size(), 132u);
  // A drag over the middle half of the flux plot's frame.
  a->resize(1280, 900);
  a->show();
  QApplication::processEvents();
  plot::PlotView* flux = a->plots[0];
  flux->repaint();
  const int y = flux->height() / 2;
  QTest::mousePress(flux, Qt::LeftButton, {}, QPoint(flux->width() / 3, y));
  QTest::mouseMove(flux, QPoint(flux->width() * 2 / 3, y));
  QTest::mouseRelease(flux, Qt::LeftButton, {}, QPoint(flux->width() * 2 / 3, y));
  ASSERT_TRUE(settled(a));
  const auto dragged = a->options().span;
  ASSERT_TRUE(dragged.from && dragged.to);
  EXPECT_GT(*dragged.from, time("10.02.2025 13:10").toSecsSinceEpoch());
  EXPECT_LT(*dragged.to, time("12.02.2025 13:12").toSecsSinceEpoch());
  EXPECT_LT(records(), 132u);
  EXPECT_EQ(a->span_from->dateTime().toSecsSinceEpoch(), *dragged.from);
  // Kept with this database, not another's; "Весь ряд" analyses every row again.
  dialogs.files = {sample("flow"), dir.file("flow.db")};
  w.bin1Click();
  w.Analysis1Click();
  ASSERT_TRUE(settled(a));
  EXPECT_TRUE(a->options().span.whole());
  dialogs.files = {db};
  w.N3Click();
  w.Analysis1Click();
  ASSERT_TRUE(settled(a));
  EXPECT_EQ(a->options().span.from, dragged.from);
  EXPECT_EQ(a->options().span.to, dragged.to);
  a->whole_series->click();
  ASSERT_TRUE(settled(a));
  EXPECT_EQ(records(), 200u);
  EXPECT_TRUE(a->options().span.whole());
  EXPECT_TRUE(dialogs.messages.empty());
}

// Fifty series of 200 records: the window fills series by series with its progress
// shown; "Отменить" stops the run keeping the series finished, "Повторить" starts it
// again, and closing the window while it runs stops it; nothing outlives the window.
TEST_F(AnalysisCommand, ProgressCancelAndCloseWhileRunning) {
  auto& w = start();
  dialogs.files = {sample("wall"), dir.file("wall.db")};
  w.bin1Click();
  db::DbfTable& t = w.state().Dbf3;
  std::vector<std::pair<std::int64_t, std::vector<std::optional<double>>>> rows;
  const std::vector<std::string> fields = {"N",     "MODE",    "MEASUR", "POTOK_1", "T_IN_1", "T_EXT_1",
                                           "RES_1", "POTOK_3", "T_IN_3", "T_EXT_3", "RES_3"};
  for (t.first(); !t.eof(); t.next()) {
    std::vector<std::optional<double>> values;
    for (const std::string& f : fields) values.push_back(t.number(f));
    rows.push_back({*analysis::clock_seconds(t.text("DATE"), t.text("TIME")), values});
  }
  ASSERT_EQ(rows.size(), 200u);
  for (int copy = 1; copy < 50; ++copy)
    for (const auto& [time, values] : rows) {
      t.append();
      for (std::size_t f = 0; f < fields.size(); ++f) t.set_number(fields[f], values[f]);
      const std::string clock = analysis::clock_text(time + copy * 4 * analysis::day);
      t.set_text("DATE", clock.substr(0, 10));
      t.set_text("TIME", clock.substr(11));
      t.post();
    }

  w.Analysis1Click();
  analysis::AnalysisWindow* a = w.analysis_window;
  EXPECT_TRUE(a->busy());
  EXPECT_TRUE(a->progress->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([a] { return a->series_list->rowCount() > 0; }, 60000));
  EXPECT_EQ(a->current_series(), 0);  // the first series is shown as soon as it is in
  EXPECT_TRUE(a->progress_text->text().startsWith(QStringLiteral("Анализ: серия ")))
      << a->progress_text->text().toStdString();
  EXPECT_TRUE(a->progress_text->text().endsWith(QStringLiteral(" из 50…")));
  // The shown series' results and growth of R come before the series after it.
  ASSERT_TRUE(QTest::qWaitFor([a] { return a->print_button->isEnabled(); }, 60000));
  EXPECT_FALSE(a->analysis().series[0].channels[0].growth.empty());
  EXPECT_TRUE(a->busy());
  a->cancel_button->click();
  EXPECT_FALSE(a->busy());
  EXPECT_FALSE(a->progress->isVisible());
  EXPECT_EQ(a->cancel_button->text(), QStringLiteral("Повторить"));
  EXPECT_TRUE(a->progress_text->text().startsWith(QStringLiteral("Анализ отменён: готово серий ")));
  EXPECT_LT(a->series_list->rowCount(), 50);
  EXPECT_TRUE(a->print_button->isEnabled());  // what is there can be printed

  a->cancel_button->click();  // "Повторить"
  EXPECT_TRUE(a->busy());
  EXPECT_EQ(a->series_list->rowCount(), 0);
  EXPECT_EQ(a->cancel_button->text(), QStringLiteral("Отменить"));
  ASSERT_TRUE(QTest::qWaitFor([a] { return a->series_list->rowCount() > 0; }, 60000));
  a->close();
  EXPECT_FALSE(a->busy());
  w.Analysis1Click();  // opened again: analysed again
  EXPECT_TRUE(a->busy());
  window.reset();  // the window goes while its analysis runs
  EXPECT_TRUE(dialogs.messages.empty());
}

// At the designed 800 × 592 and at 1024 × 768 nothing scrolls sideways, every button
// lies within the width, and every text of the results fits its cell (none is cut
// short with "…"); the plots stand in one column, then in two.
TEST_F(AnalysisCommand, FitsSmallScreens) {
  auto& w = start();
  dialogs.files = {sample("wall"), dir.file("wall.db")};
  w.bin1Click();
  w.Analysis1Click();
  analysis::AnalysisWindow* a = w.analysis_window;
  ASSERT_TRUE(settled(a));
  for (const QSize size : {QSize(800, 592), QSize(1024, 768)}) {
    a->resize(size);
    QApplication::processEvents();
    const auto* scroll = a->findChild<QScrollArea*>(QStringLiteral("scroll"));
    ASSERT_NE(scroll, nullptr);
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible()) << size.width();
    const QWidget* content = scroll->widget();
    for (const QPushButton* b : a->findChildren<QPushButton*>()) {
      if (!b->isVisibleTo(a)) continue;
      const QRect r(b->mapTo(content, QPoint(0, 0)), b->size());
      EXPECT_LE(r.right(), scroll->viewport()->width()) << b->text().toStdString() << " at " << size.width();
    }
    const QTableWidget* t = a->results;
    int columns_width = 0;
    for (int c = 0; c < t->columnCount(); ++c) columns_width += t->columnWidth(c);
    EXPECT_LE(columns_width, t->viewport()->width()) << size.width();
    EXPECT_LE(QRect(t->mapTo(content, QPoint(0, 0)), t->size()).right(), scroll->viewport()->width()) << size.width();
    for (int r = 0; r < t->rowCount(); ++r)
      for (int c = 0; c < t->columnCount(); ++c) {
        const QTableWidgetItem* item = t->item(r, c);
        if (!item) continue;
        int width = 0;
        for (int k = 0; k < t->columnSpan(r, c); ++k) width += t->columnWidth(c + k);
        const QRect room(0, 0, width - 8, 10000);  // less the cell's margins
        const QString text = item->text();         // a soft hyphen may break a word, as the view does
        const QFontMetrics f(item->data(Qt::FontRole).isValid() ? item->font() : t->font());
        EXPECT_LE(f.boundingRect(room, Qt::TextWordWrap, text).width(), room.width()) << text.toStdString();
        EXPECT_LE(f.boundingRect(room, Qt::TextWordWrap, text).height(), t->rowHeight(r)) << text.toStdString();
      }
    const int columns = size.width() < 900 ? 1 : 2;
    EXPECT_EQ(a->plots[1]->x() > a->plots[0]->x(), columns == 2) << size.width();
    if (const char* shots = std::getenv("KALORA_SHOTS")) {
      a->show();
      QApplication::processEvents();
      a->grab().save(QStringLiteral("%1/analysis-%2.png").arg(QString::fromLocal8Bit(shots)).arg(size.width()));
      scroll->widget()->grab().save(
          QStringLiteral("%1/analysis-%2-all.png").arg(QString::fromLocal8Bit(shots)).arg(size.width()));
    }
  }
}

}  // namespace
}  // namespace kalora::test
