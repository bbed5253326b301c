// M3U and M3U8: one address per line, '#' lines are comments or directives.

#include <QRegularExpression>

#include "media/Playlists.h"

namespace media::playlists {

QStringList parseM3u(const QString& text) {
    QStringList entries;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith(QLatin1Char('#'))) continue;
        entries.append(entry);
    }
    return entries;
}

QStringList parseHls(const QString& text) {
    static const QRegularExpression uri(QStringLiteral("[:,]\\s*URI\\s*=\\s*\"([^\"]*)\""),
                                        QRegularExpression::CaseInsensitiveOption);
    QStringList entries;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString entry = line.trimmed();
        if (entry.isEmpty()) continue;
        if (!entry.startsWith(QLatin1Char('#'))) {
            entries.append(entry);
            continue;
        }
        for (auto it = uri.globalMatch(entry); it.hasNext();) entries.append(it.next().captured(1));
    }
    return entries;
}

}  // namespace media::playlists
