#include "platform/host/DrawEdge.h"

#include <array>

#include "platform/host/SysColor.h"

namespace platform::user32 {
namespace {

constexpr int none = -1;

// Pens by the four border bits of the edge type. A lone inner border is
// drawn where the outer one would be, so its colours sit in the outer rows.
constexpr std::array<int, 16> ltInner = {none,
                                         none,
                                         none,
                                         none,
                                         none,
                                         COLOR_BTNHIGHLIGHT,
                                         COLOR_BTNHIGHLIGHT,
                                         none,
                                         none,
                                         COLOR_3DDKSHADOW,
                                         COLOR_3DDKSHADOW,
                                         none,
                                         none,
                                         none,
                                         none,
                                         none};
constexpr std::array<int, 16> ltOuter = {none,
                                         COLOR_3DLIGHT,
                                         COLOR_BTNSHADOW,
                                         none,
                                         COLOR_BTNHIGHLIGHT,
                                         COLOR_3DLIGHT,
                                         COLOR_BTNSHADOW,
                                         none,
                                         COLOR_3DDKSHADOW,
                                         COLOR_3DLIGHT,
                                         COLOR_BTNSHADOW,
                                         none,
                                         none,
                                         COLOR_3DLIGHT,
                                         COLOR_BTNSHADOW,
                                         none};
constexpr std::array<int, 16> rbInner = {none,
                                         none,
                                         none,
                                         none,
                                         none,
                                         COLOR_BTNSHADOW,
                                         COLOR_BTNSHADOW,
                                         none,
                                         none,
                                         COLOR_3DLIGHT,
                                         COLOR_3DLIGHT,
                                         none,
                                         none,
                                         none,
                                         none,
                                         none};
constexpr std::array<int, 16> rbOuter = {none,
                                         COLOR_3DDKSHADOW,
                                         COLOR_BTNHIGHLIGHT,
                                         none,
                                         COLOR_BTNSHADOW,
                                         COLOR_3DDKSHADOW,
                                         COLOR_BTNHIGHLIGHT,
                                         none,
                                         COLOR_3DLIGHT,
                                         COLOR_3DDKSHADOW,
                                         COLOR_BTNHIGHLIGHT,
                                         none,
                                         none,
                                         COLOR_3DDKSHADOW,
                                         COLOR_BTNHIGHLIGHT,
                                         none};

// MoveTo/LineTo: the end point is not drawn.
void lineTo(QPainter& p, const QColor& color, int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    if (y1 == y2) {
        if (x2 < x1) return;
        p.fillRect(x1, y1, x2 - x1, 1, color);
    } else if (x1 == x2) {
        if (y2 < y1) return;
        p.fillRect(x1, y1, 1, y2 - y1, color);
    }
}

}  // namespace

bool DrawEdge(const HDC& hdc, const RECT& qrc, unsigned edge, unsigned grfFlags) {
    const unsigned kind = edge & 0xF;
    const bool ok = (kind & 0x3) != 0x3 && (kind & 0xC) != 0xC;
    if (!hdc.painter) return false;
    QPainter& p = *hdc.painter;
    const RECT r = qrc;
    const auto pen = [&](int index) { return GetSysColor(index, hdc.palette); };

    const bool top = grfFlags & BF_TOP, left = grfFlags & BF_LEFT;
    const bool bottom = grfFlags & BF_BOTTOM, right = grfFlags & BF_RIGHT;
    const int ltPlus = top && left ? 1 : 0;
    const int rtPlus = top && right ? 1 : 0;
    const int rbPlus = bottom && right ? 1 : 0;
    const int lbPlus = bottom && left ? 1 : 0;

    // Outer border, top-left first so the bottom-right pens own the two
    // corners they share.
    if (ltOuter[kind] != none) {
        const QColor c = pen(ltOuter[kind]);
        if (top) lineTo(p, c, r.left, r.top, r.right, r.top);
        if (left) lineTo(p, c, r.left, r.top, r.left, r.bottom);
    }
    if (rbOuter[kind] != none) {
        const QColor c = pen(rbOuter[kind]);
        if (bottom) lineTo(p, c, r.left, r.bottom - 1, r.right, r.bottom - 1);
        if (right) lineTo(p, c, r.right - 1, r.top, r.right - 1, r.bottom);
    }
    if (ltInner[kind] != none) {
        const QColor c = pen(ltInner[kind]);
        if (top) lineTo(p, c, r.left + ltPlus, r.top + 1, r.right - rtPlus, r.top + 1);
        if (left) lineTo(p, c, r.left + 1, r.top + ltPlus, r.left + 1, r.bottom - lbPlus);
    }
    if (rbInner[kind] != none) {
        const QColor c = pen(rbInner[kind]);
        if (bottom) lineTo(p, c, r.left + lbPlus, r.bottom - 2, r.right - rbPlus, r.bottom - 2);
        if (right) lineTo(p, c, r.right - 2, r.top + rtPlus, r.right - 2, r.bottom - rbPlus);
    }
    return ok;
}

}  // namespace platform::user32
