// The download window and its serial port, with real widgets under the offscreen
// platform and kalora-sim on a pseudo-terminal.
#include "device/receive.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <fstream>

#include "download_fakes.h"
#include "support/temp_dir.h"
#ifndef _WIN32
#include "sim_process.h"
#endif

namespace kalora {
namespace {

QApplication& application() {
  static int argc = 1;
  static char name[] = "receive_test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing it down after main() returns crashes inside Qt.
  static auto* app = new QApplication(argc, argv);
  return *app;
}

[[maybe_unused]] std::string sample(const std::string& kind) {
  return std::string(KALORA_SAMPLES) + "/" + kind + ".bin";
}

struct Window {
  State state;
  test::MainWindow frontend;
  TForm2 form{state, frontend};
  std::string missing = test::TempDir().file("no-such-port");

  // Runs the window modally; "Отмена" after `cancel_after_ms` if given, and after
  // 20 s in any case so a fault cannot hang the test.
  int run(const std::string& first_port, int cancel_after_ms = 20000) {
    form.setPortNames(QString::fromStdString(first_port), QString::fromStdString(missing));
    return exec(cancel_after_ms);
  }
  int exec(int cancel_after_ms = 20000) {
    QTimer::singleShot(cancel_after_ms, &form, [this] { QTest::mouseClick(form.Button1, Qt::LeftButton); });
    // Every status line the window shows, in order.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] {
      if (statuses.isEmpty() || statuses.back() != form.StaticText2->text()) statuses << form.StaticText2->text();
    });
    watch.start(20);
    return form.exec();
  }
  QStringList statuses;
};

[[maybe_unused]] std::string error_text(const test::MainWindow& frontend) {
  return frontend.messages.size() == 1 ? frontend.messages[0].text : std::string();
}

TEST(DownloadWindow, LayoutAndTexts) {
  application();
  Window w;
  EXPECT_EQ(w.form.size(), QSize(492, 264));
  EXPECT_EQ(w.form.minimumSize(), w.form.maximumSize());
  EXPECT_FALSE(w.form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(w.form.windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_EQ(w.form.GroupBox1->title(), "Информация");
  EXPECT_EQ(w.form.Button1->text(), "Отмена");
  EXPECT_TRUE(w.form.StaticText2->font().bold());
  EXPECT_EQ(w.form.StaticText2->font().pixelSize(), 16);
  QStringList labels;
  for (const QLabel* l : w.form.GroupBox1->findChildren<QLabel*>()) labels << l->text();
  for (const char* l : {"Тип прибора:", "Версия ПО:", "Доступные методы:"}) EXPECT_TRUE(labels.contains(l)) << l;
  for (const char* name : {"StaticText2", "ProgressBar1", "StaticText5", "StaticText1", "StaticText7", "Button1",
                           "Timer1", "CommPortDriver1"}) {
    EXPECT_NE(w.form.findChild<QObject*>(name), nullptr) << name;
  }
#ifdef _WIN32
  EXPECT_EQ(TForm2::defaultPortNames(), (QStringList{"\\\\.\\COM1", "\\\\.\\COM2"}));
#else
  EXPECT_EQ(TForm2::defaultPortNames(), (QStringList{"/dev/ttyS0", "/dev/ttyS1"}));
#endif
}

#ifdef _WIN32

// Under Wine the simulator runs outside: tests/tools/wine_com_download.sh serves it on a
// COM port, names the port and the image in the environment and compares what is written.
TEST(DownloadWindow, DownloadsThroughAComPort) {
  const char* port = std::getenv("KALORA_COM_PORT");
  const char* out = std::getenv("KALORA_COM_OUT");
  if (!port || !out) GTEST_SKIP() << "needs kalora-sim behind a COM port: run by wine_com_download.sh";
  application();
  Window w;
  ASSERT_EQ(w.run(port), QDialog::Accepted);
  EXPECT_TRUE(w.frontend.messages.empty());
  std::ofstream(out, std::ios::binary)
      .write(reinterpret_cast<const char*>(w.state.flash.data()), static_cast<std::streamsize>(w.form.imageLength()));
}

#else

using test::SimProcess;

TEST(DownloadWindow, DownloadsFromTheSimulator) {
  struct Case {
    const char* kind;
    QString device;
    QString methods;
    std::vector<int> tab_sheets;
  };
  const std::vector<Case> cases{
      {"both", "КАЛОРА-5-250", "Стационарный; Зонд; ", {1, 2}},
      {"flow", "КАЛОРА-5-Поток", "", {}},
  };
  application();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    SimProcess sim({sample(c.kind), "--full-speed", "--restart-after", "4000"});
    ASSERT_FALSE(sim.path().empty());
    Window w;
    w.state.flash.fill(0xEE);
    QGuiApplication::setApplicationDisplayName("КАЛОРА-5");
    QStringList titles;
    const auto title_spy = QObject::connect(qApp, &QGuiApplication::applicationDisplayNameChanged,
                                            [&] { titles << QGuiApplication::applicationDisplayName(); });

    EXPECT_EQ(w.run(sim.path()), QDialog::Accepted);
    EXPECT_EQ(w.form.modalResult(), ModalResult::ok);
    EXPECT_FALSE(w.form.isVisible());
    EXPECT_TRUE(w.frontend.messages.empty());
    EXPECT_EQ(w.form.windowTitle(), "100% - Прием данных");
    QObject::disconnect(title_spy);
    // The title followed the caption and came back on closing.
    ASSERT_GE(titles.size(), 2);
    EXPECT_EQ(titles[titles.size() - 2], "100% - Прием данных");
    EXPECT_EQ(titles.back(), "КАЛОРА-5");
    EXPECT_EQ(w.form.StaticText2->text(), "Идет прием информации ...");
    EXPECT_EQ(w.form.StaticText5->text(), c.device);
    EXPECT_EQ(w.form.StaticText1->text(), "14.02.01");
    EXPECT_EQ(w.form.StaticText7->text(), c.methods);
    EXPECT_EQ(w.frontend.tab_sheets, c.tab_sheets);
    EXPECT_FALSE(w.form.CommPortDriver1->connected());
    EXPECT_FALSE(w.form.Timer1->isActive());
    const auto image = test::read_bytes(sample(c.kind));
    ASSERT_EQ(w.form.imageLength(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), w.state.flash.begin()));
    EXPECT_TRUE(std::all_of(w.state.flash.begin() + static_cast<std::ptrdiff_t>(image.size()), w.state.flash.end(),
                            [](std::uint8_t x) { return x == 0; }));
  }
}

