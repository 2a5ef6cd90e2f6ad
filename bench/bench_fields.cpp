// Decoding primitives: round_dec and get_temp over every temperature word.
#include <benchmark/benchmark.h>

#include <array>

#include "decode/fields.h"

static void BM_round_dec(benchmark::State& state) {
  double x = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kalora::round_dec(x, 1));
    x += 0.01;
  }
}
BENCHMARK(BM_round_dec);

static void BM_get_temp_all_words(benchmark::State& state) {
  std::array<std::uint8_t, 2 * 65536> words{};
  for (int w = 0; w < 65536; ++w) {
    words[2 * w] = static_cast<std::uint8_t>(w);
    words[2 * w + 1] = static_cast<std::uint8_t>(w >> 8);
  }
  for (auto _ : state) {
    double sum = 0.0;
    for (std::size_t w = 0; w < 65536; ++w) sum += kalora::get_temp(words, 2 * w);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_get_temp_all_words);

BENCHMARK_MAIN();
