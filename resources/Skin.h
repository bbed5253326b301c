#pragma once
// What the pictures were drawn for: the colour of the text that lies on
// the skins (the generator keeps every skin light enough for it).

#include <QColor>

namespace Skin {

inline const QColor TextColour(20, 40, 70);
// The amber of the dial's needle and of the name's underline: the focus mark.
inline const QColor MarkColour(238, 132, 38);

}  // namespace Skin
