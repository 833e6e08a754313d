// Capture and restore of a clipboard holding one 64 MB block, side by side
// with plainly writing and reading a 64 MB file through the same file API.
// After the runs it prints the two ratios and the capture's peak memory.
#include "clipboard/CoolClipboardComponent.h"
#include "platform/sim/simulator.h"
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kBlock = 64u << 20;

std::string Scratch(const char* name) {
    return "/tmp/stashwell-bench-" + std::to_string(getpid()) + "-" + name;
}

struct Desktop {
    tk::TApplication application;
    std::unique_ptr<TCoolClipboardComponent> store;
    std::string data;
    Desktop() : data(kBlock, 'c') {
        sim::Reset();
        application.SetTitle("bench");
        application.Initialize();
        store = std::make_unique<TCoolClipboardComponent>(&application);
        sim::PutClipboard({{CF_WAVE, "", data}});
    }
};

Desktop& desktop() {
    static Desktop d;
    return d;
}

void PlainWrite(benchmark::State& state) {
    auto& data = desktop().data;
    std::string file = Scratch("plain.bin");
    for (auto _ : state) {
        tk::TFileHandle h(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD n = 0;
        WriteFile(h.Get(), data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

void Capture(benchmark::State& state) {
    auto& d = desktop();
    std::string file = Scratch("capture.cbd");
    for (auto _ : state)
        d.store->SaveToFile(file);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

void PlainRead(benchmark::State& state) {
    std::string file = Scratch("plain.bin");
    for (auto _ : state) {
        tk::TFileHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD size = GetFileSize(h.Get(), nullptr);
        // Memory comes from the same allocator that the store uses.
        tk::TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size));
        tk::TGlobalLock<void> buffer(block.Get());
        DWORD n = 0;
        ReadFile(h.Get(), buffer.Get(), size, &n, nullptr);
        benchmark::DoNotOptimize(buffer.Get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

void Restore(benchmark::State& state) {
    auto& d = desktop();
    std::string file = Scratch("capture.cbd");
    for (auto _ : state)
        d.store->LoadFromFile(file);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Capture)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Restore)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            times[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    // --retain-heap: the C library's heap keeps freed memory for reuse
    // instead of returning every large block to the system, so that each
    // iteration does not pay for faulting in 64 MB of fresh pages (very
    // costly in a virtual machine). Both sides of each ratio run the same way.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--retain-heap") == 0) {
            mallopt(M_MMAP_MAX, 0);
            mallopt(M_TRIM_THRESHOLD, 1 << 30);
            std::printf("heap retains freed memory\n");
            argv[i] = const_cast<char*>("--benchmark_color=false");
        }
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    auto& t = collector.times;
    if (t.count("Capture") && t.count("PlainWrite"))
        std::printf("capture / plain write: %.2f\n", t["Capture"] / t["PlainWrite"]);
    if (t.count("Restore") && t.count("PlainRead"))
        std::printf("restore / plain read:  %.2f\n", t["Restore"] / t["PlainRead"]);

    auto& d = desktop();
    std::size_t before = sim::LiveMemoryBytes();
    sim::ResetPeakMemory();
    d.store->SaveToFile(Scratch("capture.cbd"));
    std::printf("capture peak memory beyond the clipboard's own: %.1f MB (data %.1f MB)\n",
                static_cast<double>(sim::PeakMemoryBytes() - before) / (1 << 20),
                static_cast<double>(kBlock) / (1 << 20));
    std::remove(Scratch("capture.cbd").c_str());
    std::remove(Scratch("plain.bin").c_str());
    return 0;
}
