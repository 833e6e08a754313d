// A clean simulated desktop per test, a scratch folder, and small helpers to
// build clipboard content files byte by byte.
#pragma once

#include "platform/sim/simulator.h"
#include "toolkit/Forms.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace testing_support {

inline std::string Int32(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    return std::string{static_cast<char>(bits), static_cast<char>(bits >> 8),
                       static_cast<char>(bits >> 16), static_cast<char>(bits >> 24)};
}

// One record of a clipboard content file.
inline std::string NumberRecord(std::uint32_t format, const std::string& data) {
    return Int32(0) + Int32(static_cast<std::int32_t>(format)) +
           Int32(static_cast<std::int32_t>(data.size())) + data;
}
inline std::string NamedRecord(const std::string& name, const std::string& data) {
    return Int32(1) + Int32(static_cast<std::int32_t>(name.size())) + name +
           Int32(static_cast<std::int32_t>(data.size())) + data;
}

// What every test leaves behind on the simulated desktop: no broken rule,
// the clipboard closed, no memory block locked, and no window or socket left.
inline void ExpectCleanDesktop() {
    const auto violations = sim::Violations();
    EXPECT_TRUE(violations.empty()) << violations.front();
    EXPECT_EQ(sim::ClipboardOpenTask(), 0) << "the clipboard was left open";
    EXPECT_EQ(sim::LockedMemoryBlocks(), 0u) << "a memory block was left locked";
    const auto windows = sim::LiveWindows();
    EXPECT_TRUE(windows.empty()) << windows.size() << " windows were left, the first "
                                 << windows.front();
    EXPECT_EQ(sim::OpenSockets(), 0u) << "a socket was left open";
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        dir_ = std::filesystem::temp_directory_path() /
               ("stashwell-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir_);
        ExpectCleanDesktop();
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path Dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

// A simulated desktop with the program's application window.
class AppTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        app_ = std::make_unique<tk::TApplication>();
        app_->SetTitle("Stashwell v. 2.0.1");
        app_->Initialize();
    }
    void TearDown() override {
        app_.reset();
        SimTest::TearDown();
    }
    tk::TApplication& App() { return *app_; }

private:
    std::unique_ptr<tk::TApplication> app_;
};

} // namespace testing_support
