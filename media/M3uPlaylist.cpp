// M3U and M3U8: one address per line, '#' lines are comments or directives.

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

}  // namespace media::playlists
