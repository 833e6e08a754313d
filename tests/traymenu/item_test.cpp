// The menu's items: how a highlighted command looks, the mouse's
// selection, disabled commands, clicks, the action binding and the parent
// an item insists on.
#include "menu_fixture.h"

using namespace tk;
using testing_support::MenuTest;
using testing_support::PixelOf;

namespace {

// A pixel of an item, in the item's own coordinates.
std::uint32_t ItemPixel(const sim::Pixels& pixels, const TControl* item, int x, int y) {
    return pixels.at(item->Left() + x, item->Top() + y);
}

int CountInItem(const sim::Pixels& pixels, const TControl* item, std::uint32_t colour) {
    int count = 0;
    for (int y = 0; y < item->Height(); ++y)
        for (int x = 0; x < item->Width(); ++x)
            count += ItemPixel(pixels, item, x, y) == colour;
    return count;
}

} // namespace

TEST_F(MenuTest, TheBarStartsRightOfTheImageColumnAndTheImageGetsARaisedFrame) {
    ASSERT_NE(PixelOf(clMenu), PixelOf(clBtnHighlight));
    Open();
    TCoolItem* open = menu->CoolItem20001;
    int column = menu->Maxima().ImageWidth + 2 * menu->Maxima().ImageSpacing;
    ASSERT_EQ(column, 24);
    sim::Pixels plain = sim::WindowPixels(menu->Handle());
    EXPECT_EQ(ItemPixel(plain, open, 3, 9), PixelOf(clMenu)); // no frame
    EXPECT_EQ(ItemPixel(plain, open, 30, 0), PixelOf(clMenu));

    open->Perform(CM_SELECTITEM);
    sim::Pixels lit = sim::WindowPixels(menu->Handle());
    EXPECT_EQ(ItemPixel(lit, open, 1, 9), PixelOf(clMenu)); // the column keeps the menu's colour
    EXPECT_EQ(ItemPixel(lit, open, column - 1, 0), PixelOf(clMenu));
    EXPECT_EQ(ItemPixel(lit, open, column, 0), PixelOf(clHighlight));
    EXPECT_EQ(ItemPixel(lit, open, open->Width() - 1, open->Height() - 1), PixelOf(clHighlight));
    // The frame one pixel around the 16 x 16 image at (4, 1): light at the
    // top left, shadow at the bottom right; the image inside it.
    EXPECT_EQ(ItemPixel(lit, open, 3, 9), PixelOf(clBtnHighlight));
    EXPECT_EQ(ItemPixel(lit, open, 10, 0), PixelOf(clBtnHighlight));
    EXPECT_EQ(ItemPixel(lit, open, 20, 9), PixelOf(clBtnShadow));
    EXPECT_EQ(ItemPixel(lit, open, 12, 9), ImagePixel(7));
    // The caption in the highlight text colour on the bar.
    EXPECT_GT(CountInItem(lit, open, PixelOf(clHighlightText)), 10);

    // Items without an image are lit across their whole width.
    TCoolItem* about = menu->CoolItem20004;
    about->Perform(CM_SELECTITEM);
    sim::Pixels aboutLit = sim::WindowPixels(menu->Handle());
    EXPECT_FALSE(open->Selected());
    EXPECT_EQ(ItemPixel(aboutLit, about, 1, 1), PixelOf(clHighlight));
    EXPECT_EQ(ItemPixel(aboutLit, open, column, 0), PixelOf(clMenu));
}

TEST_F(MenuTest, TheMouseSelectsWhatItIsOverAndLeavingDeselects) {
    Open();
    POINT origin{0, 0};
    ClientToScreen(menu->Handle(), &origin);
    auto over = [&](TControl* item) {
        POINT m = Middle(item);
        sim::MoveMouse(POINT{origin.x + m.x, origin.y + m.y});
        App().ProcessMessages();
    };
    over(menu->CoolItem20001);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20001);
    EXPECT_TRUE(menu->CursorInside());
    over(menu->CoolItem20005);
    EXPECT_EQ(menu->SelectedItem(), menu->CoolItem20005);
    EXPECT_FALSE(menu->CoolItem20001->Selected());
    // Out of the window: the leave notice ends the selection.
    sim::MoveMouse(POINT{5, 5});
    App().ProcessMessages();
    EXPECT_EQ(menu->SelectedItem(), nullptr);
    EXPECT_FALSE(menu->CursorInside());
    EXPECT_TRUE(MenuVisible());
}

