#include "clipboard/CoolClipboardComponent.h"
#include "toolkit/Application.h"

#include <limits>

using tk::EClipboardException;
using tk::EOutOfMemory;
using tk::EReadError;
using tk::EWriteError;

namespace {

// Every open of the clipboard is paired with a close, on every path.
struct ClipboardCloser {
    ClipboardCloser() = default;
    ClipboardCloser(const ClipboardCloser&) = delete;
    ClipboardCloser& operator=(const ClipboardCloser&) = delete;
    ~ClipboardCloser() { CloseClipboard(); }
};

// Unlocks a block that GlobalLock gave an address for.
struct BlockUnlocker {
    HGLOBAL block;
    const void* address;
    BlockUnlocker(HGLOBAL b, const void* a) : block(b), address(a) {}
    BlockUnlocker(const BlockUnlocker&) = delete;
    BlockUnlocker& operator=(const BlockUnlocker&) = delete;
    ~BlockUnlocker() {
        if (address)
            GlobalUnlock(block);
    }
};

// A block the program allocated: freed unless the clipboard took it.
struct OwnedBlock {
    HGLOBAL block;
    explicit OwnedBlock(HGLOBAL b) : block(b) {}
    OwnedBlock(const OwnedBlock&) = delete;
    OwnedBlock& operator=(const OwnedBlock&) = delete;
    ~OwnedBlock() {
        if (block)
            GlobalFree(block);
    }
};

} // namespace

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
            if (!OpenClipboard(Window()))
                throw EClipboardException("Cannot open clipboard");
            ClipboardCloser closer;
            for (int call = 0; call <= i; ++call)
                format = EnumClipboardFormats(format);
        }
        SaveFormat(stream, format & 0xFFFF);
    }
    stream.SaveToFile(fileName);
}

void TCoolClipboardComponent::SaveFormat(TMemoryStreamEx& stream, UINT format) {
    OpenClipboard(Window()); // when this fails, GetClipboardData yields nothing
    ClipboardCloser closer;
    HANDLE data = GetClipboardData(format);
    if (!data)
        return;
    const void* bytes = GlobalLock(data);
    if (!bytes) // drawing objects (bitmap, palette, enhanced metafile) are no memory blocks
        return;
    BlockUnlocker unlock{data, bytes};
    SIZE_T size = GlobalSize(data);
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
    stream.WriteBuffer(bytes, size);
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
    OpenClipboard(Window()); // when this fails, SetClipboardData refuses the block
    ClipboardCloser closer;
    UINT format;
    if (stream.ReadBoolean())
        format = RegisterClipboardFormatA(stream.ReadString().c_str());
    else
        format = static_cast<UINT>(stream.ReadInteger());
    std::int32_t size = stream.ReadInteger();
    // A size the file cannot hold fails before any memory is taken for it.
    if (size < 0 || static_cast<std::size_t>(size) > stream.Remaining())
        throw EReadError("Stream read error");
    OwnedBlock block{GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size))};
    if (!block.block)
        throw EOutOfMemory("Out of memory");
    void* bytes = GlobalLock(block.block);
    if (!bytes && size > 0) // never read into a missing block
        throw EOutOfMemory("Out of memory");
    bool taken;
    {
        BlockUnlocker unlock{block.block, bytes};
        stream.ReadBuffer(bytes, static_cast<std::size_t>(size));
        taken = SetClipboardData(format, block.block) != nullptr;
    }
    if (taken)
        block.block = nullptr; // the clipboard owns it now
}

bool TCoolClipboardComponent::Clear() {
    OpenClipboard(Window());
    ClipboardCloser closer;
    return EmptyClipboard() != 0;
}
