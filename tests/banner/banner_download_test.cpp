// The banner's download into the animator, against a scripted server: the
// request, the GIF shown pixel for pixel and animated on the simulated
// clock, and every way it can fail.
#include "banner/Banner.h"
#include "gif/animator_fixture.h"
#include "net/http_rawserver.h"
#include "net/http_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace animtest;

namespace {

constexpr const char* kRequest =
    "GET /img/banner.gif HTTP/1.0\r\n"
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible)\r\n"
    "Host: 127.0.0.1\r\n"
    "\r\n";

// A 6 x 4 screen of two frames, each its own pattern of the four colours,
// shown for 100 and 200 ms.
const Bytes kPattern0 = {0, 1, 2, 3, 0, 1, 1, 2, 3, 0, 1, 2, 2, 3, 0, 1, 2, 3, 3, 0, 1, 2, 3, 0};
const Bytes kPattern1 = {3, 3, 2, 2, 1, 1, 0, 0, 1, 1, 2, 2, 3, 2, 1, 0, 3, 2, 1, 0, 0, 1, 2, 3};

std::string TwoFrames() {
    Builder gif(6, 4);
    gif.Control(10).Pixels(0, 0, 6, 4, kPattern0);
    gif.Control(20).Pixels(0, 0, 6, 4, kPattern1);
    Bytes bytes = gif.Done();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint32_t> Colours(const Bytes& pattern) {
    std::vector<std::uint32_t> out;
    for (auto index : pattern)
        out.push_back(Rgb(index));
    return out;
}

std::string Response(const std::string& statusLine, const std::string& body,
                     const std::string& type = "image/gif") {
    return statusLine + "\r\nContent-Type: " + type + "\r\n\r\n" + body;
}

// A server that answers every request with `response` and closes.
peer::Server Answering(const std::string& response) {
    return peer::Server([response](peer::Connection& c) {
        c.ReadRequest();
        c.Send(response);
        c.Close();
    });
}

class BannerDownload : public AnimatorTest {
protected:
    void SetUp() override {
        AnimatorTest::SetUp();
        // As on the main window.
        animator->SetTransparent(false);
    }
    void TearDown() override {
        for (tk::TComponent* c : App().Components())
            EXPECT_EQ(dynamic_cast<THttpCli*>(c), nullptr) << "the client outlived the download";
        AnimatorTest::TearDown();
    }

    void Fetch(const std::string& url) {
        banner::LoadBanner(App(), TBannerPair{url, "http://advertiser.example/"}, *animator);
    }
    // The message of the EHttpException the download raises; "none" without one.
    std::string FailureOf(const std::string& url, WORD* code = nullptr) {
        try {
            Fetch(url);
        } catch (const EHttpException& e) {
            if (code)
                *code = e.ErrorCode;
            return e.what();
        }
        return "none";
    }
};

TEST_F(BannerDownload, TheGifShowsPixelForPixelAndAnimatesOnTheClock) {
    peer::Server server = Answering(Response("HTTP/1.0 200 OK", TwoFrames()));
    ShowForm();
    Fetch(server.Url("/img/banner.gif"));

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], kRequest);
    EXPECT_EQ(animator->Image().Count(), 2);
    EXPECT_TRUE(animator->JvxAnimate());
    // The animator takes the size of the GIF's screen.
    EXPECT_EQ(animator->Width(), 6);
    EXPECT_EQ(animator->Height(), 4);
    EXPECT_EQ(Area(6, 4), Colours(kPattern0));

    ASSERT_TRUE(timertest::Sleeping());
    // The animation starts before the image arrives, so the timer's first
    // wait may be its default second rather than the first frame's delay (a
    // wait keeps the end it began with); either way it has ended by then.
    sim::AdvanceClock(1000);
    ASSERT_TRUE(timertest::PumpUntil(App(), [&] { return animator->FrameIndex() == 1; }));
    EXPECT_EQ(Area(6, 4), Colours(kPattern1));
    ASSERT_TRUE(timertest::Sleeping());
    sim::AdvanceClock(200);
    ASSERT_TRUE(timertest::PumpUntil(App(), [&] { return animator->FrameIndex() == 0; }));
    EXPECT_EQ(Area(6, 4), Colours(kPattern0));
}

TEST_F(BannerDownload, AnErrorStatusRaisesItsReasonWithOrWithoutABody) {
    // The clock runs so that a download that failed to end shows as a
    // timeout instead of a hang.
    nettest::ClockRunner clock;
    {
        peer::Server server = Answering(Response("HTTP/1.0 404 Not Found", "", "text/html"));
        WORD code = 0;
        EXPECT_EQ(FailureOf(server.Url("/img/banner.gif"), &code), "Not Found");
        EXPECT_EQ(code, 404);
        EXPECT_TRUE(animator->Image().Empty());
        EXPECT_FALSE(animator->JvxAnimate()); // no body: the download's end never came
    }
    {
        // The error page comes with the header (one send on the loopback),
        // reaches the download's end, and is no GIF: nothing is shown for
        // it, and the request still ends with its status.
        peer::Server server = Answering(Response(
            "HTTP/1.1 404 Not Found", "<html><body>No such banner</body></html>", "text/html"));
        EXPECT_EQ(FailureOf(server.Url("/img/banner.gif")), "Not Found");
        EXPECT_TRUE(animator->Image().Empty());
        EXPECT_TRUE(animator->JvxAnimate());
    }
}

