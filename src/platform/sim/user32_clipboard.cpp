// The clipboard: formats in the order they were set, the formats Windows
// offers by conversion, open/close per task, owner, sequence and the viewer
// chain.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

using namespace sim::detail;

namespace {

Clipboard& board() {
    return state().clipboard;
}

bool isGdiFormat(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
           format == CF_DSPBITMAP || format == CF_DSPENHMETAFILE;
}

ClipboardEntry* findEntry(UINT format) {
    auto& entries = board().entries;
    auto it = std::find_if(entries.begin(), entries.end(),
                           [format](const ClipboardEntry& e) { return e.format == format; });
    return it == entries.end() ? nullptr : &*it;
}

bool openedByCaller() {
    return board().open && board().openTask == currentTask();
}

// The groups of formats that Windows converts into one another, each in
// the order in which the missing members are added when the clipboard closes.
struct SynthesisGroup {
    std::vector<UINT> members;
};

const std::vector<SynthesisGroup>& synthesisGroups() {
    static const std::vector<SynthesisGroup> groups = {
        {{CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT}},
        {{CF_BITMAP, CF_DIB, CF_DIBV5}},
        {{CF_METAFILEPICT, CF_ENHMETAFILE}},
    };
    return groups;
}

void addSynthesized() {
    auto& entries = board().entries;
    auto present = [&](UINT f) {
        return findEntry(f) != nullptr;
    };
    for (const auto& group : synthesisGroups()) {
        bool any = std::any_of(group.members.begin(), group.members.end(), present);
        if (!any)
            continue;
        if (group.members.front() == CF_TEXT && !present(CF_LOCALE))
            entries.push_back(ClipboardEntry{CF_LOCALE, nullptr, true});
        for (UINT f : group.members)
            if (!present(f))
                entries.push_back(ClipboardEntry{f, nullptr, true});
    }
}

// The bytes of a memory format that is on the clipboard for real, or empty.
bool memoryBytes(UINT format, std::string& out) {
    auto* entry = findEntry(format);
    if (!entry || entry->synthesized || !entry->data)
        return false;
    auto* block = findBlock(entry->data);
    if (!block)
        return false;
    out.assign(reinterpret_cast<const char*>(block->data), block->size);
    return true;
}

// The code pages of the simulated desktop are Latin-1 for both ANSI and OEM.
std::string wideFromAnsi(const std::string& ansi) {
    std::string wide;
    for (unsigned char c : ansi) {
        wide.push_back(static_cast<char>(c));
        wide.push_back('\0');
    }
    return wide;
}

std::string ansiFromWide(const std::string& wide) {
    std::string ansi;
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
        unsigned code = static_cast<unsigned char>(wide[i]) |
                        (static_cast<unsigned>(static_cast<unsigned char>(wide[i + 1])) << 8);
        ansi.push_back(code < 256 ? static_cast<char>(code) : '?');
    }
    return ansi;
}

std::string dibFromBitmap(const GdiObject& bitmap, DWORD headerSize) {
    std::string dib(headerSize, '\0');
    BITMAPINFOHEADER header{};
    header.biSize = headerSize;
    header.biWidth = bitmap.width;
    header.biHeight = bitmap.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(bitmap.pixels.size() * 4);
    std::memcpy(dib.data(), &header, sizeof header);
    for (int row = bitmap.height - 1; row >= 0; --row) // bottom row first
        dib.append(
            reinterpret_cast<const char*>(&bitmap.pixels[static_cast<std::size_t>(row) *
                                                         static_cast<std::size_t>(bitmap.width)]),
            static_cast<std::size_t>(bitmap.width) * 4);
    return dib;
}

