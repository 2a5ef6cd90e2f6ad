// The download over a real pseudo-terminal: kalora-cli download against kalora-sim.
#include <gtest/gtest.h>

#ifdef _WIN32

// kalora-sim serves its image on a pseudo-terminal, which Windows has not.
TEST(DownloadLine, NeedsPseudoTerminals) { GTEST_SKIP() << "kalora-sim needs a POSIX pseudo-terminal"; }

#else

#include <chrono>
#include <fstream>
#include <thread>

#include "sim_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

using test::SimProcess;
using test::TempDir;

const std::string no_device = "Прибор не обнаружен! Проверте правильность подключения согласно инструкции!\n";
const std::string where_to_choose = ". Порт прибора выбирается командой «Файл → Порт прибора…».\n";

std::string sample(const std::string& kind) { return std::string(KALORA_SAMPLES) + "/" + kind + ".bin"; }

struct Outcome {
  test::RunResult run;
  std::vector<unsigned char> image;  // the file written, empty when none
};

// Downloads from a simulator serving `image` with `options`; the simulator's
// terminal is the first port unless `on_second_port`.
Outcome download(const std::string& image, std::vector<std::string> options, bool on_second_port = false) {
  options.insert(options.begin(), image);
  SimProcess sim(options);
  EXPECT_FALSE(sim.path().empty());
  TempDir dir;
  const std::string out = dir.file("out.bin");
  const std::string missing = dir.file("no-such-port");
  Outcome o;
  o.run = test::run_program(
      KALORA_CLI, {"download", out, on_second_port ? missing : sim.path(), on_second_port ? sim.path() : missing});
  if (std::filesystem::exists(out)) o.image = test::read_bytes(out);
  EXPECT_EQ(sim.stop(), 0);
  return o;
}

TEST(DownloadLine, EveryInstrumentKindArrivesByteForByte) {
  struct Case {
    const char* kind;
    std::vector<std::string> options;
    std::string shown;
  };
  const std::vector<Case> cases{
      {"stat", {"--full-speed"}, "Тип прибора: КАЛОРА-5-100\n"},
      {"zond", {"--full-speed", "--version", "1.2.3"}, "Версия ПО: 01.02.03\n"},
      {"both", {"--full-speed"}, "Доступные методы: Стационарный; Зонд; \n"},
      {"flow", {"--full-speed"}, "Тип прибора: КАЛОРА-5-Поток\n"},
      {"flow", {"--full-speed", "--restart-after", "5000"}, "100%"},
      {"stat", {"--full-speed", "--restart-after", "0"}, "100%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + (c.options.size() > 1 ? " " + c.options[1] : ""));
    const Outcome o = download(sample(c.kind), c.options);
    EXPECT_EQ(o.run.exit_code, 0) << o.run.err;
    EXPECT_NE(o.run.err.find(c.shown), std::string::npos) << o.run.err;
    EXPECT_EQ(o.image, test::read_bytes(sample(c.kind)));
  }
}

// At the line's own pace, one instrument of each kind (separate tests, so ctest
// runs the two in parallel).
void expect_paced_download(const char* kind) {
  const Outcome o = download(sample(kind), {});
  EXPECT_EQ(o.run.exit_code, 0) << o.run.err;
  EXPECT_NE(o.run.err.find("50%\n"), std::string::npos) << o.run.err;
  EXPECT_EQ(o.image, test::read_bytes(sample(kind)));
}

TEST(DownloadLine, PacedHeatConductivityDumpArrivesByteForByte) { expect_paced_download("both"); }

TEST(DownloadLine, PacedHeatFlowDumpArrivesByteForByte) { expect_paced_download("flow"); }

TEST(DownloadLine, InstrumentOnTheSecondPort) {
  const Outcome o = download(sample("flow"), {"--full-speed"}, true);
  EXPECT_EQ(o.run.exit_code, 0) << o.run.err;
  EXPECT_EQ(o.image, test::read_bytes(sample("flow")));
}

TEST(DownloadLine, RefusalsWriteNoFile) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::string message;
  };
  const std::vector<Case> cases{
      {"silent instrument", {"--silent"}, where_to_choose},
      {"wrong type and subtype",
       {"--full-speed", "--type", "4", "--subtype-char", "3"},
       "Вы подключили не тот прибор !\n"},
      {"a character damaged in both dumps",
       {"--full-speed", "--corrupt-at", "1001"},
       "Данные приняты с искажениями: посторонний символ (код 0x2A) в позиции 1001 из 10314. Повторите приём.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = download(sample("stat"), c.options);
    EXPECT_EQ(o.run.exit_code, 1);
    EXPECT_TRUE(o.run.err.ends_with(c.message)) << o.run.err;
    EXPECT_TRUE(o.image.empty());
  }
  // Damaged once, the dump is asked for again and arrives whole.
  const Outcome o = download(sample("stat"), {"--full-speed", "--corrupt-at", "1001", "--corrupt-dumps", "1"});
  EXPECT_EQ(o.run.exit_code, 0) << o.run.err;
  EXPECT_NE(o.run.err.find("Данные приняты с искажениями, повторный приём ...\n"), std::string::npos) << o.run.err;
  EXPECT_EQ(o.image, test::read_bytes(sample("stat")));
}

