// Inputs that once made the decoder fail badly (kept from fuzzing): each must
// load, decode and compose, or fail with an exception, and nothing else.
#include "gif/JvGIFCompose.h"
#include "gif_testkit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace giftest;

TEST(GifCrashes, KeptInputsFailCleanly) {
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
        try {
            Load(image, bytes);
        } catch (const tk::Exception&) {
        }
        for (int i = 0; i < image.Count(); ++i) {
            try {
                composer.Compose(i, RGB(255, 255, 255), true);
            } catch (const tk::Exception&) {
            }
        }
        ++count;
    }
    EXPECT_GT(count, 0);
}
