// The byte layout of clipboard content files and the memory stream under it.
#include "clipboard/MemoryStreamEx.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using testing_support::Int32;

namespace {

std::string Bytes(tk::TMemoryStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

std::unique_ptr<TMemoryStreamEx> StreamOf(const std::string& bytes) {
    auto stream = std::make_unique<TMemoryStreamEx>();
    stream->Write(bytes.data(), bytes.size());
    stream->SetPosition(0);
    return stream;
}

class MemoryStreamEx : public testing_support::SimTest {};

TEST_F(MemoryStreamEx, IntegersAreLittleEndianTwosComplement) {
    TMemoryStreamEx stream;
    stream.WriteInteger(1);
    stream.WriteInteger(-2);
    stream.WriteInteger(0x7FFFFFFF);
    EXPECT_EQ(Bytes(stream), std::string("\x01\0\0\0\xFE\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 12));
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadInteger(), 1);
    EXPECT_EQ(stream.ReadInteger(), -2);
    EXPECT_EQ(stream.ReadInteger(), 0x7FFFFFFF);
}

TEST_F(MemoryStreamEx, BooleansAreWrittenAsOneOrZeroAndReadFromTheFirstByteOnly) {
    TMemoryStreamEx stream;
    stream.WriteBoolean(true);
    stream.WriteBoolean(false);
    EXPECT_EQ(Bytes(stream), Int32(1) + Int32(0));

    auto named = StreamOf(std::string("\x02\0\0\0", 4));
    EXPECT_TRUE(named->ReadBoolean());
    auto highByteOnly = StreamOf(std::string("\0\x01\0\0", 4));
    EXPECT_FALSE(highByteOnly->ReadBoolean());
    auto lowByteOnly = StreamOf(std::string("\x80\0\0\0", 4));
    EXPECT_TRUE(lowByteOnly->ReadBoolean());
}

TEST_F(MemoryStreamEx, StringsAreLengthPrefixedWithoutTerminator) {
    TMemoryStreamEx stream;
    stream.WriteString(std::string("abc"));
    stream.WriteString(std::string());
    EXPECT_EQ(Bytes(stream), Int32(3) + "abc" + Int32(0));
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadString(), "abc");
    EXPECT_EQ(stream.ReadString(), "");
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST_F(MemoryStreamEx, NameBufferIsTakenUpToItsFirstNulOrWhole) {
    char buffer[128] = {};
    std::memcpy(buffer, "HTML Format", 11);
    TMemoryStreamEx stream;
    stream.WriteString(buffer);
    EXPECT_EQ(Bytes(stream), Int32(11) + "HTML Format");

    std::memset(buffer, 'x', sizeof buffer); // no NUL at all
    TMemoryStreamEx full;
    full.WriteString(buffer);
    EXPECT_EQ(Bytes(full), Int32(128) + std::string(128, 'x'));
}

TEST_F(MemoryStreamEx, ShortOrNegativeFieldsFailWithStreamReadError) {
    auto expectReadError = [](auto&& read) {
        try {
            read();
            ADD_FAILURE() << "no error";
        } catch (const tk::EReadError& e) {
            EXPECT_EQ(e.Message(), "Stream read error");
        }
    };
    expectReadError([] { StreamOf(std::string("\x01\0\0", 3))->ReadInteger(); });
    expectReadError([] { StreamOf("")->ReadBoolean(); });
    expectReadError([] { StreamOf(Int32(5) + "abcd")->ReadString(); });
    expectReadError([] { StreamOf(Int32(-1) + "abcd")->ReadString(); });
    expectReadError([] { StreamOf(Int32(0x7FFFFFFF))->ReadString(); });
}

TEST_F(MemoryStreamEx, CapacityGrowsInStepsOf8192) {
    TMemoryStreamEx stream;
    stream.WriteInteger(7);
    EXPECT_EQ(stream.Capacity(), 8192u);
    std::string block(8192, 'b');
    stream.Write(block.data(), block.size());
    EXPECT_EQ(stream.Capacity() % 8192, 0u);
    EXPECT_GE(stream.Capacity(), 8196u);
    std::size_t before = stream.Capacity();
    for (int i = 0; i < 100; ++i) // many small records fit without growing each time
        stream.WriteInteger(i);
    EXPECT_EQ(stream.Capacity(), before);
}

TEST_F(MemoryStreamEx, GrowingPastAvailableMemoryFails) {
    TMemoryStreamEx stream;
    stream.WriteInteger(1);
    sim::SetAllocationFault([](std::size_t bytes) { return bytes > 8192; });
    std::string block(10000, 'x');
    try {
        stream.Write(block.data(), block.size());
        FAIL() << "no error";
    } catch (const tk::EStreamError& e) {
        EXPECT_EQ(e.Message(), "Out of memory while expanding memory stream");
    }
    // The stream keeps what it had.
    EXPECT_EQ(stream.Size(), 4);
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadInteger(), 1);
}

} // namespace