TEST_F(BannerDownload, AnHtmlPageOrNoBodyShowsNothingAndRaisesNothing) {
    nettest::ClockRunner clock;
    {
        peer::Server server = Answering(Response(
            "HTTP/1.0 200 OK", "<html><body>An advertiser's page</body></html>", "text/html"));
        EXPECT_EQ(FailureOf(server.Url("/img/banner.gif")), "none");
        EXPECT_EQ(server.Connections(), 1);
        EXPECT_TRUE(animator->Image().Empty());
    }
    animator->SetJvxAnimate(false);
    {
        peer::Server server = Answering(Response("HTTP/1.0 200 OK", ""));
        EXPECT_EQ(FailureOf(server.Url("/img/banner.gif")), "none");
        EXPECT_EQ(server.Connections(), 1);
        EXPECT_TRUE(animator->Image().Empty());
        EXPECT_FALSE(animator->JvxAnimate());
    }
}

TEST_F(BannerDownload, ASilentServerIsGivenUpAfterTenSeconds) {
    peer::Server server([](peer::Connection& c) {
        c.ReadRequest();
        c.WaitForClose(60000);
    });
    nettest::ClockRunner clock(250);
    DWORD begun = sim::Now();
    EXPECT_EQ(FailureOf(server.Url("/img/banner.gif")), "Connection timed out (Error #10060)");
    DWORD waited = sim::Now() - begun;
    EXPECT_GE(waited, banner::RequestTimeLimit);
    EXPECT_LT(waited, 30000u); // not the client's general limit
    EXPECT_TRUE(animator->Image().Empty());
}

TEST_F(BannerDownload, ABodyPastFourMebibytesIsCutOffAndShowsNothing) {
    bool closedByClient = false;
    peer::Server server([&](peer::Connection& c) {
        c.ReadRequest();
        c.Send(Response("HTTP/1.0 200 OK", ""));
        // A GIF's start, then 5 MiB more: the client lets go of the
        // connection once 4 MiB have come, without waiting for the end.
        c.Send("GIF89a" + std::string(5u << 20, '\x55'));
        closedByClient = c.WaitForClose(20000);
    });
    EXPECT_EQ(FailureOf(server.Url("/img/banner.gif")), "none");
    server.Requests(); // the script has ended
    EXPECT_TRUE(closedByClient);
    EXPECT_TRUE(animator->Image().Empty());
    EXPECT_FALSE(animator->JvxAnimate());
}

TEST_F(BannerDownload, ARefusedConnectionRaisesItsReason) {
    EXPECT_EQ(FailureOf("http://127.0.0.1:" + std::to_string(peer::ClosedPort()) + "/a.gif"),
              "Connection refused (Error #10061)");
    EXPECT_TRUE(animator->Image().Empty());
}

TEST_F(BannerDownload, NothingIsFetchedWithoutAnAddressOrForAnEndingApplication) {
    peer::Server server = Answering(Response("HTTP/1.0 200 OK", TwoFrames()));
    EXPECT_EQ(FailureOf(""), "none");
    // Another instance runs: this one has been asked to end.
    PostQuitMessage(0);
    EXPECT_EQ(FailureOf(server.Url("/img/banner.gif")), "none");
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)); // still there
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_TRUE(animator->Image().Empty());
}

TEST_F(BannerDownload, TheDownloadsEndDoesNothingWithoutAStreamOrWithARefusedOne) {
    banner::BannerDocEnd(*animator, nullptr);
    EXPECT_FALSE(animator->JvxAnimate());
    banner::TBannerStream refused(4);
    std::string gif = TwoFrames();
    EXPECT_THROW(refused.WriteBuffer(gif.data(), gif.size()), tk::Exception);
    banner::BannerDocEnd(*animator, &refused);
    EXPECT_FALSE(animator->JvxAnimate());
    EXPECT_TRUE(animator->Image().Empty());
}

TEST(BannerStream, RefusesToGrowPastItsLimit) {
    banner::TBannerStream stream(10);
    int refusals = 0;
    stream.OnRefused = [&] {
        ++refusals;
    };
    stream.WriteBuffer("012345", 6);
    stream.WriteBuffer("6789", 4); // exactly the limit
    EXPECT_FALSE(stream.Refused());
    try {
        stream.WriteBuffer("x", 1);
        ADD_FAILURE() << "a write past the limit was taken";
    } catch (const tk::Exception& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    EXPECT_TRUE(stream.Refused());
    EXPECT_EQ(stream.Size(), 10);
    // Refused for good, and told once.
    stream.SetPosition(0);
    EXPECT_EQ(stream.Write("a", 1), 0u);
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 10), "0123456789");
}

} // namespace
