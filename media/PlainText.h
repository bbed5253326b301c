#pragma once
// Text that comes from outside (stream titles, station names, host names,
// reasons given by servers) made fit for one line of a label: no control or
// direction-changing characters, no runs of blanks, and not too long.

#include <QString>

namespace media {

constexpr qsizetype kMaxPlainTextLength = 200;

// Control characters (C0, C1, DEL) and line breaks become blanks; Unicode
// format characters (bidi overrides and isolates, zero-width ones, the
// byte order mark) and stray surrogates are dropped. Runs of blanks
// become one space, with none at either end. Longer than maxLength
// characters: cut, and an ellipsis takes the last place. Markup is left as
// it is: it is shown as plain text, never interpreted.
QString plainText(const QString& text, qsizetype maxLength = kMaxPlainTextLength);

}  // namespace media
