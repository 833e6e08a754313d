// barehelper: the least that a capture or a restore of one clipboard format
// has to do, for the Wine benchmark to time cbdtool against.
//
//   barehelper put NAME SIZE    puts SIZE bytes of the pattern as format NAME
//   barehelper check NAME SIZE  exit 0 when the clipboard holds exactly that
//   barehelper save NAME FILE   open, lock the block, write it to FILE, close
//   barehelper load NAME FILE   read FILE into a fresh block, open, empty, set,
//                               close
//   barehelper savecopy NAME FILE  as save, but the block is first copied into
//                               fresh memory and the clipboard closed before
//                               the copy is written: the least a capture that
//                               copies the data out first can do
//   barehelper loadcopy NAME FILE  as load, but FILE is read into fresh memory
//                               first and copied from there into the block:
//                               the least a restore that loads the whole file
//                               first can do
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Bytes that differ from place to place, so that a shifted copy shows
// (the same pattern as wine_bench.py writes).
void fill(unsigned char* p, SIZE_T size) {
    unsigned int x = 2463534242u;
    for (SIZE_T i = 0; i < size; ++i) {
        if (i % 4 == 0) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
        }
        p[i] = static_cast<unsigned char>(x >> (8 * (i % 4)));
    }
}

bool openClipboard() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(20);
    }
    std::fprintf(stderr, "barehelper: cannot open the clipboard\n");
    return false;
}

int put(UINT format, SIZE_T size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return 1;
    fill(static_cast<unsigned char*>(GlobalLock(block)), size);
    GlobalUnlock(block);
    if (!openClipboard()) {
        GlobalFree(block);
        return 1;
    }
    EmptyClipboard();
    bool set = SetClipboardData(format, block) != nullptr;
    CloseClipboard();
    if (!set)
        GlobalFree(block);
    return set ? 0 : 1;
}

int check(UINT format, SIZE_T size) {
    if (!openClipboard())
        return 1;
    bool same = false;
    if (HANDLE data = GetClipboardData(format)) {
        auto* bytes = static_cast<const unsigned char*>(GlobalLock(data));
        if (bytes && GlobalSize(data) == size) {
            auto* expected = static_cast<unsigned char*>(std::malloc(size));
            fill(expected, size);
            same = std::memcmp(bytes, expected, size) == 0;
            std::free(expected);
        }
        if (bytes)
            GlobalUnlock(data);
    }
    CloseClipboard();
    return same ? 0 : 1;
}

bool writeFile(const char* file, const void* bytes, DWORD size) {
    HANDLE out =
        CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    bool written = WriteFile(out, bytes, size, &n, nullptr) && n == size;
    CloseHandle(out);
    return written;
}

int save(UINT format, const char* file, bool copyFirst) {
    if (!openClipboard())
        return 1;
    bool written = false;
    HGLOBAL copy = nullptr;
    DWORD size = 0;
    if (HANDLE data = GetClipboardData(format)) {
        if (const void* bytes = GlobalLock(data)) {
            size = static_cast<DWORD>(GlobalSize(data));
            if (copyFirst) {
                copy = GlobalAlloc(GMEM_MOVEABLE, size);
                if (copy) {
                    std::memcpy(GlobalLock(copy), bytes, size);
                    GlobalUnlock(copy);
                }
            } else {
                written = writeFile(file, bytes, size);
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (copy) {
        written = writeFile(file, GlobalLock(copy), size);
        GlobalUnlock(copy);
        GlobalFree(copy);
    }
    return written ? 0 : 1;
}

int load(UINT format, const char* file, bool copyFirst) {
    HANDLE in = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return 1;
    DWORD size = GetFileSize(in, nullptr), n = 0;
    HGLOBAL whole = GlobalAlloc(GMEM_MOVEABLE, size);
    bool read = whole && ReadFile(in, GlobalLock(whole), size, &n, nullptr) && n == size;
    CloseHandle(in);
    if (whole)
        GlobalUnlock(whole);
    HGLOBAL block = whole;
    if (copyFirst && read) {
        block = GlobalAlloc(GMEM_MOVEABLE, size);
        if (block) {
            std::memcpy(GlobalLock(block), GlobalLock(whole), size);
            GlobalUnlock(whole);
            GlobalUnlock(block);
        }
        GlobalFree(whole);
        read = block != nullptr;
    }
    bool set = false;
    if (read && openClipboard()) {
        EmptyClipboard();
        set = SetClipboardData(format, block) != nullptr;
        CloseClipboard();
    }
    if (block && !set)
        GlobalFree(block);
    return set ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: barehelper put|check NAME SIZE | save|load|savecopy|loadcopy NAME FILE\n");
        return 2;
    }
    const char* command = argv[1];
    UINT format = RegisterClipboardFormatA(argv[2]);
    SIZE_T size = static_cast<SIZE_T>(std::strtoull(argv[3], nullptr, 10));
    if (std::strcmp(command, "put") == 0)
        return put(format, size);
    if (std::strcmp(command, "check") == 0)
        return check(format, size);
    if (std::strcmp(command, "save") == 0 || std::strcmp(command, "savecopy") == 0)
        return save(format, argv[3], command[4] != '\0');
    if (std::strcmp(command, "load") == 0 || std::strcmp(command, "loadcopy") == 0)
        return load(format, argv[3], command[4] != '\0');
    std::fprintf(stderr, "barehelper: unknown command %s\n", command);
    return 2;
}
