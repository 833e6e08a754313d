// The records of a clipboard content file (".cbd"): one per format, in the
// order the clipboard listed them. A record is the named flag (32 bits),
// then the format's name (a length-prefixed string) or its number (32 bits),
// then the data's size (32 bits) and the data's bytes. The store, cbdtool and
// the fuzz target all read and write records here.
#pragma once

#include "clipboard/MemoryStreamEx.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The format a record is for: a registered format by its name, any other by
// its number.
struct TClipRecordFormat {
    bool Named = false;
    std::string Name;
    std::uint32_t Number = 0;
};

// Reads a record's format at the stream's position: the named flag, then the
// name or the number. A field cut short ends in "Stream read error".
TClipRecordFormat ReadRecordFormat(TMemoryStreamEx& stream);
// Reads the data size that follows the format. A negative size, or one larger
// than what remains of the stream, is "Stream read error", raised before
// anything is taken for the data.
std::int32_t ReadRecordSize(TMemoryStreamEx& stream);

// A whole record as it lies in the stream: its format, the size of its data
// and where the data starts. ReadRecord leaves the stream after the data.
struct TClipRecord {
    TClipRecordFormat Format;
    std::int32_t Size = 0;
    std::size_t DataOffset = 0;
};
TClipRecord ReadRecord(TMemoryStreamEx& stream);

// Appends a record. A size field holds at most 2 GB - 1: larger data is
// "Stream write error", and nothing is written.
void WriteRecord(TMemoryStreamEx& stream, const TClipRecordFormat& format, const void* data,
                 std::size_t size);
