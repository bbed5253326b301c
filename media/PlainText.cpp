#include "media/PlainText.h"

namespace media {

namespace {

// Breaks a line or means nothing visible by itself: a blank in its place.
bool breaking(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control ||  // C0, DEL, C1
           c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
}

// Invisible, but changes what is around it (U+202E turns the rest of the
// line around; soft hyphens, zero widths, the byte order mark): gone.
bool invisible(QChar c) {
    return c.category() == QChar::Other_Format || c.isSurrogate();
}

}  // namespace

QString plainText(const QString& text, qsizetype maxLength) {
    QString out;
    out.reserve(qMin(text.size(), maxLength + 1));
    bool blank = true;  // drops blanks at the start
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A valid pair is one character; only lone halves are stray.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            blank = false;
        } else if (breaking(c)) {
            if (!blank) out += QLatin1Char(' ');
            blank = true;
        } else if (!invisible(c)) {
            out += c;
            blank = false;
        }
        if (out.size() > maxLength + 1) break;  // enough to know it is too long
    }
    if (out.endsWith(QLatin1Char(' '))) out.chop(1);
    if (out.size() <= maxLength) return out;
    qsizetype keep = qMax<qsizetype>(maxLength - 1, 0);
    if (keep > 0 && out[keep - 1].isHighSurrogate()) --keep;  // never half a pair
    out.truncate(keep);
    while (out.endsWith(QLatin1Char(' '))) out.chop(1);
    return out + QChar(0x2026);
}

}  // namespace media
