// The whole program on a simulated desktop, started as its entry starts it
// and ended as a normal shutdown ends it, with the program file in a scratch
// folder and the registry read back value by value.
#pragma once

#include "gif/GifPicture.h"
#include "app/Program.h"
#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitOptions.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

class ProgramTest : public SimTest {
protected:
    static constexpr const char* optionsKey = "Software\\Stashwell\\Options";

    void SetUp() override {
        SimTest::SetUp();
        sim::SetModulePath(1, Path("Stashwell.exe"));
        // No network: a banner download fails at once instead of waiting.
        sim::SetHostLookup([](const std::string&, std::vector<std::string>&) { return 11001; });
    }
    void TearDown() override {
        Stop();
        sim::SetHostLookup(nullptr);
        EXPECT_EQ(sim::OpenRegistryKeys(), 0u) << "a registry key was left open";
        // The program's picture formats are numbered by this test's clipboard.
        tk::TPicture::UnregisterClipboardFormat(GIFImageClipboardFormat());
        SimTest::TearDown();
    }

    // The entry's steps up to the message loop.
    TMainForm* Start(const std::string& arguments = "") {
        sim::SetCommandLine(1, arguments);
        application = std::make_unique<tk::TApplication>();
        main = StartProgram(*application);
        return main;
    }
    // The normal end: the windows go, the main window's FormDestroy runs.
    void Stop() {
        application.reset();
        main = nullptr;
    }

    static void Store(const std::string& name, const std::string& text) {
        sim::SetRegistryString(HKEY_CURRENT_USER, optionsKey, name, text);
    }
    // A stored value's text (without its terminator), or "<missing>".
    static std::string Stored(const std::string& name, DWORD expectedType = REG_SZ) {
        sim::RegistryValue value;
        if (!sim::GetRegistryValue(HKEY_CURRENT_USER, optionsKey, name, value))
            return "<missing>";
        EXPECT_EQ(value.type, expectedType) << name;
        EXPECT_TRUE(!value.data.empty() && value.data.back() == '\0') << name << " unterminated";
        return value.data.substr(0, value.data.find('\0'));
    }
    static std::vector<std::string> StoredNames() {
        std::vector<std::string> names;
        for (const auto& v : sim::RegistryValues(HKEY_CURRENT_USER, optionsKey))
            names.push_back(v.name);
        return names;
    }
    // The message boxes with this text.
    static std::vector<sim::MessageBoxRecord> Boxes(const std::string& text) {
        std::vector<sim::MessageBoxRecord> found;
        for (const auto& box : sim::MessageBoxes())
            if (box.text == text)
                found.push_back(box);
        return found;
    }
    static std::vector<sim::TimerRecord> TimersOf(HWND hwnd) {
        std::vector<sim::TimerRecord> found;
        for (const auto& t : sim::Timers())
            if (t.hwnd == hwnd)
                found.push_back(t);
        return found;
    }

    std::unique_ptr<tk::TApplication> application;
    TMainForm* main = nullptr;
};

} // namespace testing_support
