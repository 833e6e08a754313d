#include "clipboard/ClipRecord.h"

#include <limits>

TClipRecordFormat ReadRecordFormat(TMemoryStreamEx& stream) {
    TClipRecordFormat format;
    format.Named = stream.ReadBoolean();
    if (format.Named)
        format.Name = stream.ReadString();
    else
        format.Number = static_cast<std::uint32_t>(stream.ReadInteger());
    return format;
}

std::int32_t ReadRecordSize(TMemoryStreamEx& stream) {
    std::int32_t size = stream.ReadInteger();
    if (size < 0 || static_cast<std::size_t>(size) > stream.Remaining())
        throw tk::EReadError("Stream read error");
    return size;
}

TClipRecord ReadRecord(TMemoryStreamEx& stream) {
    TClipRecord record;
    record.Format = ReadRecordFormat(stream);
    record.Size = ReadRecordSize(stream);
    record.DataOffset = static_cast<std::size_t>(stream.Position());
    stream.Seek(record.Size, tk::TSeekOrigin::soCurrent);
    return record;
}

void WriteRecord(TMemoryStreamEx& stream, const TClipRecordFormat& format, const void* data,
                 std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw tk::EWriteError("Stream write error");
    stream.WriteBoolean(format.Named);
    if (format.Named)
        stream.WriteString(format.Name);
    else
        stream.WriteInteger(static_cast<std::int32_t>(format.Number));
    stream.WriteInteger(static_cast<std::int32_t>(size));
    stream.WriteBuffer(data, size);
}
