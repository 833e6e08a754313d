// Drawing steps of the menu's side label, usable on their own: a gradient
// in bands, text with a drop shadow, and a quarter turn of a bitmap.
#pragma once

#include "platform/win32.h"
#include "toolkit/Graphics.h"

#include <string>

enum class TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Fills `rect` from `from` to `to` in `steps` bands across x (`horizontal`)
// or y. Band n covers [MulDiv(n, length, steps), MulDiv(n + 1, length,
// steps)) and has the start colour plus MulDiv(n, difference, steps): the
// end colour itself is never painted. Nothing for steps <= 0.
void GradientFill(HDC dc, const RECT& rect, tk::TColor from, bool horizontal, int steps,
                  tk::TColor to);

// Draws `text` with DrawTextA and `format`, first in the shadow colour,
// then in the text colour, the two `size` pixels apart as `position` says.
// The text rectangle stays moved afterwards.
void DrawShadowText(HDC dc, RECT& text, TShadowPosition position, int size, COLORREF shadow,
                    COLORREF color, UINT format, const std::string& caption);

// Turns a bitmap a quarter counterclockwise through a device-independent
// image of it: what read left to right reads bottom to top.
void RotateBitmap(tk::TBitmap& bitmap);
