#pragma once
// Colours as the program stores them: 00BBGGRR, or 0x800000NN for the
// system colour NN, which here is taken from the Qt palette in use.

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace platform {

using OLE_COLOR = std::uint32_t;

inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;

inline constexpr OLE_COLOR vbSysColor = 0x80000000u;
inline constexpr OLE_COLOR vbButtonFace = vbSysColor | COLOR_BTNFACE;

// The palette colour that plays the part of the Windows system colour.
QColor GetSysColor(int index, const QPalette& palette);
// Resolves a stored colour; system colours come from the palette.
QColor TranslateColor(OLE_COLOR color, const QPalette& palette);

}  // namespace platform
