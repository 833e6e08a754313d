// Glyphs and captions: a menu item's image drawn by its menu on the item's own
// background (the highlight too) and greyed while the item is disabled; a
// tool button's glyph greyed while disabled and its "&" drawn as the
// accelerator's underline.
#include "support/sim_fixture.h"
#include "toolkit/ActnList.h"
#include "toolkit/Buttons.h"
#include "toolkit/ImgList.h"
#include "toolkit/Menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tk;

namespace {

std::uint32_t Pixel(TColor color) {
    COLORREF c = ColorToRGB(color);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

bool Colourful(std::uint32_t p) {
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return std::max({r, g, b}) - std::min({r, g, b}) > 60;
}

class Glyphs : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = App().CreateForm<TForm>();
        form->SetBounds(100, 100, 300, 200);
        images = new TImageList(form);
        images->LoadFromResourceName(GetModuleHandleA(nullptr), "MAIN_IMAGES", clFuchsia);
        actions = new TActionList(form);
        actions->Images = images;
        open = new TAction(form);
        open->SetCaption("&Open");
        open->SetImageIndex(7);
        open->SetActionList(actions);
        menu = new TMainMenu(form);
        menu->Images = images;
        auto* file = new TMenuItem(form);
        file->SetCaption("File");
        menu->Items()->Add(file);
        item = new TMenuItem(form);
        item->SetAction(open);
        file->Add(item);
        form->SetMenu(menu);
        form->Show();
        App().ProcessMessages();
    }

    // The platform draws a menu item's background, then asks the menu's
    // window for the image in the rectangle it keeps for it.
    void DrawItem(TBitmap& surface, UINT state, TColor background) {
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemID = item->Command();
        EXPECT_TRUE(
            SendMessageA(form->Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
        EXPECT_EQ(measure.itemWidth, 16u);
        EXPECT_EQ(measure.itemHeight, 16u);
        surface.SetSize(20, 20);
        surface.Canvas().Brush.SetColor(background);
        surface.Canvas().FillRect(RECT{0, 0, 20, 20});
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = item->Command();
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = state;
        draw.hDC = surface.Canvas().Handle();
        draw.rcItem = RECT{2, 2, 18, 18};
        EXPECT_TRUE(SendMessageA(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    }

    TForm* form = nullptr;
    TImageList* images = nullptr;
    TActionList* actions = nullptr;
    TAction* open = nullptr;
    TMainMenu* menu = nullptr;
    TMenuItem* item = nullptr;
};

TEST_F(Glyphs, AMenuItemsImageIsDrawnByTheMenuOnTheItemsOwnBackground) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_BITMAP;
    ASSERT_TRUE(GetMenuItemInfoA(GetMenu(form->Handle()), item->Command(), FALSE, &info));
    EXPECT_EQ(info.hbmpItem, HBMMENU_CALLBACK);

    TBitmap strip;
    strip.LoadFromResourceName(GetModuleHandleA(nullptr), "MAIN_IMAGES");
    for (TColor background : {clMenu, clHighlight}) {
        TBitmap drawn;
        DrawItem(drawn, background == clHighlight ? ODS_SELECTED : 0, background);
        int shape = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                std::uint32_t source = strip.ScanLine(y)[7 * 16 + x] & 0xFFFFFF;
                std::uint32_t pixel = drawn.ScanLine(2 + y)[2 + x] & 0xFFFFFF;
                if (source == 0xFF00FF) {
                    EXPECT_EQ(pixel, Pixel(background)) << x << "," << y;
                } else {
                    EXPECT_EQ(pixel, source) << x << "," << y;
                    ++shape;
                }
            }
        EXPECT_GT(shape, 20);
        EXPECT_EQ(drawn.ScanLine(0)[0] & 0xFFFFFF, Pixel(background));
    }
}

TEST_F(Glyphs, ADisabledMenuItemsImageIsGreyed) {
    open->SetEnabled(false);
    for (UINT state : {UINT(ODS_GRAYED | ODS_DISABLED), UINT(ODS_GRAYED | ODS_SELECTED)}) {
        TBitmap drawn;
        DrawItem(drawn, state, clMenu);
        int grey = 0;
        for (int y = 2; y < 19; ++y)
            for (int x = 2; x < 19; ++x) {
                std::uint32_t pixel = drawn.ScanLine(y)[x] & 0xFFFFFF;
                EXPECT_FALSE(Colourful(pixel)) << x << "," << y;
                grey += pixel == Pixel(clBtnShadow);
            }
        EXPECT_GT(grey, 20);
    }
}

TEST_F(Glyphs, ToolButtonsGreyTheirGlyphAndUnderlineTheirAccelerator) {
    auto* button = new TSpeedButton(form);
    button->SetBounds(0, 0, 60, 22);
    button->SetAction(open);
    button->SetParent(form);
    auto colourful = [&] {
        sim::Pixels pixels = sim::WindowPixels(form->Handle());
        int count = 0;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 60; ++x)
                count += Colourful(pixels.at(x, y));
        return count;
    };
    EXPECT_GT(colourful(), 20);
    open->SetEnabled(false);
    EXPECT_EQ(colourful(), 0);

    // "&Open" is drawn as "Open" with its "O" underlined: the ink of "Open"
    // in the same place, and one row more below it, as wide as a letter.
    open->SetEnabled(true);
    auto ink = [&](const std::string& caption) {
        open->SetCaption(caption);
        sim::Pixels pixels = sim::WindowPixels(form->Handle());
        std::set<std::pair<int, int>> points;
        for (int y = 0; y < 22; ++y)
            for (int x = 24; x < 60; ++x) // right of the glyph
                if (pixels.at(x, y) == Pixel(clBtnText))
                    points.insert({x, y});
        return points;
    };
    auto plain = ink("Open");
    auto marked = ink("&Open");
    ASSERT_GT(plain.size(), 20u);
    for (auto point : plain)
        EXPECT_TRUE(marked.count(point)) << point.first << "," << point.second;
    std::set<int> extraRows;
    int extra = 0;
    for (auto point : marked)
        if (!plain.count(point)) {
            ++extra;
            extraRows.insert(point.second);
        }
    EXPECT_EQ(extraRows.size(), 1u);
    EXPECT_GE(extra, 3);
    EXPECT_LE(extra, 10);
}

} // namespace
