// The memory stream of clipboard content files: 32-bit little-endian
// integers, flags and length-prefixed strings.
#pragma once

#include "toolkit/Classes.h"

#include <cstdint>
#include <string>

class TMemoryStreamEx : public tk::TMemoryStream {
public:
    static constexpr std::size_t NameBufferSize = 128;

    void WriteInteger(std::int32_t value);
    // A field cut short by the end of the data fails with "Stream read error".
    std::int32_t ReadInteger();
    // Written as a 32-bit 1 or 0; read back as true when the first
    // (low-order) byte is non-zero, whatever the other three hold.
    void WriteBoolean(bool value);
    bool ReadBoolean();
    // The byte count, then the bytes, no terminator.
    void WriteString(const std::string& text);
    // The buffer's bytes up to its first NUL (all 128 when there is none).
    void WriteString(const char (&buffer)[NameBufferSize]);
    std::string ReadString();
};
