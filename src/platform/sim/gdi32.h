// gdi32 as the simulator gives it: GDI objects held in memory.
#pragma once

#include "platform/sim/wintypes.h"

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define MM_ANISOTROPIC 8

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct METAFILEPICT {
    LONG mm;
    LONG xExt;
    LONG yExt;
    HMETAFILE hMF;
};

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HPALETTE CreatePalette(const LOGPALETTE* palette);
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);

HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description);
HENHMETAFILE CloseEnhMetaFile(HDC dc);
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bytes);
UINT GetEnhMetaFileBits(HENHMETAFILE emf, UINT size, LPBYTE bytes);
BOOL DeleteEnhMetaFile(HENHMETAFILE emf);
HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* bytes);
UINT GetMetaFileBitsEx(HMETAFILE mf, UINT size, LPVOID bytes);
BOOL DeleteMetaFile(HMETAFILE mf);
