#include "clipboard/CoolClipboardComponent.h"
#include "clipboard/ClipRecord.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"

#include <cstring>

using tk::EClipboardException;
using tk::EOutOfMemory;

using tk::TClipboardSession;
using tk::TGlobalBlock;
using tk::TGlobalLock;

HWND TCoolClipboardComponent::Window() const {
    return tk::ApplicationOf(this).Handle();
}

void TCoolClipboardComponent::SaveToFile(const std::string& fileName) {
    TMemoryStreamEx stream;
    int count = CountClipboardFormats();
    for (int i = 0; i < count; ++i) {
        // The i-th format is found anew each time, by i+1 enumeration calls.
        UINT format = 0;
        {
            TClipboardSession session(Window());
            if (!session.Opened())
                throw EClipboardException("Cannot open clipboard");
            for (int call = 0; call <= i; ++call)
                format = EnumClipboardFormats(format);
        }
        SaveFormat(stream, format & 0xFFFF);
    }
    stream.SaveToFile(fileName);
}

void TCoolClipboardComponent::SaveFormat(TMemoryStreamEx& stream, UINT format) {
    TClipboardSession session(Window()); // when the open fails, GetClipboardData yields nothing
    HANDLE data = GetClipboardData(format);
    if (!data)
        return;
    TGlobalLock<const void> bytes(data);
    if (!bytes) // drawing objects (bitmap, palette, enhanced metafile) are no memory blocks
        return;
    char name[TMemoryStreamEx::NameBufferSize] = {};
    SetLastError(NO_ERROR);
    // Windows returns the length of the name it copied, cut to 127
    // characters; Wine copies the same cut name but returns 0 with
    // ERROR_MORE_DATA. Both mean that the format has a name.
    bool named = GetClipboardFormatNameA(format, name, sizeof name) != 0 ||
                 (GetLastError() == ERROR_MORE_DATA && name[0] != '\0');
    TClipRecordFormat record;
    record.Named = named;
    if (named)
        record.Name.assign(name, strnlen(name, sizeof name));
    else
        record.Number = format;
    WriteRecord(stream, record, bytes.Get(), bytes.Size());
}

void TCoolClipboardComponent::LoadFromFile(const std::string& fileName) {
    TMemoryStreamEx stream;
    stream.LoadFromFile(fileName);
    stream.SetPosition(0);
    Clear();
    while (stream.Position() < stream.Size())
        LoadFormat(stream);
}

void TCoolClipboardComponent::LoadFormat(TMemoryStreamEx& stream) {
    TClipboardSession session(Window()); // when the open fails, SetClipboardData refuses the block
    TClipRecordFormat record = ReadRecordFormat(stream);
    // A name is registered as soon as it is read, before the size.
    UINT format = record.Named ? RegisterClipboardFormatA(record.Name.c_str()) : record.Number;
    std::int32_t size = ReadRecordSize(stream);
    TGlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size)));
    if (!block)
        throw EOutOfMemory("Out of memory");
    bool taken;
    {
        TGlobalLock<void> bytes(block.Get());
        if (!bytes && size > 0) // never read into a missing block
            throw EOutOfMemory("Out of memory");
        stream.ReadBuffer(bytes.Get(), static_cast<std::size_t>(size));
        taken = SetClipboardData(format, block.Get()) != nullptr;
    }
    if (taken)
        block.Detach(); // the clipboard owns it now
}

bool TCoolClipboardComponent::Clear() {
    TClipboardSession session(Window());
    return EmptyClipboard() != 0;
}
