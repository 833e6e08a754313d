// The exception the GIF reader and decoder raise, and their message texts.
#pragma once

#include "toolkit/SysUtils.h"

// The framework's failure of an operation on a picture.
class EInvalidGraphicOperation : public tk::Exception {
public:
    using tk::Exception::Exception;
};

inline constexpr const char* SGIFVersion = "Unknown GIF version";
inline constexpr const char* SGIFExtension = "Unrecognized extension block: %.2x";
inline constexpr const char* SGIFReadError = "Stream read error";
inline constexpr const char* SGIFWrongColors = "Wrong number of colors; must be a power of 2";
inline constexpr const char* SGIFCodeSize = "GIF code size not in range 2 to 9";
inline constexpr const char* SGIFDecodeError = "GIF encoded data is corrupt";
