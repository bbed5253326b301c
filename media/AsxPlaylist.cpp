// ASX (Windows Media metafile). Well-formed files go through QXmlStreamReader;
// real-world ASX is often not well-formed (tags in mixed case that do not
// match, bare '&' in addresses), so anything the reader rejects is scanned
// again by a forgiving tag scanner. Neither path expands declared entities:
// a document with a DTD goes to the scanner, which never reads a DTD.

#include <QXmlStreamReader>

#include "media/Playlists.h"

namespace media::playlists {

namespace {

bool isRefTag(QStringView name) {
    return name.compare(QLatin1String("ref"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("entryref"), Qt::CaseInsensitive) == 0;
}

// Only the five predefined entities and character references; anything else
// (including "&" on its own) stays as written.
QString decodeReferences(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('&')) {
            out.append(value[i]);
            continue;
        }
        const qsizetype semi = value.indexOf(QLatin1Char(';'), i + 1);
        if (semi < 0 || semi - i > 10) {
            out.append(value[i]);
            continue;
        }
        const QStringView name = value.sliced(i + 1, semi - i - 1);
        QString replacement;
        if (name == QLatin1String("amp"))
            replacement = QStringLiteral("&");
        else if (name == QLatin1String("lt"))
            replacement = QStringLiteral("<");
        else if (name == QLatin1String("gt"))
            replacement = QStringLiteral(">");
        else if (name == QLatin1String("quot"))
            replacement = QStringLiteral("\"");
        else if (name == QLatin1String("apos"))
            replacement = QStringLiteral("'");
        else if (name.startsWith(QLatin1Char('#')) && name.size() > 1) {
            bool ok = false;
            const bool hex = name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X');
            const uint code = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                const char32_t c = code;
                replacement = QString::fromUcs4(&c, 1);
            }
        }
        if (replacement.isNull()) {
            out.append(value[i]);
            continue;
        }
        out.append(replacement);
        i = semi;
    }
    return out;
}

// The older "[Reference]" form: Ref1=http://... lines.
QStringList parseReferenceForm(const QString& text) {
    QStringList entries;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || !line.startsWith(QLatin1String("ref"), Qt::CaseInsensitive)) continue;
        const QString value = line.mid(eq + 1).trimmed();
        if (!value.isEmpty()) entries.append(value);
    }
    return entries;
}

// Strict reading; returns false when the reader gives up or meets a DTD.
bool parseWellFormed(const QString& text, QStringList* entries) {
    QXmlStreamReader xml(text);
    xml.setEntityExpansionLimit(0);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::DTD: return false;
            case QXmlStreamReader::StartElement:
                if (isRefTag(xml.name())) {
                    for (const QXmlStreamAttribute& a : xml.attributes()) {
                        if (a.name().compare(QLatin1String("href"), Qt::CaseInsensitive) == 0) {
                            const QString href = a.value().trimmed().toString();
                            if (!href.isEmpty()) entries->append(href);
                            break;
                        }
                    }
                }
                break;
            default: break;
        }
    }
    return !xml.hasError();
}

// Forgiving scan: every <ref ...> and <entryref ...> tag, in any letter case,
// with its href attribute quoted by ", ' or not at all.
QStringList parseTolerant(const QString& text) {
    QStringList entries;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while ((i = text.indexOf(QLatin1Char('<'), i)) >= 0) {
        if (text.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i + 4);
            if (end < 0) break;
            i = end + 3;
            continue;
        }
        ++i;
        qsizetype nameEnd = i;
        while (nameEnd < n && text[nameEnd].isLetter()) ++nameEnd;
        if (!isRefTag(QStringView(text).sliced(i, nameEnd - i))) continue;
        qsizetype p = nameEnd;
        while (p < n && text[p] != QLatin1Char('>')) {
            while (p < n && (text[p].isSpace() || text[p] == QLatin1Char('/'))) ++p;
            const qsizetype keyStart = p;
            while (p < n && !text[p].isSpace() && text[p] != QLatin1Char('=') &&
                   text[p] != QLatin1Char('>') && text[p] != QLatin1Char('/'))
                ++p;
            const QStringView key = QStringView(text).sliced(keyStart, p - keyStart);
            while (p < n && text[p].isSpace()) ++p;
            if (p >= n || text[p] != QLatin1Char('=')) {
                if (p == keyStart && p < n && text[p] != QLatin1Char('>')) ++p;  // stray char
                continue;
            }
            ++p;
            while (p < n && text[p].isSpace()) ++p;
            qsizetype valueStart = p, valueEnd = p;
            if (p < n && (text[p] == QLatin1Char('"') || text[p] == QLatin1Char('\''))) {
                const QChar quote = text[p];
                valueStart = p + 1;
                valueEnd = text.indexOf(quote, valueStart);
                if (valueEnd < 0) valueEnd = n;
                p = qMin(valueEnd + 1, n);
            } else {
                while (p < n && !text[p].isSpace() && text[p] != QLatin1Char('>')) ++p;
                valueEnd = p;
            }
            if (key.compare(QLatin1String("href"), Qt::CaseInsensitive) == 0) {
                const QString href =
                    decodeReferences(QStringView(text).sliced(valueStart, valueEnd - valueStart))
                        .trimmed();
                if (!href.isEmpty()) entries.append(href);
                break;
            }
        }
        i = p;
    }
    return entries;
}

}  // namespace

QStringList parseAsx(const QString& text) {
    if (text.trimmed().startsWith(QLatin1String("[reference]"), Qt::CaseInsensitive))
        return parseReferenceForm(text);
    QStringList entries;
    if (parseWellFormed(text, &entries)) return entries;
    return parseTolerant(text);
}

}  // namespace media::playlists