// A system of the test's own (KALORA_SYSTEM_ROOT): a USB adapter the system lists,
// its device a link to the simulator's terminal, and no first or second port.
struct SystemWithAnAdapter {
  TempDir root;
  std::string adapter = (root.path() / "dev/ttyUSB0").string();

  explicit SystemWithAnAdapter(const std::string& terminal) {
    namespace fs = std::filesystem;
    const fs::path usb = root.path() / "sys/devices/usb1/1-1";
    fs::create_directories(usb / "1-1:1.0/ttyUSB0");
    fs::create_directories(root.path() / "sys/class/tty/ttyUSB0");
    fs::create_directories(root.path() / "dev");
    fs::create_directory_symlink(usb / "1-1:1.0/ttyUSB0", root.path() / "sys/class/tty/ttyUSB0/device");
    std::ofstream(usb / "idVendor") << "0403\n";
    std::ofstream(usb / "product") << "FT232R USB UART\n";
    std::ofstream(usb / "manufacturer") << "FTDI\n";
    fs::create_symlink(terminal, adapter);
    setenv("KALORA_SYSTEM_ROOT", root.path().c_str(), 1);
  }
  ~SystemWithAnAdapter() { unsetenv("KALORA_SYSTEM_ROOT"); }
};

TEST(DownloadLine, PortListAndTheSearchFindTheAdapter) {
  SimProcess sim({sample("zond"), "--full-speed"});
  ASSERT_FALSE(sim.path().empty());
  SystemWithAnAdapter system(sim.path());
  const test::RunResult ports = test::run_program(KALORA_CLI, {"ports"});
  EXPECT_EQ(ports.exit_code, 0);
  EXPECT_EQ(ports.out, system.adapter + "\tFT232R USB UART, FTDI\n");

  TempDir dir;
  const test::RunResult r = test::run_program(KALORA_CLI, {"download", dir.file("out.bin"), "auto"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string dev = (system.root.path() / "dev").string();
  EXPECT_NE(r.err.find("Поиск прибора: " + dev + "/ttyS0 …\nПоиск прибора: " + dev + "/ttyS1 …\nПоиск прибора: " +
                       system.adapter + " …\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(test::read_bytes(dir.file("out.bin")), test::read_bytes(sample("zond")));
}

TEST(DownloadLine, SearchNamesThePortsAskedWhenNothingAnswers) {
  SimProcess sim({sample("zond"), "--silent"});
  ASSERT_FALSE(sim.path().empty());
  SystemWithAnAdapter system(sim.path());
  TempDir dir;
  const test::RunResult r = test::run_program(KALORA_CLI, {"download", dir.file("out.bin"), "auto"});
  EXPECT_EQ(r.exit_code, 1);
  const std::string dev = (system.root.path() / "dev").string();
  EXPECT_TRUE(r.err.ends_with(no_device + "Опрошены порты: " + dev + "/ttyS0, " + dev + "/ttyS1, " + system.adapter +
                              where_to_choose))
      << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
}

// The simulator gone in the middle of the dump: the download ends at once.
TEST(DownloadLine, DeadLineEndsTheDownload) {
  SimProcess sim({sample("flow")});
  ASSERT_FALSE(sim.path().empty());
  std::thread stop([&sim] {
    usleep(3'000'000);
    sim.terminate();
  });
  TempDir dir;
  const auto start = std::chrono::steady_clock::now();
  const test::RunResult r = test::run_program(KALORA_CLI, {"download", dir.file("out.bin"), sim.path()});
  stop.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(9));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(r.err.ends_with("Связь с прибором прервана. Проверьте кабель и повторите приём.\n")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
}

TEST(DownloadLine, ToolsRefuseWrongUsage) {
  TempDir dir;
  EXPECT_EQ(test::run_program(KALORA_CLI, {"download"}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_CLI, {"download", "a", "b", "c", "d"}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_SIM, {}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_SIM, {sample("stat"), "--restart-after", "x"}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_SIM, {"--make", "other", dir.file("x.bin")}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_SIM, {dir.file("none.bin")}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_SIM, {"--make", "flow", dir.file("none/x.bin")}).exit_code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.bin")));
}

TEST(DownloadLine, SimulatorEndsCleanly) {
  {
    SimProcess sim({sample("stat")});
    ASSERT_FALSE(sim.path().empty());
    sim.terminate();
    EXPECT_TRUE(sim.ended_within(5000));
    EXPECT_EQ(sim.exit_code(), 0);
  }
  {
    SimProcess sim({sample("stat"), "--timeout", "1"});
    ASSERT_FALSE(sim.path().empty());
    EXPECT_TRUE(sim.ended_within(5000));
    EXPECT_EQ(sim.exit_code(), 0);
  }
  {
    TempDir dir;
    SimProcess sim({sample("stat"), "--link", dir.file("port")});
    ASSERT_FALSE(sim.path().empty());
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("port")), sim.path());
    EXPECT_EQ(sim.stop(), 0);  // its input closed
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.file("port"))));
  }
}

}  // namespace
}  // namespace kalora

#endif
