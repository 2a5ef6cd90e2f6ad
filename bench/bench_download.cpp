// The download: a full paced heat-flow dump over a pseudo-terminal (kalora-cli
// against kalora-sim) against the line's own time, and the state machine's own
// cost for the same dump in the line's 44-character chunks.
#include <benchmark/benchmark.h>

#include <chrono>

#include "device/download_fakes.h"
#include "device/sample_images.h"
#include "device/sim_instrument.h"
#include "device/sim_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using namespace kalora;

// 'S', 6665 bytes as 13330 characters, 'P' and the nine-character reply before it.
constexpr double line_seconds = (13332 + 2) * 11 / 9600.0;

void BM_paced_download_13332(benchmark::State& state) {
  const std::string image = std::string(KALORA_SAMPLES) + "/flow.bin";
  for (auto _ : state) {
    test::SimProcess sim({image});
    test::TempDir dir;
    const auto start = std::chrono::steady_clock::now();
    const test::RunResult r =
        test::run_program(KALORA_CLI, {"download", dir.file("out.bin"), sim.path(), "/nonexistent"});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r.exit_code != 0 || test::read_bytes(dir.file("out.bin")) != test::read_bytes(image)) {
      state.SkipWithError("the download failed");
      break;
    }
    state.SetIterationTime(seconds);
    state.counters["line_s"] = line_seconds;
    state.counters["over_line_s"] = seconds - line_seconds;
  }
}
BENCHMARK(BM_paced_download_13332)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_state_machine_13332(benchmark::State& state) {
  const std::vector<std::uint8_t> image = make_sample_image(SampleKind::flow);
  SimInstrument sim(image, {});
  const std::string reply = sim.identification();
  const std::string stream = sim.dump_stream();
  for (auto _ : state) {
    test::Bench b;
    b.download.open();
    b.feed(reply);
    b.feed_in_chunks(stream, 44);
    benchmark::DoNotOptimize(b.state.flash[9]);
  }
}
BENCHMARK(BM_state_machine_13332)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
