#include "platform/host/SysColor.h"

namespace platform {

QColor GetSysColor(int index, const QPalette& palette) {
    switch (index) {
        case COLOR_WINDOW: return palette.color(QPalette::Base);
        case COLOR_WINDOWTEXT: return palette.color(QPalette::Text);
        case COLOR_BTNFACE: return palette.color(QPalette::Button);
        // Windows has two shades below the face and two above it; Qt's Dark
        // and Shadow, Light and Midlight are the same ladder.
        case COLOR_BTNSHADOW: return palette.color(QPalette::Dark);
        case COLOR_3DDKSHADOW: return palette.color(QPalette::Shadow);
        case COLOR_BTNHIGHLIGHT: return palette.color(QPalette::Light);
        case COLOR_3DLIGHT: return palette.color(QPalette::Midlight);
        case COLOR_BTNTEXT: return palette.color(QPalette::ButtonText);
        case COLOR_INFOTEXT: return palette.color(QPalette::ToolTipText);
        case COLOR_INFOBK: return palette.color(QPalette::ToolTipBase);
        default: return palette.color(QPalette::Window);
    }
}

QColor TranslateColor(OLE_COLOR color, const QPalette& palette) {
    if (color & vbSysColor) return GetSysColor(static_cast<int>(color & 0xFF), palette);
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace platform