// Builds a bitmap from a packed DIB of 1, 4, 8, 24 or 32 bits per pixel,
// uncompressed; null when the DIB is of another kind or shorter than its
// header says.
HBITMAP bitmapFromDib(const std::string& dib) {
    BITMAPINFOHEADER header{};
    if (dib.size() < sizeof header)
        return nullptr;
    std::memcpy(&header, dib.data(), sizeof header);
    long long width = header.biWidth;
    long long height =
        header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    unsigned bits = header.biBitCount;
    if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF ||
        header.biSize < sizeof header || header.biSize > dib.size() ||
        (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return nullptr;
    std::size_t colors =
        bits <= 8 ? (header.biClrUsed && header.biClrUsed < (1u << bits) ? header.biClrUsed
                                                                         : (1u << bits))
                  : 0;
    std::size_t masks = header.biCompression == BI_BITFIELDS && header.biSize == 40 ? 12 : 0;
    std::size_t offset = header.biSize + masks + colors * 4;
    std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (offset > dib.size() || (dib.size() - offset) / stride < static_cast<std::size_t>(height))
        return nullptr;
    auto* palette = reinterpret_cast<const unsigned char*>(dib.data() + header.biSize + masks);
    HBITMAP bitmap =
        CreateBitmap(static_cast<int>(width), static_cast<int>(height), 1, 32, nullptr);
    auto* object = findGdi(bitmap);
    for (long long row = 0; row < height; ++row) {
        long long source = header.biHeight < 0 ? row : height - 1 - row;
        auto* line = reinterpret_cast<const unsigned char*>(dib.data() + offset) +
                     stride * static_cast<std::size_t>(source);
        auto* out = &object->pixels[static_cast<std::size_t>(row * width)];
        for (long long x = 0; x < width; ++x) {
            const unsigned char* bgr;
            if (bits >= 24) {
                bgr = line + x * (bits / 8);
            } else {
                std::size_t bit = static_cast<std::size_t>(x) * bits;
                unsigned index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                bgr = palette + 4 * std::min<std::size_t>(index, colors - 1);
            }
            out[x] = bgr[0] | (static_cast<std::uint32_t>(bgr[1]) << 8) |
                     (static_cast<std::uint32_t>(bgr[2]) << 16);
        }
    }
    return bitmap;
}

// Produces the data of a synthesized format from the real formats.
HANDLE render(UINT format) {
    std::string bytes;
    switch (format) {
    case CF_TEXT:
    case CF_OEMTEXT:
        if (memoryBytes(CF_UNICODETEXT, bytes))
            return newBlock(ansiFromWide(bytes).data(), bytes.size() / 2);
        if (memoryBytes(format == CF_TEXT ? CF_OEMTEXT : CF_TEXT, bytes))
            return newBlock(bytes.data(), bytes.size());
        return nullptr;
    case CF_UNICODETEXT:
        if (memoryBytes(CF_TEXT, bytes) || memoryBytes(CF_OEMTEXT, bytes)) {
            auto wide = wideFromAnsi(bytes);
            return newBlock(wide.data(), wide.size());
        }
        return nullptr;
    case CF_LOCALE: {
        DWORD lcid = 0x0409;
        return newBlock(&lcid, sizeof lcid);
    }
    case CF_DIB:
    case CF_DIBV5: {
        DWORD headerSize = format == CF_DIB ? 40 : 124;
        if (auto* entry = findEntry(CF_BITMAP); entry && !entry->synthesized) {
            if (auto* bitmap = findGdi(entry->data)) {
                auto dib = dibFromBitmap(*bitmap, headerSize);
                return newBlock(dib.data(), dib.size());
            }
        }
        if (memoryBytes(format == CF_DIB ? CF_DIBV5 : CF_DIB, bytes)) {
            HBITMAP bitmap = bitmapFromDib(bytes);
            if (!bitmap)
                return nullptr;
            auto dib = dibFromBitmap(*findGdi(bitmap), headerSize);
            DeleteObject(bitmap);
            return newBlock(dib.data(), dib.size());
        }
        return nullptr;
    }
    case CF_BITMAP:
        if (memoryBytes(CF_DIB, bytes) || memoryBytes(CF_DIBV5, bytes))
            return bitmapFromDib(bytes);
        return nullptr;
    case CF_ENHMETAFILE: {
        std::string picture;
        if (!memoryBytes(CF_METAFILEPICT, picture) || picture.size() < sizeof(METAFILEPICT))
            return nullptr;
        METAFILEPICT mfp{};
        std::memcpy(&mfp, picture.data(), sizeof mfp);
        auto* metafile = findGdi(mfp.hMF);
        std::string bits = metafile ? metafile->bytes : std::string();
        return SetEnhMetaFileBits(static_cast<UINT>(bits.size()),
                                  reinterpret_cast<const BYTE*>(bits.data()));
    }
    case CF_METAFILEPICT: {
        auto* entry = findEntry(CF_ENHMETAFILE);
        auto* emf = entry && !entry->synthesized ? findGdi(entry->data) : nullptr;
        if (!emf)
            return nullptr;
        METAFILEPICT mfp{MM_ANISOTROPIC, 0, 0,
                         SetMetaFileBitsEx(static_cast<UINT>(emf->bytes.size()),
                                           reinterpret_cast<const BYTE*>(emf->bytes.data()))};
        return newBlock(&mfp, sizeof mfp);
    }
    default:
        return nullptr;
    }
}

void markOwned(HANDLE data, bool owned) {
    if (auto* block = findBlock(data))
        block->ownedByClipboard = owned;
}

int otherTask() {
    static const std::string otherProgram = "C:\\Program Files\\Other\\other.exe";
    for (const auto& task : state().tasks)
        if (task.modulePath == otherProgram)
            return task.id;
    return sim::CreateTask(otherProgram);
}

void notifyViewer() {
    HWND viewer;
    HWND owner;
    {
        auto guard = lock();
        viewer = board().viewer;
        owner = board().owner;
    }
    if (viewer)
        SendMessageA(viewer, WM_DRAWCLIPBOARD, reinterpret_cast<WPARAM>(owner), 0);
}

} // namespace

