// Decoding one large animated GIF with our decoder and with giflib, in the
// same run; prints how many times faster ours is (above 1: faster).
//
// The GIF is made with ImageMagick at the first run and kept in the
// temporary folder (or give a file as STASHWELL_GIF_BENCH_FILE).
#include "gif/JvGIF.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#if __has_include(<gif_lib.h>)
#include <gif_lib.h>
#define HAVE_GIFLIB 1
#endif

namespace {

std::vector<std::uint8_t> benchFile() {
    static std::vector<std::uint8_t> bytes = [] {
        std::filesystem::path path;
        if (const char* given = std::getenv("STASHWELL_GIF_BENCH_FILE")) {
            path = given;
        } else {
            path = std::filesystem::temp_directory_path() / "stashwell-gif-bench-v1.gif";
            if (!std::filesystem::exists(path)) {
                // 12 frames of 640 by 400 in 256 colours: smooth areas (long
                // codes) and noise (short ones), one frame interlaced.
                const std::string tmp = path.string() + ".tmp.gif";
                const std::string command =
                    "convert -seed 5 -size 640x400 plasma:fractal -duplicate 5 "
                    "\\( -size 640x400 xc:gray +noise Random \\) -duplicate 5 "
                    "+dither -colors 256 -delay 10 -loop 0 '" +
                    tmp + "' && mv '" + tmp + "' '" + path.string() + "'";
                if (std::system(command.c_str()) != 0) {
                    std::fprintf(stderr, "cannot make the bench GIF (ImageMagick missing?)\n");
                    std::exit(1);
                }
            }
        }
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
    }();
    return bytes;
}

void BM_Ours(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = benchFile();
    std::int64_t pixels = 0;
    tk::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    for (auto _ : state) {
        stream.SetPosition(0);
        TJvGIFImage image;
        image.ReadFromStream(stream);
        for (int i = 0; i < image.Count(); ++i) {
            const TGIFDib& dib = image.Frames(i).Bitmap();
            pixels += static_cast<std::int64_t>(dib.Width()) * dib.Height();
            benchmark::DoNotOptimize(dib.Bits());
        }
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Ours)->Unit(benchmark::kMillisecond);

#if defined(HAVE_GIFLIB)
struct Source {
    const std::vector<std::uint8_t>* bytes;
    std::size_t pos;
};

int readMemory(GifFileType* gif, GifByteType* buffer, int count) {
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), source->bytes->size() - source->pos);
    std::copy_n(source->bytes->data() + source->pos, n, buffer);
    source->pos += n;
    return static_cast<int>(n);
}

void BM_Giflib(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = benchFile();
    std::int64_t pixels = 0;
    for (auto _ : state) {
        Source source{&bytes, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&source, readMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib cannot read the file");
            break;
        }
        for (int i = 0; i < gif->ImageCount; ++i) {
            pixels += static_cast<std::int64_t>(gif->SavedImages[i].ImageDesc.Width) *
                      gif->SavedImages[i].ImageDesc.Height;
            benchmark::DoNotOptimize(gif->SavedImages[i].RasterBits);
        }
        DGifCloseFile(gif, &error);
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Giflib)->Unit(benchmark::kMillisecond);
#endif

// Keeps the times per iteration of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(1) ? OO_ColorTabular : OO_Tabular) {}
    struct Times {
        double real = 0, cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        // Plain runs, or the median when there are repetitions.
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && run.iterations > 0 &&
                (median || !medians.count(run.run_name.function_name))) {
                perIteration[run.run_name.function_name] = {
                    run.real_accumulated_time / static_cast<double>(run.iterations),
                    run.cpu_accumulated_time / static_cast<double>(run.iterations)};
                if (median)
                    medians.insert(run.run_name.function_name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> perIteration;
    std::set<std::string> medians;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("bench file: %zu bytes\n", benchFile().size());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ours = reporter.perIteration.find("BM_Ours");
    const auto theirs = reporter.perIteration.find("BM_Giflib");
    if (ours != reporter.perIteration.end() && theirs != reporter.perIteration.end())
        std::printf("giflib time / our time: %.2f in CPU time, %.2f in real time "
                    "(above 1: ours is faster)\n",
                    theirs->second.cpu / ours->second.cpu, theirs->second.real / ours->second.real);
    benchmark::Shutdown();
    return 0;
}
