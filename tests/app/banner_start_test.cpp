// The banner as the program starts: the chosen advertiser's GIF in the
// banner row, the error box of a failed download with the window still
// coming, a build without addresses, an instance that is ending, commands
// that come while the banner downloads, and a click through the shell.
#include "settings_fixture.h"
#include "gif/gif_testkit.h"
#include "gif/timer_support.h"
#include "net/http_rawserver.h"
#include "net/http_support.h"
#include "string_ids.h"
#include "traymenu/TrayIconMenu.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace tk;

namespace {

// A 3 x 2 screen of two frames: colours 1 then 2, for 100 ms each.
std::string TwoColours() {
    giftest::Builder gif(3, 2);
    gif.Control(10).Pixels(0, 0, 3, 2, giftest::Bytes(6, 1));
    gif.Control(10).Pixels(0, 0, 3, 2, giftest::Bytes(6, 2));
    giftest::Bytes bytes = gif.Done();
    return std::string(bytes.begin(), bytes.end());
}

std::uint32_t Rgb(int index) {
    COLORREF c = giftest::Builder::Color(index);
    return (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

std::string Ok(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n" + body;
}

class BannerAtStart : public testing_support::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        // Lookups of names are counted and fail, as without a network; the
        // servers here are reached by their dotted address.
        sim::SetHostLookup([this](const std::string&, std::vector<std::string>&) {
            ++lookups;
            return 11001;
        });
        sim::SetPerformanceCounter(0); // the draw gives advertiser A
    }
    void TearDown() override {
        Stop();
        ProgramTest::TearDown();
    }

    // Both advertisers' images on `server`, at /a.gif and /b.gif.
    static void Advertisers(const std::string& imageBase, const std::string& linkBase) {
        sim::SetStringResource(IDS_BANNER_A_IMAGE, imageBase + "/a.gif");
        sim::SetStringResource(IDS_BANNER_A_LINK, linkBase + "/advertiser-a/");
        sim::SetStringResource(IDS_BANNER_B_IMAGE, imageBase + "/b.gif");
        sim::SetStringResource(IDS_BANNER_B_LINK, linkBase + "/advertiser-b/");
    }
    static peer::Server Answering(const std::string& response) {
        return peer::Server([response](peer::Connection& c) {
            c.ReadRequest();
            c.Send(response);
            c.Close();
        });
    }
    static std::string RequestLine(const peer::Server& server) {
        auto requests = server.Requests();
        if (requests.size() != 1)
            return std::to_string(requests.size()) + " requests";
        return requests[0].substr(0, requests[0].find("\r\n"));
    }

    // What the banner row shows at (x, y) of the banner.
    std::uint32_t BannerPixel(int x, int y) {
        return sim::WindowPixels(main->ControlBar->Handle())
            .at(main->Image->Left() + x, main->Image->Top() + y);
    }
    // The four tool buttons' captions, joined.
    std::string Captions() {
        return main->SpeedButton1->Caption() + "|" + main->SpeedButton2->Caption() + "|" +
               main->SpeedButton3->Caption() + "|" + main->SpeedButton4->Caption();
    }
    // A left click in the middle of the banner's area.
    void ClickBanner() {
        sim::Click(main->ControlBar->Handle(),
                   POINT{main->Image->Left() + main->Image->Width() / 2, main->Image->Top() + 1});
        application->ProcessMessages();
    }
    void ShowAsRunWould() {
        if (application->ShowMainWindowOnRun)
            main->Show();
        application->ProcessMessages();
    }

    std::atomic<int> lookups{0};
};

TEST_F(BannerAtStart, ABuildWithoutAddressesFetchesNothingAndShowsNoBox) {
    sim::SetStringResource(IDS_BANNER_A_IMAGE, "");
    sim::SetStringResource(IDS_BANNER_A_LINK, "");
    Start();
    EXPECT_EQ(lookups, 0);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(main->Image->Image().Empty());
    EXPECT_EQ(Captions(), "|||");
    // A click on the blank banner opens nothing.
    ShowAsRunWould();
    ClickBanner();
    EXPECT_TRUE(sim::ShellExecutes().empty());
}

TEST_F(BannerAtStart, TheChosenAdvertisersGifAnimatesInTheBannerRow) {
    peer::Server server = Answering(Ok(TwoColours()));
    Advertisers(server.Url(""), "http://advertiser.example");
    Start();
    EXPECT_EQ(RequestLine(server), "GET /a.gif HTTP/1.0");
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(Captions(), "|||");
    EXPECT_EQ(main->Image->Width(), 3);
    EXPECT_EQ(main->Image->Height(), 2);
    ShowAsRunWould();
    EXPECT_EQ(BannerPixel(0, 0), Rgb(1));
    EXPECT_EQ(BannerPixel(2, 1), Rgb(1));

    // The animation starts before the image arrives: the timer's first wait
    // may be its default second rather than the frame's 100 ms.
    ASSERT_TRUE(timertest::Sleeping());
    sim::AdvanceClock(1000);
    ASSERT_TRUE(timertest::PumpUntil(*application, [&] { return main->Image->FrameIndex() == 1; }));
    EXPECT_EQ(BannerPixel(0, 0), Rgb(2));
    EXPECT_EQ(BannerPixel(2, 1), Rgb(2));
}

TEST_F(BannerAtStart, AClickOpensTheChosenLinkThroughTheShell) {
    peer::Server server = Answering(Ok(TwoColours()));
    Advertisers(server.Url(""), "http://advertiser.example");
    sim::SetPerformanceCounter(0x500000016LL); // low part 22: advertiser B
    Start();
    EXPECT_EQ(RequestLine(server), "GET /b.gif HTTP/1.0");
    ShowAsRunWould();
    ClickBanner();
    auto calls = sim::ShellExecutes();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].size, sizeof(SHELLEXECUTEINFOA));
    EXPECT_EQ(calls[0].mask, 0u);
    EXPECT_EQ(calls[0].hwnd, application->Handle());
    EXPECT_FALSE(calls[0].hasVerb);
    EXPECT_EQ(calls[0].file, "http://advertiser.example/advertiser-b/");
    EXPECT_EQ(calls[0].parameters, "");
    EXPECT_EQ(calls[0].directory, "");
    EXPECT_EQ(calls[0].show, SW_SHOWNORMAL);
    EXPECT_TRUE(calls[0].result);

    // When the shell cannot open the address, nothing is shown.
    sim::RefuseShellExecute();
    ClickBanner();
    calls = sim::ShellExecutes();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[1].result);
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(BannerAtStart, A404ShowsOneBoxWithTheReasonThenTheWindow) {
    peer::Server server = Answering("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n");
    Advertisers(server.Url(""), "http://advertiser.example");
    Start();
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Not Found.");
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    // The rest of the start-up goes on; the creation's last step, which
    // clears the buttons' captions, is skipped.
    EXPECT_EQ(Captions(), "&Save|Sen&d|&Delete|&Preferences");
    ShowAsRunWould();
    EXPECT_TRUE(main->Visible());
    EXPECT_TRUE(main->Image->Image().Empty());
}