namespace sim::detail {

void freeClipboardData(UINT format, HANDLE data) {
    if (!data)
        return;
    if (auto* block = findBlock(data)) {
        if (format == CF_METAFILEPICT && block->size >= sizeof(METAFILEPICT)) {
            METAFILEPICT mfp{};
            std::memcpy(&mfp, block->data, sizeof mfp);
            if (auto* metafile = findGdi(mfp.hMF); metafile && metafile->type == OBJ_METAFILE)
                DeleteObject(mfp.hMF);
        }
        block->ownedByClipboard = false;
        GlobalFree(data);
        return;
    }
    DeleteObject(data);
}

void resetClipboard() {
    auto& b = board();
    for (auto& entry : b.entries)
        freeClipboardData(entry.format, entry.data);
    b = Clipboard{};
}

void forgetWindow(HWND hwnd) {
    auto& b = board();
    if (b.open && b.openWindow == hwnd)
        b.openWindow = nullptr;
    if (b.owner == hwnd)
        b.owner = nullptr;
    if (b.viewer == hwnd)
        b.viewer = nullptr;
}

} // namespace sim::detail

BOOL OpenClipboard(HWND newOwner) {
    if (currentTask() == 1) {
        std::function<void()> hook = openClipboardHook();
        if (hook)
            hook();
    }
    auto guard = lock();
    auto& b = board();
    if (b.open && b.openTask != currentTask()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!b.open)
        b.changed = false;
    if (!b.open)
        b.openedAt = std::chrono::steady_clock::now();
    b.open = true;
    b.openTask = currentTask();
    b.openWindow = newOwner;
    return TRUE;
}

BOOL CloseClipboard() {
    bool changed;
    {
        auto guard = lock();
        auto& b = board();
        if (!openedByCaller()) {
            SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
            return FALSE;
        }
        if (b.openTask == 1)
            b.longestHold = std::max(b.longestHold, std::chrono::steady_clock::now() - b.openedAt);
        changed = b.changed;
        if (changed) {
            addSynthesized();
            ++b.sequence;
        }
        b.open = false;
        b.openTask = 0;
        b.openWindow = nullptr;
        b.changed = false;
    }
    if (changed)
        notifyViewer();
    return TRUE;
}

BOOL EmptyClipboard() {
    auto guard = lock();
    auto& b = board();
    if (!openedByCaller()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    for (auto& entry : b.entries)
        freeClipboardData(entry.format, entry.data);
    b.entries.clear();
    b.owner = b.openWindow;
    b.changed = true;
    return TRUE;
}

int CountClipboardFormats() {
    auto guard = lock();
    return static_cast<int>(board().entries.size());
}

UINT EnumClipboardFormats(UINT format) {
    auto guard = lock();
    if (!openedByCaller()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return 0;
    }
    SetLastError(NO_ERROR);
    auto& entries = board().entries;
    if (format == 0)
        return entries.empty() ? 0 : entries.front().format;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].format == format)
            return i + 1 < entries.size() ? entries[i + 1].format : 0;
    return 0;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    auto guard = lock();
    return findEntry(format) != nullptr;
}

