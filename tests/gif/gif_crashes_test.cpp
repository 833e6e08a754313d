// Inputs that once made the decoder fail badly (kept from fuzzing): each must
// load, decode and compose, or end in one of the reader's own errors, and
// nothing else.
#include "gif/GifError.h"
#include "gif/JvGIFCompose.h"
#include "gif_testkit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

using namespace giftest;

namespace {

// The reader's and decoder's own failures: the file's faults, and the
// limits on what a picture may claim.
bool IsReaderError(const std::string& message) {
    static const std::regex extension("Unrecognized extension block: [0-9a-f]{2}");
    for (const char* known : {SGIFVersion, SGIFReadError, SGIFWrongColors, SGIFCodeSize,
                              SGIFDecodeError, "Out of memory"})
        if (message == known)
            return true;
    return std::regex_match(message, extension);
}

// Runs one step; "" when it went through, otherwise the message it ended in.
template <typename Step> std::string Outcome(Step step) {
    try {
        step();
    } catch (const tk::Exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(GifCrashes, KeptInputsLoadOrEndInTheReadersOwnErrors) {
    const auto folder = DataDir() / "crashes";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        TJvGIFImage image;
        TJvGIFComposer composer(image);
        const std::string load = Outcome([&] { Load(image, bytes); });
        EXPECT_TRUE(load.empty() || IsReaderError(load)) << "load: " << load;
        for (int i = 0; i < image.Count(); ++i) {
            const std::string frame = Outcome([&] { image.Frames(i).Bitmap(); });
            EXPECT_TRUE(frame.empty() || IsReaderError(frame)) << "frame " << i << ": " << frame;
            const std::string composed =
                Outcome([&] { composer.Compose(i, RGB(255, 255, 255), true); });
            EXPECT_TRUE(composed.empty() || IsReaderError(composed))
                << "composed " << i << ": " << composed;
        }
        ++count;
    }
    EXPECT_GT(count, 0);
}
