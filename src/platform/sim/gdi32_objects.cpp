// GDI objects: creation, deletion, and the bits of metafiles.
#include "platform/sim/state.h"

#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace sim::detail {

GdiObject* findGdi(HGDIOBJ handle) {
    auto& gdi = state().gdi;
    auto it = gdi.find(key(handle));
    return it == gdi.end() ? nullptr : &it->second;
}

HGDIOBJ newGdi(GdiObject object) {
    auto handle = newHandle();
    state().gdi.emplace(handle, std::move(object));
    return toHandle<HGDIOBJ>(handle);
}

} // namespace sim::detail

namespace {

template <typename H> H createWithBytes(DWORD type, UINT size, const void* bytes) {
    auto guard = lock();
    GdiObject object;
    object.type = type;
    object.bytes.assign(static_cast<const char*>(bytes), size);
    return static_cast<H>(newGdi(std::move(object)));
}

template <typename H> UINT copyBytes(DWORD type, H handle, UINT size, void* out) {
    auto guard = lock();
    auto* object = findGdi(handle);
    if (!object || object->type != type) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!out)
        return static_cast<UINT>(object->bytes.size());
    UINT n = std::min<UINT>(size, static_cast<UINT>(object->bytes.size()));
    std::memcpy(out, object->bytes.data(), n);
    return n;
}

} // namespace

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
    auto guard = lock();
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GdiObject object;
    object.type = OBJ_BITMAP;
    object.width = width;
    object.height = height;
    object.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    if (bits && bitsPerPixel == 32)
        std::memcpy(object.pixels.data(), bits, object.pixels.size() * 4);
    return static_cast<HBITMAP>(newGdi(std::move(object)));
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return createWithBytes<HPALETTE>(OBJ_PAL, palette->palNumEntries * sizeof(PALETTEENTRY),
                                     palette->palPalEntry);
}

BOOL DeleteObject(HGDIOBJ object) {
    auto guard = lock();
    return state().gdi.erase(key(object)) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ object) {
    auto guard = lock();
    auto* found = findGdi(object);
    return found ? found->type : 0;
}

HDC CreateEnhMetaFileA(HDC, LPCSTR fileName, const RECT*, LPCSTR) {
    if (fileName) { // only metafiles in memory are made here
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    GdiObject dc;
    dc.type = OBJ_ENHMETADC;
    dc.bytes = std::string(" EMF", 4); // the signature of an enhanced metafile's header
    return static_cast<HDC>(newGdi(std::move(dc)));
}

HENHMETAFILE CloseEnhMetaFile(HDC dc) {
    auto guard = lock();
    auto* object = findGdi(dc);
    if (!object || object->type != OBJ_ENHMETADC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::string bytes = object->bytes;
    DeleteObject(dc);
    return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                              reinterpret_cast<const BYTE*>(bytes.data()));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bytes) {
    return createWithBytes<HENHMETAFILE>(OBJ_ENHMETAFILE, size, bytes);
}

UINT GetEnhMetaFileBits(HENHMETAFILE emf, UINT size, LPBYTE bytes) {
    return copyBytes(OBJ_ENHMETAFILE, emf, size, bytes);
}

BOOL DeleteEnhMetaFile(HENHMETAFILE emf) {
    return DeleteObject(emf);
}

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* bytes) {
    return createWithBytes<HMETAFILE>(OBJ_METAFILE, size, bytes);
}

UINT GetMetaFileBitsEx(HMETAFILE mf, UINT size, LPVOID bytes) {
    return copyBytes(OBJ_METAFILE, mf, size, bytes);
}

BOOL DeleteMetaFile(HMETAFILE mf) {
    return DeleteObject(mf);
}
