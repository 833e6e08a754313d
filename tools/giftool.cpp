// giftool: decodes a GIF file the way the banner does and writes every
// frame's own bitmap and the picture the animator shows for it as PPM files.
//
//   giftool FILE OUTDIR
//
// One line per frame on standard output; OUTDIR/frame-<i>.ppm holds the
// frame's bitmap, OUTDIR/composed-<i>.ppm the composed picture for frame i
// (opaque, over the system window colour).
#include "gif/JvGIF.h"
#include "gif/JvGIFCompose.h"
#include "platform/win32.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool writePPM(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& rgb) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<std::uint8_t> frameRGB(const TGIFDib& dib) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(dib.Width()) * dib.Height() * 3);
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) {
            const std::uint32_t p = dib.PixelRGB(x, y);
            rgb.push_back(static_cast<std::uint8_t>(p >> 16));
            rgb.push_back(static_cast<std::uint8_t>(p >> 8));
            rgb.push_back(static_cast<std::uint8_t>(p));
        }
    return rgb;
}

std::vector<std::uint8_t> pictureRGB(const TGIFPicture& picture) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(picture.Pixels.size() * 3);
    for (std::uint32_t p : picture.Pixels) {
        rgb.push_back(static_cast<std::uint8_t>(p >> 16));
        rgb.push_back(static_cast<std::uint8_t>(p >> 8));
        rgb.push_back(static_cast<std::uint8_t>(p));
    }
    return rgb;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: giftool FILE OUTDIR\n", stderr);
        return 2;
    }
    const std::string outDir = argv[2];
    try {
        TJvGIFImage image;
        image.LoadFromFile(argv[1]);
        std::error_code error;
        std::filesystem::create_directories(outDir, error);

        // The animator's picture is opaque (Transparent false) and lies on
        // the window colour.
        const COLORREF window = GetSysColor(COLOR_WINDOW);
        TJvGIFComposer composer(image);
        int status = 0;
        for (int i = 0; i < image.Count(); ++i) {
            TJvGIFFrame& frame = image.Frames(i);
            const TGIFDib& dib = frame.Bitmap();
            std::string transparent = "none";
            if (frame.TransparentColor()) {
                const COLORREF c = *frame.TransparentColor();
                char text[8];
                std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(c), GetGValue(c),
                              GetBValue(c));
                transparent = text;
            }
            std::printf("frame %d %dx%d at %ld,%ld delay %d disposal %d transparent %s "
                        "interlaced %d corrupted %d\n",
                        i, frame.Width(), frame.Height(), static_cast<long>(frame.Origin().x),
                        static_cast<long>(frame.Origin().y), frame.AnimateInterval(),
                        frame.DisposalMethod(), transparent.c_str(), frame.Interlaced() ? 1 : 0,
                        frame.Corrupted() ? 1 : 0);
            const std::string prefix = outDir + "/";
            if (!writePPM(prefix + "frame-" + std::to_string(i) + ".ppm", dib.Width(), dib.Height(),
                          frameRGB(dib)))
                status = 1;
            const TGIFPicture& picture = composer.Compose(i, window, false);
            if (!writePPM(prefix + "composed-" + std::to_string(i) + ".ppm", picture.Width,
                          picture.Height, pictureRGB(picture)))
                status = 1;
        }
        if (status != 0)
            std::fprintf(stderr, "giftool: cannot write to %s\n", outDir.c_str());
        return status;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "giftool: %s\n", e.what());
        return 1;
    }
}
