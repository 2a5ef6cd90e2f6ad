// "Анализ наблюдений" in the desktop program: enabled only with a heat-flow table,
// the sample wall's series and verdicts, the plots' points, the settings kept
// between runs, and the printed analysis as a PDF read back with pdftotext,
// the same pages kalora-cli analyze --pdf writes.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "analysis/analysis_window.h"
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
    for (int r = 0; r < a->results->rowCount(); ++r)
      if (a->results->verticalHeaderItem(r)->text() == QString::fromUtf8(label)) return r;
    return -1;
  };
  const auto value = [&](const char* label, int column) { return a->results->item(row_of(label), column)->text(); };
  // The engineer's terms: the measured Rк, the Rо and U formed from it.
  const char* rk = "Rк, м²·К/Вт";
  for (int c : {0, 3}) {
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
    EXPECT_TRUE(value("Интервал 90 %", c + 2).contains(QStringLiteral(" … "))) << value("Интервал 90 %", c + 2).toStdString();
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
                           "за 24 ч до конца", "первые 2/3", "последние 2/3", "по динамической модели", "R нарастающим итогом",
                           "модель (канал 3)"})
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
  EXPECT_TRUE(a->design->text().contains(QStringLiteral("Rк проектное (Σd/λ, условия эксплуатации Б): 2,691 м²·К/Вт")))
      << a->design->text().toStdString();
  a->conditions->setCurrentIndex(0);
  a->conditions->activated(0);
  EXPECT_TRUE(a->design->text().contains(QStringLiteral("Rк проектное (Σd/λ, условия эксплуатации А): 2,924 м²·К/Вт")));
  EXPECT_TRUE(value("Критерий 4 (накопленное тепло)", 0).startsWith(QStringLiteral("выполнен (изменение накопленного тепла")) ||
              value("Критерий 4 (накопленное тепло)", 0).startsWith(QStringLiteral("не выполнен (изменение")));
  a->material->setCurrentText(QStringLiteral("штукатурка известковая"));
  a->thickness->setValue(20);
  a->add_layer->click();
  EXPECT_EQ(a->layers_edit->text(), QStringLiteral("кирпич керамический:380,минеральная вата:100,штукатурка известковая:20"));
  EXPECT_TRUE(a->design->text().contains(QStringLiteral("(Σd/λ, условия эксплуатации А): 2,952 м²·К/Вт")));
  a->layers_edit->setText(QStringLiteral("кирпич:380"));
  a->layers_edit->editingFinished();
  EXPECT_EQ(a->design->text(), QStringLiteral("Слои стены: неизвестный материал: «кирпич»"));
  EXPECT_EQ(a->options().wall.layers.size(), 3u);
  // A shorter pause than the logging interval: every record its own series, none
  // with two rows of a channel. The setting is kept for the next run.
  a->findChild<QSpinBox*>(QStringLiteral("max_gap"))->setValue(1319);
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
  const auto records = [&] { return a->analysis().series.at(0).channels.at(0).records(); };
  const auto time = [](const char* text) {
    return QDateTime::fromString(QString::fromUtf8(text), "dd.MM.yyyy HH:mm").toUTC();
  };
  ASSERT_EQ(records(), 200u);
  EXPECT_FALSE(a->whole_series->isEnabled());
  // Rows every 22 minutes from 12:04: 13:10 is the 4th, 12.02 13:12 the 135th.
  a->span_from->setDateTime(QDateTime(QDate(2025, 2, 10), QTime(13, 10), Qt::UTC));
  a->span_from->editingFinished();
  a->span_to->setDateTime(QDateTime(QDate(2025, 2, 12), QTime(13, 12), Qt::UTC));
  a->span_to->editingFinished();
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
  EXPECT_TRUE(a->options().span.whole());
  dialogs.files = {db};
  w.N3Click();
  w.Analysis1Click();
  EXPECT_EQ(a->options().span.from, dragged.from);
  EXPECT_EQ(a->options().span.to, dragged.to);
  a->whole_series->click();
  EXPECT_EQ(records(), 200u);
  EXPECT_TRUE(a->options().span.whole());
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace kalora::test
