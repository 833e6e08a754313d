// Records of clipboard content files, as the store, cbdtool and the fuzz
// target read and write them.
#include "clipboard/ClipRecord.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

using testing_support::NamedRecord;
using testing_support::NumberRecord;

namespace {

class ClipRecords : public testing_support::SimTest {
protected:
    static void Fill(TMemoryStreamEx& stream, const std::string& bytes) {
        stream.Write(bytes.data(), bytes.size());
        stream.SetPosition(0);
    }
    static std::string Bytes(TMemoryStreamEx& stream) {
        return std::string(reinterpret_cast<const char*>(stream.Memory()),
                           static_cast<std::size_t>(stream.Size()));
    }
};

} // namespace

TEST_F(ClipRecords, RecordsAreReadInFileOrderWithWhereTheirDataLies) {
    TMemoryStreamEx stream;
    Fill(stream, NumberRecord(CF_TEXT, "hi") + NamedRecord("Rich Text Format", "{\\rtf}"));
    TClipRecord first = ReadRecord(stream);
    EXPECT_FALSE(first.Format.Named);
    EXPECT_EQ(first.Format.Number, static_cast<std::uint32_t>(CF_TEXT));
    EXPECT_EQ(first.Size, 2);
    EXPECT_EQ(first.DataOffset, 12u);
    TClipRecord second = ReadRecord(stream);
    EXPECT_TRUE(second.Format.Named);
    EXPECT_EQ(second.Format.Name, "Rich Text Format");
    EXPECT_EQ(second.Size, 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()) + second.DataOffset, 6),
              "{\\rtf}");
    EXPECT_EQ(stream.Position(), stream.Size()) << "left after the last data";
}

TEST_F(ClipRecords, WhatIsWrittenReadsBackTheSame) {
    TMemoryStreamEx stream;
    WriteRecord(stream, TClipRecordFormat{false, "", 13}, "\x01\x02", 2);
    WriteRecord(stream, TClipRecordFormat{true, "HTML Format", 0}, "", 0);
    EXPECT_EQ(Bytes(stream),
              NumberRecord(13, std::string("\x01\x02", 2)) + NamedRecord("HTML Format", ""));
    stream.SetPosition(0);
    EXPECT_EQ(ReadRecord(stream).Format.Number, 13u);
    TClipRecord named = ReadRecord(stream);
    EXPECT_EQ(named.Format.Name, "HTML Format");
    EXPECT_EQ(named.Size, 0);
}

TEST_F(ClipRecords, ASizeTheRestCannotHoldIsAReadError) {
    for (const std::string& bytes :
         {NumberRecord(1, "abc").substr(0, 14),
          testing_support::Int32(0) + testing_support::Int32(1) + testing_support::Int32(-1)}) {
        TMemoryStreamEx stream;
        Fill(stream, bytes);
        try {
            ReadRecord(stream);
            ADD_FAILURE() << "no failure";
        } catch (const tk::EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
        EXPECT_EQ(stream.Position(), 12) << "stopped at the size, nothing taken for the data";
    }
}

TEST_F(ClipRecords, DataASizeFieldCannotHoldIsRefusedBeforeAnythingIsWritten) {
    TMemoryStreamEx stream;
    char byte = 0;
    EXPECT_THROW(WriteRecord(stream, TClipRecordFormat{}, &byte, std::size_t{1} << 31),
                 tk::EWriteError);
    EXPECT_EQ(stream.Size(), 0);
}
