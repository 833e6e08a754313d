// An animator on a visible form, GIFs made for the tests, and the pixels the
// form shows where the animator lies.
#pragma once

#include "gif/JvGIFCtrl.h"
#include "gif/gif_testkit.h"
#include "gif/timer_support.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace animtest {

using giftest::Builder;
using giftest::Bytes;

// The test palette's colours as the surface holds them (0x00RRGGBB).
inline std::uint32_t Rgb(int index) {
    return (std::uint32_t{Builder::R(index)} << 16) | (std::uint32_t{Builder::G(index)} << 8) |
           Builder::B(index);
}

// A screen of `width` x `height`, one full-screen frame per entry of
// `frames`: its colour index (0 to 3) and its delay in hundredths.
inline Bytes Solid(int width, int height, const std::vector<std::pair<int, int>>& frames) {
    Builder gif(width, height);
    for (const auto& [index, delay] : frames) {
        gif.Control(delay);
        gif.Pixels(
            0, 0, width, height,
            Bytes(static_cast<std::size_t>(width) * height, static_cast<std::uint8_t>(index)));
    }
    return gif.Done();
}

// The animator's parent, as the surface holds its colour.
inline constexpr std::uint32_t kFormRgb = 0x203040;

class AnimatorTest : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = new tk::TForm(&App());
        form->SetBounds(0, 0, 640, 240);
        form->SetColor(static_cast<tk::TColor>(RGB(0x20, 0x30, 0x40)));
        animator = new TJvGIFAnimator(form);
        animator->SetBounds(10, 20, 105, 105);
        animator->SetParent(form);
    }
    void TearDown() override {
        tk::Free(form);
        EXPECT_EQ(sim::Waits(), 0) << "a thread outlived its animator";
        AppTest::TearDown();
    }

    void Load(const Bytes& bytes) { giftest::Load(animator->Image(), bytes); }
    void ShowForm() { form->Show(); }

    // The form's client surface after a fresh paint.
    sim::Pixels Surface() { return sim::WindowPixels(form->Handle()); }
    // Pixel (x, y) of the animator's client area, from a fresh paint.
    std::uint32_t At(int x, int y) {
        return Surface().at(animator->Left() + x, animator->Top() + y);
    }
    // The whole w x h area at the animator's top left, row by row.
    std::vector<std::uint32_t> Area(int w, int h) {
        const sim::Pixels s = Surface();
        std::vector<std::uint32_t> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out.push_back(s.at(animator->Left() + x, animator->Top() + y));
        return out;
    }

    tk::TForm* form = nullptr;
    TJvGIFAnimator* animator = nullptr;
};

} // namespace animtest
