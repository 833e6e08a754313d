// Inputs that once broke the restore (found by fuzzing) go through the same
// path again: restore onto the simulated clipboard, then read everything back.
// Each must either load, with its records on the clipboard in file order, or
// end in the restore's own error for a file that is cut short.
#include "clipboard/CoolClipboardComponent.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

struct Record {
    bool named = false;
    std::string name;
    std::uint32_t format = 0;
    std::string data;
};

// The records of a clipboard content file read by its layout: a named flag
// (one byte that counts, in a 32-bit field), a length-prefixed name or a
// 32-bit format number, a 32-bit size and the data. False when the file
// ends inside a record or a size cannot be right.
bool ParseRecords(const std::string& bytes, std::vector<Record>& records) {
    std::size_t at = 0;
    auto int32 = [&](std::int32_t& value) {
        if (bytes.size() - at < 4)
            return false;
        std::uint32_t bits = 0;
        for (int i = 3; i >= 0; --i)
            bits =
                (bits << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        value = static_cast<std::int32_t>(bits);
        at += 4;
        return true;
    };
    auto text = [&](std::int32_t length, std::string& out) {
        if (length < 0 || bytes.size() - at < static_cast<std::size_t>(length))
            return false;
        out = bytes.substr(at, static_cast<std::size_t>(length));
        at += static_cast<std::size_t>(length);
        return true;
    };
    while (at < bytes.size()) {
        Record r;
        std::int32_t flag = 0, value = 0, size = 0;
        if (!int32(flag))
            return false;
        r.named = (flag & 0xFF) != 0;
        if (!int32(value))
            return false;
        if (r.named) {
            if (!text(value, r.name))
                return false;
        } else {
            r.format = static_cast<std::uint32_t>(value);
        }
        if (!int32(size) || !text(size, r.data))
            return false;
        records.push_back(r);
    }
    return true;
}

class FuzzInputs : public testing_support::AppTest {};

TEST_F(FuzzInputs, EveryKeptInputLoadsOrEndsInTheRestoresReadError) {
    const char* data = std::getenv("STASHWELL_TEST_DATA");
    ASSERT_NE(data, nullptr);
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(data) + "/fuzz-cbd")) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::vector<Record> records;
        const bool whole = ParseRecords(bytes, records);

        std::string error = "(loaded)";
        TCoolClipboardComponent store(&App());
        try {
            store.LoadFromFile(entry.path().string());
        } catch (const tk::Exception& e) {
            error = e.what();
        }
        EXPECT_EQ(error, whole ? "(loaded)" : "Stream read error");

        // The records before the end (or the cut) are on the clipboard, in
        // file order, beside what the clipboard offers by conversion.
        std::vector<std::pair<UINT, std::string>> restored;
        for (const auto& f : sim::ReadClipboard())
            if (!f.synthesized)
                restored.emplace_back(f.format, f.bytes);
        std::vector<std::pair<UINT, std::string>> expected;
        for (const auto& r : records)
            expected.emplace_back(r.named ? RegisterClipboardFormatA(r.name.c_str()) : r.format,
                                  r.data);
        EXPECT_EQ(restored, expected);
        EXPECT_EQ(sim::ClipboardOpenTask(), 0);
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

} // namespace
