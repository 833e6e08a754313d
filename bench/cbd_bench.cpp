// Capture and restore of a clipboard that holds one 64 MB block of a
// registered format, each beside the least that it has to do:
//
//   CopyWrite  copies the block into a freshly allocated block and writes
//              that to a file: the floor of a capture, which must copy the
//              data out of the clipboard before it writes;
//   Capture    TCoolClipboardComponent::SaveToFile; after each run the file's
//              bytes are checked against the record it must hold;
//   PlainRead  reads a .cbd file of that record into a freshly allocated
//              block: the floor of any restore;
//   ReadCopy   the plain read, then one copy of the record's data into
//              another fresh block: the floor of a restore that loads the
//              whole file before it fills the clipboard's block, as ours
//              does;
//   Restore    TCoolClipboardComponent::LoadFromFile of that file; after each
//              run the clipboard must hold exactly that format and data.
//
// Every operation prepares its own input, and memory comes from the global
// memory allocator on both sides, a fresh block each time, as in the store.
// The rounds of the five operations are interleaved (--rounds=N, default 5)
// and each keeps its best time. The last lines give the ratios, how long
// a capture held the clipboard open and the peak memory of each side. The
// exit status is 1 when a check failed.
#include "bench_support.h"

#include "clipboard/ClipRecord.h"
#include "clipboard/CoolClipboardComponent.h"
#include "platform/sim/simulator.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kBlock = 64u << 20;
const char* const kFormatName = "Stashwell Bench Block";

std::string Scratch(const char* name) {
    return "/tmp/stashwell-bench-" + std::to_string(getpid()) + "-" + name;
}

// Bytes that differ from place to place, so that a shifted or partial copy
// shows.
const std::string& Data() {
    static const std::string data = [] {
        std::string d(kBlock, '\0');
        std::uint32_t x = 2463534242u;
        for (std::size_t i = 0; i < d.size(); i += 4) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            std::memcpy(&d[i], &x, 4);
        }
        return d;
    }();
    return data;
}

// The whole content a capture of the block must write.
const std::string& Record() {
    static const std::string record = [] {
        TMemoryStreamEx stream;
        TClipRecordFormat format;
        format.Named = true;
        format.Name = kFormatName;
        WriteRecord(stream, format, Data().data(), Data().size());
        return std::string(reinterpret_cast<const char*>(stream.Memory()),
                           static_cast<std::size_t>(stream.Size()));
    }();
    return record;
}

// A fresh simulated desktop with the program's application window.
struct Desktop {
    std::unique_ptr<tk::TApplication> application;
    std::unique_ptr<TCoolClipboardComponent> store;
    Desktop() {
        sim::Reset();
        application = std::make_unique<tk::TApplication>();
        application->SetTitle("bench");
        application->Initialize();
        store = std::make_unique<TCoolClipboardComponent>(application.get());
    }
    ~Desktop() {
        store.reset();
        application.reset();
        sim::Reset();
    }
};

void WriteWhole(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

// The file holds exactly `expected`.
bool FileHolds(const std::string& path, const std::string& expected) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string chunk(1 << 20, '\0');
    std::size_t offset = 0;
    bool same = true;
    for (;;) {
        std::size_t n = std::fread(chunk.data(), 1, chunk.size(), f);
        if (n == 0)
            break;
        same = same && offset + n <= expected.size() &&
               std::memcmp(chunk.data(), expected.data() + offset, n) == 0;
        offset += n;
    }
    std::fclose(f);
    return same && offset == expected.size();
}

// The block as the clipboard's own: a movable global memory block.
tk::TGlobalBlock BlockOf(const std::string& bytes) {
    tk::TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    tk::TGlobalLock<char> p(block.Get());
    std::memcpy(p.Get(), bytes.data(), bytes.size());
    return block;
}

