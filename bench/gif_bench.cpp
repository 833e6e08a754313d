// Decoding a large animation with our decoder and with giflib, side by side.
//
// The animation is made by make_gif_bench.sh with ImageMagick at the first
// run and kept in the temporary folder (or given as STASHWELL_GIF_BENCH_FILE).
// It holds 304 frames on a 480 by 270 screen: three scenes of 101 frames of
// a moving sprite and a noisy ticker over smooth backgrounds, which
// ImageMagick optimises into 300 partial frames, 302 of them with a
// transparent colour, disposal "leave" for 299 and "restore to previous" for
// 5, and one full-screen interlaced frame; the script says how it is made.
// Before anything is timed the file is checked to hold that mix, and every
// frame that our decoder gives is compared pixel for pixel (palette index
// and colour) with giflib's.
// Both sides decode every frame from the file's bytes in memory into memory
// of their own that each iteration allocates afresh: giflib one raster per
// frame, ours the frame bitmaps and the frames' compressed data. Where the
// first touch of fresh memory is dear (in a virtual machine it may cost more
// than decoding into it), that cost weighs on both; running with
// GLIBC_TUNABLES=glibc.malloc.trim_threshold=536870912:glibc.malloc.mmap_threshold=67108864
// lets both reuse the memory freed by the iteration before, and leaves the
// decoding alone.
// The last line gives how many times faster ours is; the exit status is 1
// when a check failed.
#include "bench_support.h"

#include "gif/JvGIF.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gif_lib.h>

namespace {

std::vector<std::uint8_t> load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

const std::vector<std::uint8_t>& BenchFile() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::filesystem::path path;
        if (const char* given = std::getenv("STASHWELL_GIF_BENCH_FILE")) {
            path = given;
        } else {
            path = std::filesystem::temp_directory_path() / "stashwell-gif-bench-v2.gif";
            if (!std::filesystem::exists(path)) {
                std::printf("making %s with ImageMagick (takes a while)\n", path.c_str());
                std::fflush(stdout);
                const std::string command = std::string("sh '") + STASHWELL_BENCH_DIR +
                                            "/make_gif_bench.sh' '" + path.string() + "'";
                if (std::system(command.c_str()) != 0) {
                    std::fprintf(stderr, "cannot make the bench GIF (ImageMagick missing?)\n");
                    std::exit(1);
                }
            }
        }
        return load(path);
    }();
    return bytes;
}

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

struct Giflib {
    GifFileType* gif = nullptr;
    Source source;
    explicit Giflib(const std::vector<std::uint8_t>& bytes) : source{&bytes, 0} {
        int error = 0;
        gif = DGifOpen(&source, readMemory, &error);
        if (gif && DGifSlurp(gif) != GIF_OK) {
            DGifCloseFile(gif, &error);
            gif = nullptr;
        }
    }
    ~Giflib() {
        int error = 0;
        if (gif)
            DGifCloseFile(gif, &error);
    }
};

TJvGIFImage& decodeAll(TJvGIFImage& image, tk::TMemoryStream& stream) {
    stream.SetPosition(0);
    image.ReadFromStream(stream);
    for (int i = 0; i < image.Count(); ++i)
        benchmark::DoNotOptimize(image.Frames(i).Bitmap().Bits());
    return image;
}

// The file holds the mix the comment above promises, and our frames equal
// giflib's. Prints what the file holds.
bool Check() {
    const auto& bytes = BenchFile();
    Giflib theirs(bytes);
    if (!theirs.gif) {
        std::fprintf(stderr, "CHECK FAILED: giflib cannot read the bench file\n");
        return false;
    }
    GifFileType* gif = theirs.gif;
    int partial = 0, transparent = 0, interlaced = 0, disposals[8] = {};
    for (int i = 0; i < gif->ImageCount; ++i) {
        const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
        partial += d.Width < gif->SWidth || d.Height < gif->SHeight;
        interlaced += d.Interlace;
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
            transparent += gcb.TransparentColor != NO_TRANSPARENT_COLOR;
            ++disposals[gcb.DisposalMode & 7];
        }
    }
    std::printf("bench file: %zu bytes, %d frames on %dx%d: %d partial, %d with transparency, "
                "%d interlaced; disposal 0/1/2/3: %d/%d/%d/%d\n",
                bytes.size(), gif->ImageCount, gif->SWidth, gif->SHeight, partial, transparent,
                interlaced, disposals[0], disposals[1], disposals[2], disposals[3]);
    int kinds = (disposals[0] > 0) + (disposals[1] > 0) + (disposals[2] > 0) + (disposals[3] > 0);
    if (gif->ImageCount < 200 || partial < 100 || transparent < 100 || interlaced != 1 ||
        kinds < 2) {
        std::fprintf(stderr, "CHECK FAILED: the bench file is not the large animation it should "
                             "be (delete it to have it made again)\n");
        return false;
    }

    tk::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    TJvGIFImage image;
    decodeAll(image, stream);
    if (image.Count() != gif->ImageCount) {
        std::fprintf(stderr, "CHECK FAILED: %d frames, giflib reads %d\n", image.Count(),
                     gif->ImageCount);
        return false;
    }
    long long bad = 0;
    for (int i = 0; i < image.Count(); ++i) {
        TJvGIFFrame& frame = image.Frames(i);
        const SavedImage& saved = gif->SavedImages[i];
        const GifImageDesc& d = saved.ImageDesc;
        const TGIFDib& dib = frame.Bitmap();
        if (dib.Width() != d.Width || dib.Height() != d.Height || frame.Origin().x != d.Left ||
            frame.Origin().y != d.Top || frame.Interlaced() != d.Interlace) {
            std::fprintf(stderr, "CHECK FAILED: frame %d: size, place or interlace differ\n", i);
            return false;
        }
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = saved.RasterBits[y * d.Width + x];
                const GifColorType c = map->Colors[index];
                const std::uint32_t rgb = (static_cast<std::uint32_t>(c.Red) << 16) |
                                          (static_cast<std::uint32_t>(c.Green) << 8) | c.Blue;
                bad += dib.PixelIndex(x, y) != index || dib.PixelRGB(x, y) != rgb;
            }
    }
    if (bad) {
        std::fprintf(stderr, "CHECK FAILED: %lld pixels differ from giflib's\n", bad);
        return false;
    }
    std::printf("every frame equals giflib's, pixel for pixel\n");
    return true;
}

void Ours(benchmark::State& state) {
    const auto& bytes = BenchFile();
    tk::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    for (auto _ : state) {
        TJvGIFImage image;
        if (decodeAll(image, stream).Count() == 0)
            bench::Fail(state, "no frame decoded");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void Theirs(benchmark::State& state) {
    const auto& bytes = BenchFile();
    for (auto _ : state) {
        Giflib theirs(bytes);
        if (!theirs.gif || theirs.gif->ImageCount == 0)
            bench::Fail(state, "giflib cannot read the file");
        else
            benchmark::DoNotOptimize(theirs.gif->SavedImages[0].RasterBits);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = bench::TakeRounds(argc, argv, 5);
    if (!Check()) {
        std::printf("a result check failed\n");
        return 1;
    }
    bench::RegisterRounds({{"Ours", Ours, 5}, {"Giflib", Theirs, 5}}, rounds);
    benchmark::Initialize(&argc, argv);
    bench::BestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintRatio("giflib time / our time (above 1: ours is faster)", "Giflib", "Ours");
    if (bench::failed()) {
        std::printf("a result check failed\n");
        return 1;
    }
    return 0;
}
