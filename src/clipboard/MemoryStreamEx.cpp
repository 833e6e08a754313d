#include "clipboard/MemoryStreamEx.h"

#include <cstring>

void TMemoryStreamEx::WriteInteger(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    unsigned char bytes[4] = {
        static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
        static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    Write(bytes, sizeof bytes);
}

std::int32_t TMemoryStreamEx::ReadInteger() {
    unsigned char bytes[4];
    ReadBuffer(bytes, sizeof bytes);
    return static_cast<std::int32_t>(bytes[0] | (std::uint32_t{bytes[1]} << 8) |
                                     (std::uint32_t{bytes[2]} << 16) |
                                     (std::uint32_t{bytes[3]} << 24));
}

void TMemoryStreamEx::WriteBoolean(bool value) {
    WriteInteger(static_cast<unsigned char>(value) & 0x7F);
}

bool TMemoryStreamEx::ReadBoolean() {
    return (ReadInteger() & 0xFF) != 0;
}

void TMemoryStreamEx::WriteString(const std::string& text) {
    WriteInteger(static_cast<std::int32_t>(text.size()));
    WriteBuffer(text.data(), text.size());
}

void TMemoryStreamEx::WriteString(const char (&buffer)[NameBufferSize]) {
    WriteString(std::string(buffer, strnlen(buffer, NameBufferSize)));
}

std::string TMemoryStreamEx::ReadString() {
    std::int32_t length = ReadInteger();
    if (length == 0)
        return {};
    if (length < 0 || static_cast<std::size_t>(length) > Remaining())
        throw tk::EReadError("Stream read error");
    std::string text(static_cast<std::size_t>(length), '\0');
    ReadBuffer(text.data(), text.size());
    return text;
}