TEST(DownloadWindow, CancelKeepsTheImageAndRestoresTheTitle) {
  application();
  SimProcess sim({sample("stat"), "--no-end", "--full-speed"});
  ASSERT_FALSE(sim.path().empty());
  Window w;
  w.state.flash.fill(0x42);
  // The main window keeps the title itself.
  QGuiApplication::setApplicationDisplayName("КАЛОРА-5");
  QString title = "база.db - КАЛОРА-5";
  QStringList titles;
  w.form.setApplicationTitle([&] { return title; },
                             [&](const QString& t) {
                               title = t;
                               titles << t;
                             });
  EXPECT_EQ(w.run(sim.path(), 800), QDialog::Rejected);
  EXPECT_EQ(w.form.modalResult(), ModalResult::cancel);
  EXPECT_EQ(w.form.StaticText5->text(), "КАЛОРА-5-100");
  EXPECT_EQ(w.form.ProgressBar1->value(), 0);
  EXPECT_EQ(title, "база.db - КАЛОРА-5");
  EXPECT_TRUE(titles.contains("99% - Прием данных")) << titles.join('|').toStdString();
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "КАЛОРА-5");
  EXPECT_FALSE(w.form.CommPortDriver1->connected());
  EXPECT_TRUE(w.frontend.messages.empty());
  EXPECT_TRUE(std::all_of(w.state.flash.begin(), w.state.flash.end(), [](std::uint8_t b) { return b == 0x42; }));

  // The window manager's close does not end the download; Escape cancels it as the button does.
  QTimer::singleShot(0, &w.form, [&] {
    w.form.close();
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_TRUE(w.form.Timer1->isActive());
    QTest::keyClick(&w.form, Qt::Key_Escape);
  });
  EXPECT_EQ(w.form.exec(), QDialog::Rejected);
  EXPECT_EQ(w.form.modalResult(), ModalResult::cancel);
  EXPECT_FALSE(w.form.Timer1->isActive());
}

