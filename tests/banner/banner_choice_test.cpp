// Which advertiser: the generator's draw, its seed from the performance
// counter or the tick count, and the pair read from the string table.
#include "banner/Banner.h"
#include "banner_addresses.h"
#include "platform/sim/simulator.h"
#include "string_ids.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(BannerDraw, OneStepOfTheGeneratorThenTheHighPartOfTimesThree) {
    // seed 0: step 1, 3 >> 32 = 0; seed 11: step 1482533944, 4447601832 >> 32 = 1;
    // seed 22: step 2965067887, 8895203661 >> 32 = 2.
    EXPECT_EQ(banner::DrawAdvertiser(0), 0u);
    EXPECT_EQ(banner::DrawAdvertiser(10), 0u);
    EXPECT_EQ(banner::DrawAdvertiser(11), 1u);
    EXPECT_EQ(banner::DrawAdvertiser(21), 1u);
    EXPECT_EQ(banner::DrawAdvertiser(22), 2u);
    EXPECT_EQ(banner::DrawAdvertiser(31), 2u);
    EXPECT_EQ(banner::DrawAdvertiser(32), 0u);
    // The step wraps modulo 2^32: 0xFFFFFFFF steps to 4160191484.
    EXPECT_EQ(banner::DrawAdvertiser(0xFFFFFFFFu), 2u);
}

TEST(BannerDraw, AdvertiserAWinsTwoDrawsInThree) {
    std::array<int, 3> counts{};
    for (DWORD seed = 0; seed < 30000; ++seed) {
        unsigned r = banner::DrawAdvertiser(seed * 7919u);
        ASSERT_LT(r, 3u);
        ++counts[r];
    }
    for (int count : counts) {
        EXPECT_GT(count, 9500);
        EXPECT_LT(count, 10500);
    }
}

class BannerChoice : public testing_support::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        sim::SetStringResource(IDS_BANNER_A_IMAGE, "http://a.example/a.gif");
        sim::SetStringResource(IDS_BANNER_A_LINK, "http://a.example/");
        sim::SetStringResource(IDS_BANNER_B_IMAGE, "http://b.example/b.gif");
        sim::SetStringResource(IDS_BANNER_B_LINK, "http://b.example/");
    }
};

TEST_F(BannerChoice, TheSeedIsTheLowPartOfThePerformanceCounter) {
    sim::SetPerformanceCounter(0x100000016LL); // low part 22
    EXPECT_EQ(banner::ClockSeed(), 22u);
    sim::SetPerformanceCounter(0x700000000LL + 11);
    TBannerPair pair = banner::ChooseBannerPair();
    EXPECT_EQ(pair.ImageURL, "http://a.example/a.gif");
    EXPECT_EQ(pair.LinkURL, "http://a.example/");
    sim::SetPerformanceCounter(0x100000016LL);
    pair = banner::ChooseBannerPair();
    EXPECT_EQ(pair.ImageURL, "http://b.example/b.gif");
    EXPECT_EQ(pair.LinkURL, "http://b.example/");
}

TEST_F(BannerChoice, WithoutAPerformanceCounterTheTickCountSeeds) {
    sim::SetPerformanceCounter(0);
    sim::SetPerformanceCounterFails(true);
    sim::AdvanceClock(22);
    EXPECT_EQ(banner::ClockSeed(), 22u);
    EXPECT_EQ(banner::ChooseBannerPair().ImageURL, "http://b.example/b.gif");
    sim::AdvanceClock(10); // 32
    EXPECT_EQ(banner::ChooseBannerPair().ImageURL, "http://a.example/a.gif");
}

TEST_F(BannerChoice, ResetBringsBackTheAddressesTheProgramWasBuiltWith) {
    sim::Reset();
    sim::SetPerformanceCounter(0);
    TBannerPair pair = banner::ChooseBannerPair();
    EXPECT_EQ(pair.ImageURL, STASHWELL_BANNER_A_IMAGE);
    EXPECT_EQ(pair.LinkURL, STASHWELL_BANNER_A_LINK);
}

} // namespace
