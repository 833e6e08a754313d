// Any bytes through the GIF reader: load, decode every frame, compose every
// frame. Exceptions of the program are fine; crashes, hangs and bad memory
// access are not.
#include "gif/JvGIF.h"
#include "gif/JvGIFCompose.h"
#include "gif/GifLzw.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the tolerance switch, so both settings are explored.
    GIFLoadCorrupted = size == 0 || (data[0] & 1) == 0;
    TJvGIFImage image;
    try {
        tk::TMemoryStream stream;
        if (size > 1)
            stream.WriteBuffer(data + 1, size - 1);
        stream.SetPosition(0);
        image.ReadFromStream(stream);
    } catch (const tk::Exception&) {
    }
    // Frames are decoded up to a budget of pixels: a few bytes can claim
    // hundreds of frames of millions of pixels each, which only slows the
    // search down.
    std::uint64_t budget = std::uint64_t{1} << 24;
    bool skipped = false;
    for (int i = 0; i < image.Count(); ++i) {
        TJvGIFFrame& frame = image.Frames(i);
        const std::uint64_t area = static_cast<std::uint64_t>(frame.Width()) * frame.Height();
        if (!frame.Decoded() && area > budget) {
            skipped = true;
            continue;
        }
        budget -= std::min(budget, area);
        try {
            const TGIFDib& dib = frame.Bitmap();
            // The fast decoder and the plain chain walk must agree.
            if (static_cast<std::uint64_t>(dib.Width()) * dib.Height() <= (1u << 20)) {
                TGIFDib plain(dib.Width(), dib.Height(), dib.BitCount());
                const TGIFItem& item = frame.Item();
                GIFDecodeLZWByChains(item.ZipData.data(), item.ZipData.size(), item.BitsPerPixel,
                                     frame.Interlaced(), true, plain);
                for (int y = 0; y < dib.Height(); ++y)
                    if (std::memcmp(dib.ScanLine(y), plain.ScanLine(y), dib.RowStride()) != 0)
                        __builtin_trap();
            }
        } catch (const tk::Exception&) {
        }
    }
    // Composition fills the whole screen every time; very large screens only
    // slow the search down without reaching new code.
    if (!skipped &&
        static_cast<std::uint64_t>(image.ScreenWidth()) * image.ScreenHeight() <= (1u << 20)) {
        TJvGIFComposer composer(image);
        for (int i = 0; i < image.Count(); ++i) {
            try {
                composer.Compose(i, RGB(255, 255, 255), (i & 1) != 0);
            } catch (const tk::Exception&) {
            }
        }
        // And once more out of order, which rebuilds from the start frame.
        for (int i = image.Count() - 1; i >= 0; i -= 2) {
            try {
                composer.Compose(i, RGB(255, 255, 255), false);
            } catch (const tk::Exception&) {
            }
        }
    }
    GIFLoadCorrupted = true;
    return 0;
}
