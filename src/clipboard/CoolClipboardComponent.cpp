#include "clipboard/CoolClipboardComponent.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"

#include <limits>

using tk::EClipboardException;
using tk::EOutOfMemory;
using tk::EReadError;
using tk::EWriteError;

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
    SIZE_T size = bytes.Size();
    if (size > static_cast<SIZE_T>(std::numeric_limits<std::int32_t>::max()))
        throw EWriteError("Stream write error"); // a size field holds at most 2 GB - 1
    char name[TMemoryStreamEx::NameBufferSize] = {};
    SetLastError(NO_ERROR);
    // Windows returns the length of the name it copied, cut to 127
    // characters; Wine copies the same cut name but returns 0 with
    // ERROR_MORE_DATA. Both mean that the format has a name.
    bool named = GetClipboardFormatNameA(format, name, sizeof name) != 0 ||
                 (GetLastError() == ERROR_MORE_DATA && name[0] != '\0');
    stream.WriteBoolean(named);
    if (named)
        stream.WriteString(name);
    else
        stream.WriteInteger(static_cast<std::int32_t>(format));
    stream.WriteInteger(static_cast<std::int32_t>(size));
    stream.WriteBuffer(bytes.Get(), size);
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
    UINT format;
    if (stream.ReadBoolean())
        format = RegisterClipboardFormatA(stream.ReadString().c_str());
    else
        format = static_cast<UINT>(stream.ReadInteger());
    std::int32_t size = stream.ReadInteger();
    // A size the file cannot hold fails before any memory is taken for it.
    if (size < 0 || static_cast<std::size_t>(size) > stream.Remaining())
        throw EReadError("Stream read error");
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
