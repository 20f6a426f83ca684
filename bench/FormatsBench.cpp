// Converts a full 2 MB log (131,072 records) to each export format, and
// builds a 131,072-point block KML through the XML writer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "formats/BlockTrackDecoder.h"
#include "formats/TrackLogExport.h"
#include "logger/TrackRecord.h"
#include "platform/ProcessTimeZone.h"

namespace {

constexpr int kRecords = 131072;
bool g_trlWritten = false;

const std::string& TrlPath() {
  static const std::string path = [] {
    // One file per run, so two runs at once do not share it.
    const auto file = std::filesystem::temp_directory_path() /
                      ("navrel_bench_" + std::to_string(::getpid()) + ".trl");
    std::FILE* out = std::fopen(file.c_str(), "wb");
    for (int i = 0; i < kRecords; ++i) {
      const TrackRecord r =
          TrackRecord::Make(1165233600u + static_cast<unsigned>(i), 24.9f + i * 1e-5f,
                            121.4f + i * 1e-5f, 100.0f + static_cast<float>(i % 500));
      std::fwrite(r.bytes, 1, sizeof r.bytes, out);
    }
    std::fclose(out);
    g_trlWritten = true;
    return file.string();
  }();
  return path;
}

void BM_Convert(benchmark::State& state) {
  SetProcessTimeZone(8);
  const auto format = static_cast<TrackOutputFormat>(state.range(0));
  const std::string out = CTrackLogExport::MakeOutputFileName(TrlPath(), format);
  for (auto _ : state) {
    if (!CTrackLogExport::ConvertTrlFile(TrlPath(), out, format))
      state.SkipWithError("conversion failed");
  }
  state.SetLabel(format == 0 ? "TXT" : format == 1 ? "KML" : format == 2 ? "NMEA" : "GPX");
  std::filesystem::remove(out);
}
BENCHMARK(BM_Convert)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_BlockKml(benchmark::State& state) {
  SetProcessTimeZone(8);
  BlockPointTables tables;
  BYTE block[512];
  const int blocks = static_cast<int>(state.range(0)) / 32;
  for (int k = 0; k < blocks; ++k) {
    for (int s = 0; s < 32; ++s) {
      const std::uint32_t v[4] = {static_cast<std::uint32_t>(1214000000 + k * 32 + s),
                                  static_cast<std::uint32_t>(249000000 + k), 12345u,
                                  1165233600u + static_cast<std::uint32_t>(k * 32 + s)};
      for (int f = 0; f < 4; ++f)
        for (int b = 0; b < 4; ++b) block[s * 16 + f * 4 + b] = static_cast<BYTE>(v[f] >> (8 * b));
    }
    DecodeBlockRecords(tables, block, kBlockOutputKml, nullptr, blocks * 512, k * 512);
  }
  for (auto _ : state) benchmark::DoNotOptimize(BuildBlockKml(tables));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BlockKml)
    ->RangeMultiplier(4)
    ->Range(8192, kRecords)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_trlWritten) std::filesystem::remove(TrlPath());
  return 0;
}
