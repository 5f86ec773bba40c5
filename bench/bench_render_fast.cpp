// Reference synthesis and fast synthesis side by side: the worst case, a sparse model and the start
// model, per kernel and thread count, and the memory a long run of renders leaves behind.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/render.h"
#include "model/render_fast.h"
#include "model/tmodele.h"
#include "tests/models/sample_models.h"

namespace {


// The worst case with only ten of its harmonics, of ranks spread over 5..50: Horner's rule skips
// the silent ranks.
std::unique_ptr<tmodele> SparseModel()
{
    auto model = MakeWorstCaseModel();
    const int ranks[] = {5, 9, 14, 20, 27, 33, 38, 42, 47, 50};
    std::vector<tharmonique> kept;
    for (int rank : ranks)
        kept.push_back(model->Harmonics[std::size_t(rank - 1)]);
    model->Harmonics = kept;
    return model;
}

void Reference(benchmark::State& state, std::unique_ptr<tmodele> (*make)())
{
    const auto model = make();
    std::vector<std::uint8_t> out(model->SampleCount() * 2);
    for (auto _ : state) {
        RenderReference(*model, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

void Fast(benchmark::State& state, std::unique_ptr<tmodele> (*make)(), RenderIsa isa, unsigned threads)
{
    const auto model = make();
    std::vector<std::uint8_t> out(model->SampleCount() * 2);
    RenderFastReport report;
    for (auto _ : state) {
        report = RenderFast(*model, out.data(), {threads, isa});
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["threads"] = report.threads;
    state.counters["recomputed"] = double(report.recomputedSamples);
    state.counters["bound"] = report.bound;
    state.counters["sparse"] = report.sparseSegments;
}

// What the program calls: tmodele::Render, buffer allocation included, kernel and threads chosen
// by the renderer.
void ModelRender(benchmark::State& state, std::unique_ptr<tmodele> (*make)())
{
    const auto model = make();
    for (auto _ : state)
        model->Render();
}

// The fastest of the repetitions: the machine's other work only ever adds time.
double Min(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

long ResidentKilobytes()
{
    long kilobytes = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmRSS: %ld", &kilobytes) == 1)
                break;
        std::fclose(status);
    }
    return kilobytes;
}

// 5,000 renders of models of changing durations, as edits do: the resident size may grow while
// the first thousand warms the allocator up, never after.
void RepeatedRenders(benchmark::State& state)
{
    const auto model = MakeWorstCaseModel();
    auto edits = [&model] {
        for (int edit = 0; edit < 1000; ++edit) {
            model->Duration = std::uint16_t(1 + edit % 40);  // tenths
            model->Render();
        }
    };
    long firstThousand = 0, lastThousand = 0;
    for (auto _ : state) {
        const long start = ResidentKilobytes();
        edits();
        const long afterFirst = ResidentKilobytes();
        for (int thousand = 2; thousand <= 4; ++thousand)
            edits();
        const long beforeLast = ResidentKilobytes();
        edits();
        firstThousand = afterFirst - start;
        lastThousand = ResidentKilobytes() - beforeLast;
    }
    state.counters["rss_first_1000_kB"] = double(firstThousand);
    state.counters["rss_last_1000_kB"] = double(lastThousand);
}

}  // namespace

int main(int argc, char** argv)
{
    struct Case {
        const char* name;
        std::unique_ptr<tmodele> (*make)();
        benchmark::TimeUnit unit;
    };
    for (const Case& c : {Case{"WorstCase", [] { return MakeWorstCaseModel(); }, benchmark::kMillisecond},
                          Case{"SparseRanks", &SparseModel, benchmark::kMillisecond},
                          Case{"StartModel", &MakeStartModel, benchmark::kMicrosecond}}) {
        const std::string name = c.name;
        benchmark::RegisterBenchmark(("Reference/" + name).c_str(), Reference, c.make)
            ->Unit(c.unit)
            ->MinTime(2)
            ->UseRealTime()
            ->ComputeStatistics("min", Min);
        // Every kernel this processor has, on one thread and on two.
        for (RenderIsa isa : {RenderIsa::Avx512, RenderIsa::Avx2, RenderIsa::Sse2}) {
            if (!RenderIsaSupported(isa))
                continue;
            for (unsigned threads : {1u, 2u})
                benchmark::RegisterBenchmark(
                    ("Fast/" + name + "/" + RenderIsaName(isa) + "/threads:" + std::to_string(threads))
                        .c_str(),
                    Fast, c.make, isa, threads)
                    ->Unit(c.unit)
                    ->UseRealTime()
                    ->ComputeStatistics("min", Min);
        }
        benchmark::RegisterBenchmark(("ModelRender/" + name).c_str(), ModelRender, c.make)
            ->Unit(c.unit)
            ->UseRealTime()
            ->ComputeStatistics("min", Min);
    }
    benchmark::RegisterBenchmark("RepeatedRenders", RepeatedRenders)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
