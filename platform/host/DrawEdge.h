#pragma once
// DrawEdge as user32 has it for rectangles: one or two one-pixel borders,
// light on the top and left for raised edges and dark for sunken ones, in
// system colours taken from the palette of the device context.

#include <QPainter>
#include <QPalette>
#include <cstdint>

namespace platform::user32 {

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};

// A device context: the painter on a drawing surface and the palette that
// supplies its system colours.
struct HDC {
    QPainter* painter = nullptr;
    QPalette palette;
};

inline constexpr unsigned BDR_RAISEDOUTER = 0x1;
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned BDR_SUNKENINNER = 0x8;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;

inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

// Draws the edge inside qrc (right and bottom exclusive). False when the
// edge type asks for both raised and sunken lines on one border, which
// Windows refuses too; nothing is drawn for edge type 0.
bool DrawEdge(const HDC& hdc, const RECT& qrc, unsigned edge, unsigned grfFlags);

}  // namespace platform::user32