HANDLE GetClipboardData(UINT format) {
    auto guard = lock();
    if (!openedByCaller()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    auto* entry = findEntry(format);
    if (!entry)
        return nullptr;
    if (entry->synthesized && !entry->data) {
        HANDLE data = render(format);
        entry = findEntry(format); // rendering may have added objects, not entries
        entry->data = data;
        markOwned(data, true);
    }
    return entry->data;
}

HANDLE SetClipboardData(UINT format, HANDLE mem) {
    auto guard = lock();
    auto& b = board();
    if (!openedByCaller()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (format == 0 || !mem) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (isGdiFormat(format)) {
        if (!findGdi(mem)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    } else {
        auto* block = findBlock(mem);
        // A block without bytes is refused, as on Windows, whose clipboard
        // copies the block's content.
        if (!block || block->size == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    if (auto* entry = findEntry(format)) {
        if (entry->data != mem)
            freeClipboardData(entry->format, entry->data);
        entry->data = mem;
        entry->synthesized = false;
    } else {
        b.entries.push_back(ClipboardEntry{format, mem, false});
    }
    markOwned(mem, true);
    b.changed = true;
    return mem;
}

UINT RegisterClipboardFormatA(LPCSTR formatName) {
    auto guard = lock();
    std::string name = formatName ? formatName : "";
    if (name.empty() || name.size() > 255) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    auto& b = board();
    for (auto& [number, registered] : b.registeredNames)
        if (lower(registered) == lower(name))
            return number;
    if (b.nextRegistered > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    UINT number = b.nextRegistered++;
    b.registeredNames[number] = name;
    return number;
}

int GetClipboardFormatNameA(UINT format, LPSTR formatName, int maxCount) {
    auto guard = lock();
    auto& names = board().registeredNames;
    auto it = names.find(format);
    if (it == names.end() || maxCount <= 0 || !formatName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = std::min<int>(static_cast<int>(it->second.size()), maxCount - 1);
    std::memcpy(formatName, it->second.data(), static_cast<std::size_t>(n));
    formatName[n] = '\0';
    return n;
}

HWND GetClipboardOwner() {
    auto guard = lock();
    return board().owner;
}

HWND GetOpenClipboardWindow() {
    auto guard = lock();
    return board().open ? board().openWindow : nullptr;
}

DWORD GetClipboardSequenceNumber() {
    auto guard = lock();
    return board().sequence;
}

HWND SetClipboardViewer(HWND newViewer) {
    HWND previous;
    {
        auto guard = lock();
        if (!findWindow(newViewer)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        previous = board().viewer;
        board().viewer = newViewer;
    }
    // The new head learns the content at once.
    SendMessageA(newViewer, WM_DRAWCLIPBOARD, reinterpret_cast<WPARAM>(GetClipboardOwner()), 0);
    return previous;
}

HWND GetClipboardViewer() {
    auto guard = lock();
    return board().viewer;
}

BOOL ChangeClipboardChain(HWND remove, HWND newNext) {
    HWND head;
    {
        auto guard = lock();
        head = board().viewer;
        if (head == remove) { // the head leaves: its successor is the new head
            board().viewer = newNext;
            return TRUE;
        }
    }
    if (!head)
        return FALSE;
    return static_cast<BOOL>(SendMessageA(head, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(remove),
                                          reinterpret_cast<LPARAM>(newNext)));
}

namespace sim {

void PutClipboard(const std::vector<ClipFormat>& formats) {
    int task;
    {
        auto guard = lock();
        task = otherTask();
    }
    TaskScope as(task);
    if (!OpenClipboard(nullptr))
        throw std::runtime_error("sim::PutClipboard: the clipboard is open");
    EmptyClipboard();
    for (const auto& f : formats) {
        UINT format = f.name.empty() ? f.format : RegisterClipboardFormatA(f.name.c_str());
        HANDLE block = newBlock(f.bytes.data(), f.bytes.size());
        if (!SetClipboardData(format, block))
            GlobalFree(block);
    }
    CloseClipboard();
}

std::vector<ClipFormat> ReadClipboard() {
    int task;
    {
        auto guard = lock();
        task = otherTask();
    }
    TaskScope as(task);
    std::vector<ClipFormat> result;
    if (!OpenClipboard(nullptr))
        throw std::runtime_error("sim::ReadClipboard: the clipboard is open");
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        ClipFormat f;
        f.format = format;
        char name[256] = {};
        if (GetClipboardFormatNameA(format, name, sizeof name))
            f.name = name;
        {
            auto guard = lock();
            f.synthesized = findEntry(format)->synthesized;
        }
        HANDLE data = GetClipboardData(format);
        if (auto* p = static_cast<const char*>(GlobalLock(data))) {
            f.bytes.assign(p, GlobalSize(data));
            GlobalUnlock(data);
        }
        result.push_back(f);
    }
    CloseClipboard();
    return result;
}

double LongestClipboardHold() {
    auto guard = lock();
    return std::chrono::duration<double>(board().longestHold).count();
}

void ResetClipboardHold() {
    auto guard = lock();
    board().longestHold = {};
}

int ClipboardOpenTask() {
    auto guard = lock();
    return board().open ? board().openTask : 0;
}

void HoldClipboardOpen() {
    int task;
    {
        auto guard = lock();
        task = otherTask();
    }
    TaskScope as(task);
    if (!OpenClipboard(nullptr))
        throw std::runtime_error("sim::HoldClipboardOpen: the clipboard is open");
}

void ReleaseClipboard() {
    int task;
    {
        auto guard = lock();
        task = otherTask();
    }
    TaskScope as(task);
    CloseClipboard();
}

} // namespace sim