TEST_F(MenuTest, ADisabledCommandIsNeverLitByTheMouseAndDrawsEngraved) {
    FileSave1->SetEnabled(false);
    Open();
    TCoolItem* save = menu->CoolItem20002;
    ASSERT_FALSE(save->Enabled());
    POINT at = Middle(save);
    ClientToScreen(menu->Handle(), &at);
    sim::MoveMouse(at);
    App().ProcessMessages();
    EXPECT_FALSE(save->Selected());
    sim::Pixels pixels = sim::WindowPixels(menu->Handle());
    EXPECT_EQ(ItemPixel(pixels, save, 30, 0), PixelOf(clMenu));
    EXPECT_EQ(CountInItem(pixels, save, PixelOf(clMenuText)), 0);
    EXPECT_GT(CountInItem(pixels, save, PixelOf(clBtnShadow)), 10);
    EXPECT_GT(CountInItem(pixels, save, PixelOf(clBtnHighlight)), 10);
    EXPECT_NE(ItemPixel(pixels, save, 12, 9), ImagePixel(8)); // the list's disabled style

    // A click on it runs nothing and leaves the menu open.
    sim::Click(menu->Handle(), Middle(save));
    App().ProcessMessages();
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(MenuVisible());
}

TEST_F(MenuTest, AClickOnACommandClosesTheMenuBeforeItRuns) {
    Open();
    sim::Click(menu->Handle(), Middle(menu->CoolItem20006));
    App().ProcessMessages();
    EXPECT_EQ(runs, (std::vector<std::string>{"&Preferences"}));
    EXPECT_EQ(menuVisibleWhenRun, (std::vector<bool>{false}));
    EXPECT_EQ(ShortCutTexts(), (std::vector<std::string>{"Ctrl+O", "Ctrl+S", "Del", "Ctrl+P"}));
    EXPECT_EQ(menu->HookList()->ActivePopup, nullptr);
}

TEST_F(MenuTest, AnItemFollowsItsActionOnlyWhereItWasNotChanged) {
    TCoolItem2000* open = menu->CoolItem20001;
    EXPECT_EQ(open->Caption(), "&Open");
    EXPECT_EQ(open->ImageIndex(), 7);
    EXPECT_EQ(open->ShortCut(), TextToShortCut("Ctrl+O"));
    FileOpen1->SetImageIndex(3);
    EXPECT_EQ(open->ImageIndex(), 3);
    open->SetImageIndex(9); // the item's own choice from now on
    FileOpen1->SetImageIndex(4);
    EXPECT_EQ(open->ImageIndex(), 9);
    FileOpen1->SetShortCut(0);
    EXPECT_EQ(open->ShortCut(), 0);
    FileOpen1->SetCaption("&Load");
    EXPECT_EQ(open->Caption(), "&Load");
    EXPECT_GT(open->Measure().TextWidth, 0);
}

TEST_F(MenuTest, AnItemRefusesAParentThatIsNoMenuWindowButStaysThere) {
    auto* item = new TCoolItem2000(host);
    try {
        item->SetParent(host);
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Parent of TCoolItem2000 must be TCoolWindow or its descendant");
    }
    EXPECT_EQ(item->Parent(), host);
    EXPECT_EQ(item->Measure().ItemHeight, 0); // never measured
    auto* separator = new TCoolItemSeparator2000(host);
    EXPECT_THROW(separator->SetParent(host), Exception);
}

TEST_F(MenuTest, AnImageListThatGoesLeavesTheItemsMeasuredWithoutImages) {
    TCoolItem* open = menu->CoolItem20001;
    ASSERT_EQ(open->Measure().ImageHeight, 16);
    ASSERT_EQ(open->Height(), 18);
    actions->Images = nullptr;
    Free(images);
    images = nullptr;
    EXPECT_EQ(menu->Images(), nullptr);
    EXPECT_EQ(open->Measure().ImageWidth, 16); // the column stays
    EXPECT_EQ(open->Measure().ImageHeight, 0);
    EXPECT_EQ(open->Height(), open->Measure().TextHeight + 12);
    Open(); // and it still opens and paints
    EXPECT_TRUE(MenuVisible());
    sim::WindowPixels(menu->Handle());
}