TEST_F(BannerAtStart, OfflineTheLookupFailsOnceAndAClickStillOpensTheLink) {
    Advertisers("http://banner.example", "http://advertiser.example");
    Start();
    EXPECT_EQ(lookups, 1);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "can't resolve hostname to IP address.");
    ShowAsRunWould();
    ClickBanner();
    auto calls = sim::ShellExecutes();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, "http://advertiser.example/advertiser-a/");
}

TEST_F(BannerAtStart, ASilentServerGivesOneTimeoutBoxWellBeforeThirtySeconds) {
    peer::Server server([](peer::Connection& c) {
        c.ReadRequest();
        c.WaitForClose(60000);
    });
    Advertisers(server.Url(""), "http://advertiser.example");
    DWORD begun = sim::Now();
    {
        nettest::ClockRunner clock(250);
        Start();
    }
    EXPECT_LT(sim::Now() - begun, 30000u);
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    // Its last character sorts before the full stop: none is added.
    EXPECT_EQ(boxes[0].text, "Connection timed out (Error #10060)");
    ShowAsRunWould();
    EXPECT_TRUE(main->Visible());
}

TEST_F(BannerAtStart, AnInstanceThatIsEndingFetchesNothingAndShowsNoBox) {
    Advertisers("http://banner.example", "http://advertiser.example");
    // What the single-instance check does when another instance runs.
    PostQuitMessage(0);
    Start();
    EXPECT_EQ(lookups, 0);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    application->Run(); // ends at once
    EXPECT_TRUE(application->Terminated());
}

TEST_F(BannerAtStart, TheHotKeyAndCommandsDuringASlowDownloadReachNoMissingForm) {
    peer::Signal answer;
    peer::Server server([&](peer::Connection& c) {
        c.ReadRequest();
        answer.Wait();
        c.Send(Ok(TwoColours()));
        c.Close();
    });
    Advertisers(server.Url(""), "http://advertiser.example");
    // While the download waits, the user presses the hot key, chooses
    // Preferences and About and right-clicks the tray icon, all of which
    // the download's message loop serves.
    TMainForm* form = nullptr;
    bool acted = false;
    sim::WhenIdle([&] {
        for (TComponent* c : application->Components())
            if (auto* f = dynamic_cast<TMainForm*>(c))
                form = f;
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(sim::PressHotKey(MOD_ALT | MOD_CONTROL, 'C'));
    });
    sim::WhenIdle([&] {
        EXPECT_TRUE(form->Visible()); // the hot key brought the window up
        TMenuItem* options = form->MainMenu1->Items()->Items()[2];
        TMenuItem* help = form->MainMenu1->Items()->Items()[3];
        EXPECT_TRUE(sim::ChooseMenuItem(form->Handle(), options->Items()[0]->Command()));
        EXPECT_TRUE(sim::ChooseMenuItem(form->Handle(), help->Items()[0]->Command()));
    });
    sim::WhenIdle([&] {
        form->CoolTrayIconMouseUp(form->CoolTrayIcon, TMouseButton::mbRight, {}, 300, 300);
        acted = true;
        answer.Raise();
    });
    Start();
    EXPECT_TRUE(acted);
    EXPECT_EQ(RequestLine(server), "GET /a.gif HTTP/1.0");
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(main->Image->Image().Count(), 2);
    EXPECT_TRUE(main->Visible());
    EXPECT_FALSE(main->OptionsForm->Visible());
    EXPECT_FALSE(main->AboutForm->Visible());
    // The tray menu's shortcuts were not taken away by the click that found no menu.
    EXPECT_EQ(main->FileSave1->ShortCut(), 16467);
}

} // namespace