// The search with a port list the test gives: which ports are asked, in what order,
// and which one is remembered.
TEST(DownloadWindow, SearchFindsTheInstrument) {
  application();
  SimProcess instrument({sample("flow"), "--full-speed"});
  SimProcess silent({sample("flow"), "--silent"});
  ASSERT_FALSE(instrument.path().empty());
  ASSERT_FALSE(silent.path().empty());
  const std::string missing = test::TempDir().file("no-such-port");
  const std::string found = instrument.path();
  struct Case {
    const char* name;
    PortChoice choice;
    std::vector<std::string> listed;
    std::vector<std::string> asked;
    bool accepted;
  };
  const std::vector<Case> cases{
      {"instrument on the third port listed",
       {true, silent.path(), missing, ""},
       {silent.path(), missing, found},
       {silent.path(), missing, found},
       true},
      {"remembered port asked first", {true, missing, silent.path(), found}, {silent.path(), found}, {found}, true},
      {"chosen port asked alone", {false, silent.path(), missing, found}, {found}, {silent.path()}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    std::vector<SerialPortInfo> listed;
    for (const std::string& name : c.listed) listed.push_back({name, "", ""});
    w.form.setPortSearch(c.choice, [&listed] { return listed; });
    QStringList answered;
    QObject::connect(&w.form, &TForm2::portAnswered, [&](const QString& port) { answered << port; });

    EXPECT_EQ(w.exec(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
    QStringList expected;
    for (const std::string& port : c.asked) expected << QString::fromStdString("Поиск прибора: " + port + " …");
    if (c.accepted) expected << "Идет прием информации ...";
    EXPECT_EQ(w.statuses, expected);
    EXPECT_EQ(answered, c.accepted ? QStringList{QString::fromStdString(found)} : QStringList{});
    if (!c.accepted) {
      EXPECT_EQ(error_text(w.frontend),
                "Прибор не обнаружен! Проверте правильность подключения согласно инструкции!\n"
                "Опрошен порт: " +
                    silent.path() + ". Порт прибора выбирается командой «Файл → Порт прибора…».");
    }
  }
}

// A damaged character, and a simulator that dies in the middle of its dump.
TEST(DownloadWindow, DamagedDumpsAndADeadLine) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    int kill_after_ms;  // the simulator ends then; never when 0
    std::string message;
  };
  const std::vector<Case> cases{
      {"damaged once", {"--full-speed", "--corrupt-at", "500", "--corrupt-dumps", "1"}, 0, ""},
      {"damaged every time",
       {"--full-speed", "--corrupt-at", "500"},
       0,
       "Данные приняты с искажениями: посторонний символ (код 0x2A) в позиции 500 из 13330. Повторите приём."},
      {"simulator killed in the dump", {}, 2000, "Связь с прибором прервана. Проверьте кабель и повторите приём."},
  };
  application();
  Window w;  // one window for all: each download after a failed one must work
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> options{sample("flow")};
    options.insert(options.end(), c.options.begin(), c.options.end());
    SimProcess sim(options);
    ASSERT_FALSE(sim.path().empty());
    w.frontend.messages.clear();
    w.state.flash.fill(0x5A);
    QElapsedTimer since_kill;
    if (c.kill_after_ms > 0) {
      QTimer::singleShot(c.kill_after_ms, [&] {
        EXPECT_GT(w.form.ProgressBar1->value(), 0);
        sim.terminate();
        since_kill.start();
      });
    }
    w.frontend.during_message = [&] {
      if (since_kill.isValid()) {
        EXPECT_LT(since_kill.elapsed(), 6000);
      }
    };
    const bool accepted = w.run(sim.path()) == QDialog::Accepted;
    EXPECT_EQ(accepted, c.message.empty());
    EXPECT_EQ(error_text(w.frontend), c.message);
    EXPECT_FALSE(w.form.CommPortDriver1->connected());
    if (accepted) {
      EXPECT_TRUE(w.statuses.contains("Данные приняты с искажениями, повторный приём ..."));
      const auto image = test::read_bytes(sample("flow"));
      EXPECT_TRUE(std::equal(image.begin(), image.end(), w.state.flash.begin()));
    } else {
      EXPECT_TRUE(std::all_of(w.state.flash.begin(), w.state.flash.end(), [](std::uint8_t b) { return b == 0x5A; }));
    }
  }
  // After all of it, the same window downloads as ever.
  SimProcess sim({sample("both"), "--full-speed"});
  w.frontend.messages.clear();
  EXPECT_EQ(w.run(sim.path()), QDialog::Accepted);
  EXPECT_TRUE(w.frontend.messages.empty());
}

TEST(CommPortDriver, OpensAPseudoTerminalAndDeliversChunks) {
  application();
  SimProcess sim({sample("flow"), "--full-speed"});
  ASSERT_FALSE(sim.path().empty());
  TCommPortDriver driver;
  EXPECT_FALSE(driver.send('V'));  // closed: nothing happens
  EXPECT_FALSE(driver.open(test::TempDir().file("no-such-port")));

  ASSERT_TRUE(driver.open(sim.path()));
  // Held: a second driver is refused while the first has the port.
  TCommPortDriver other;
  EXPECT_FALSE(other.open(sim.path()));

  QSignalSpy chunks(&driver, &TCommPortDriver::receiveData);
  QSignalSpy lost(&driver, &TCommPortDriver::lineLost);
  EXPECT_TRUE(driver.send('V'));
  ASSERT_TRUE(chunks.wait(2000));
  EXPECT_EQ(chunks.takeFirst().at(0).toByteArray(), QByteArray("5021020>0"));

  // The whole dump in as few chunks as the polls catch.
  EXPECT_TRUE(driver.send('F'));
  QByteArray stream;
  for (int i = 0; i < 100 && !stream.endsWith('P'); ++i) {
    if (chunks.isEmpty()) chunks.wait(200);
    while (!chunks.isEmpty()) stream += chunks.takeFirst().at(0).toByteArray();
  }
  EXPECT_EQ(stream.size(), 13332);
  EXPECT_TRUE(lost.isEmpty());

  // The simulator gone is the device gone: said once, and the port still needs closing.
  sim.terminate();
  ASSERT_TRUE(lost.wait(2000));
  QTest::qWait(200);
  EXPECT_EQ(lost.size(), 1);
  EXPECT_TRUE(driver.connected());
  driver.close();
  EXPECT_FALSE(driver.connected());
  EXPECT_FALSE(driver.send('V'));
}

#endif

}  // namespace
}  // namespace kalora