void CopyWrite(benchmark::State& state) {
    const std::string file = Scratch("copy.bin");
    tk::TGlobalBlock source = BlockOf(Data());
    for (auto _ : state) {
        tk::TGlobalLock<const char> from(source.Get());
        tk::TGlobalBlock copy(GlobalAlloc(GMEM_MOVEABLE, kBlock));
        tk::TGlobalLock<char> to(copy.Get());
        std::memcpy(to.Get(), from.Get(), kBlock);
        tk::TFileHandle h(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD n = 0;
        bool written = h && WriteFile(h.Get(), to.Get(), static_cast<DWORD>(kBlock), &n, nullptr) &&
                       n == kBlock;
        h.Reset();
        state.PauseTiming();
        if (!written || !FileHolds(file, Data()))
            bench::Fail(state, "the plain copy's file does not hold the data");
        state.ResumeTiming();
    }
    std::remove(file.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

struct Hold {
    double shortest = 1e9, longest = 0;
} hold;

void Capture(benchmark::State& state) {
    Desktop desktop;
    sim::PutClipboard({{0, kFormatName, Data()}});
    const std::string file = Scratch("capture.cbd");
    for (auto _ : state) {
        sim::ResetClipboardHold();
        desktop.store->SaveToFile(file);
        state.PauseTiming();
        double held = sim::LongestClipboardHold();
        hold.shortest = std::min(hold.shortest, held);
        hold.longest = std::max(hold.longest, held);
        if (!FileHolds(file, Record()))
            bench::Fail(state, "the captured file does not hold the clipboard's record");
        std::remove(file.c_str());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

// Reads the whole file into a freshly allocated block.
tk::TGlobalBlock ReadIntoFreshBlock(const std::string& file, bool& read) {
    tk::TFileHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD size = GetFileSize(h.Get(), nullptr);
    tk::TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, size));
    tk::TGlobalLock<char> buffer(block.Get());
    DWORD n = 0;
    read = ReadFile(h.Get(), buffer.Get(), size, &n, nullptr) && n == size;
    return block;
}

bool BlockHolds(const tk::TGlobalBlock& block, const char* bytes, std::size_t size) {
    tk::TGlobalLock<const char> p(block.Get());
    return p && p.Size() == size && std::memcmp(p.Get(), bytes, size) == 0;
}

void PlainRead(benchmark::State& state) {
    const std::string file = Scratch("plain.cbd");
    WriteWhole(file, Record());
    for (auto _ : state) {
        bool read = false;
        tk::TGlobalBlock block = ReadIntoFreshBlock(file, read);
        state.PauseTiming();
        if (!read || !BlockHolds(block, Record().data(), Record().size()))
            bench::Fail(state, "the plain read did not give the file's bytes");
        state.ResumeTiming();
    }
    std::remove(file.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

// The plain read followed by one copy of the record's data into another
// fresh block: the least a restore that loads the whole file first can do.
void ReadCopy(benchmark::State& state) {
    const std::string file = Scratch("readcopy.cbd");
    WriteWhole(file, Record());
    const std::size_t header = Record().size() - kBlock;
    for (auto _ : state) {
        bool read = false;
        tk::TGlobalBlock whole = ReadIntoFreshBlock(file, read);
        tk::TGlobalBlock data(GlobalAlloc(GMEM_MOVEABLE, kBlock));
        {
            tk::TGlobalLock<const char> from(whole.Get());
            tk::TGlobalLock<char> to(data.Get());
            std::memcpy(to.Get(), from.Get() + header, kBlock);
        }
        whole.Reset();
        state.PauseTiming();
        if (!read || !BlockHolds(data, Data().data(), kBlock))
            bench::Fail(state, "the read and copy did not give the record's data");
        state.ResumeTiming();
    }
    std::remove(file.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

bool ClipboardHoldsTheBlock() {
    auto formats = sim::ReadClipboard();
    return formats.size() == 1 && formats[0].name == kFormatName && formats[0].bytes == Data();
}

void Restore(benchmark::State& state) {
    Desktop desktop;
    const std::string file = Scratch("restore.cbd");
    WriteWhole(file, Record());
    for (auto _ : state) {
        desktop.store->LoadFromFile(file);
        state.PauseTiming();
        if (!ClipboardHoldsTheBlock())
            bench::Fail(state, "the restored clipboard does not hold the file's record");
        state.ResumeTiming();
    }
    std::remove(file.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

// Global memory in use at most during one operation, beyond what was in use
// before it.
struct Peaks {
    double capture = 0, restore = 0;
};

Peaks MeasurePeaks() {
    Peaks peaks;
    Desktop desktop;
    sim::PutClipboard({{0, kFormatName, Data()}});
    const std::string file = Scratch("peak.cbd");
    std::size_t before = sim::LiveMemoryBytes();
    sim::ResetPeakMemory();
    desktop.store->SaveToFile(file);
    peaks.capture = static_cast<double>(sim::PeakMemoryBytes() - before) / (1 << 20);
    before = sim::LiveMemoryBytes();
    sim::ResetPeakMemory();
    desktop.store->LoadFromFile(file);
    peaks.restore = static_cast<double>(sim::PeakMemoryBytes() - before) / (1 << 20);
    std::remove(file.c_str());
    return peaks;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = bench::TakeRounds(argc, argv, 5);
    Data();
    Record();
    bench::RegisterRounds({{"CopyWrite", CopyWrite, 2},
                           {"Capture", Capture, 2},
                           {"PlainRead", PlainRead, 2},
                           {"ReadCopy", ReadCopy, 2},
                           {"Restore", Restore, 2}},
                          rounds);
    benchmark::Initialize(&argc, argv);
    bench::BestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    Peaks peaks = MeasurePeaks();
    std::printf("peak global memory beyond what was in use before (data %.0f MB): "
                "capture %.1f MB, restore %.1f MB\n",
                static_cast<double>(kBlock) / (1 << 20), peaks.capture, peaks.restore);
    if (hold.longest > 0)
        std::printf("clipboard held open in one stretch during a capture: %.1f ms best, "
                    "%.1f ms worst\n",
                    hold.shortest * 1e3, hold.longest * 1e3);
    reporter.PrintRatio("capture / copy+write", "Capture", "CopyWrite");
    reporter.PrintRatio("restore / read+copy", "Restore", "ReadCopy");
    reporter.PrintRatio("restore / plain read", "Restore", "PlainRead");
    if (bench::failed()) {
        std::printf("a result check failed\n");
        return 1;
    }
    return 0;
}
