// The LZW decoder of GIF image data.
#pragma once

#include "gif/GifDib.h"

#include <cstddef>
#include <cstdint>

// Decodes one frame's compressed data - the minimum code size byte followed
// by the data sub-blocks with their length bytes, as stored in the file -
// into `dib`, whose size and depth (1, 4 or 8) are already set. Every byte of
// the pixel rows is written, padding included, so the rows need not start
// zeroed. `bitsPerPixel` (1 to 8) is that of the frame's colour table: pixel
// values are masked to it. Interlaced frames fill their rows in the four
// passes of the format.
//
// Decoding stops at the end code, when every row is filled, or when the data
// run out (pixels not reached become 0). Returns true when the data were
// found corrupt: a minimum code size outside 2..9 (clamped into that range)
// or a code chain that does not end within 4096 steps (decoding stops
// there). With `tolerant` false those raise EInvalidGraphicOperation instead.
bool GIFDecodeLZW(const std::uint8_t* data, std::size_t size, int bitsPerPixel, bool interlaced,
                  bool tolerant, TGIFDib& dib);

// The same decoding done the plain way, into a `dib` whose pixels are all 0:
// every string is made by walking its chain in the code table. GIFDecodeLZW
// copies strings that already lie in the picture and writes straight into
// the rows instead, and must give the same pixels and result; this one is
// kept for the tests and the fuzz target to hold it to that.
bool GIFDecodeLZWByChains(const std::uint8_t* data, std::size_t size, int bitsPerPixel,
                          bool interlaced, bool tolerant, TGIFDib& dib);
