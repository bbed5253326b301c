// PLS: an INI file whose [playlist] section lists FileN=address.
//
// Read by hand rather than through QSettings: QSettings wants a file on disk
// and splits values at commas and unescapes quotes and backslashes, which
// would cut up and change addresses such as ".../a,b?x=\"y\"".

#include <map>

#include "media/Playlists.h"

namespace media::playlists {

QStringList parsePls(const QString& text) {
    std::map<qint64, QString> files;  // ordered by N; a repeated N keeps the first
    bool inPlaylist = true;           // sections other than [playlist] are skipped
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inPlaylist = line.compare(QLatin1String("[playlist]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inPlaylist) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed();
        if (!key.startsWith(QLatin1String("file"), Qt::CaseInsensitive)) continue;
        bool ok = false;
        const qint64 n = key.mid(4).toLongLong(&ok);
        if (!ok || n < 0) continue;
        const QString value = line.mid(eq + 1).trimmed();
        if (!value.isEmpty()) files.emplace(n, value);
    }
    QStringList entries;
    for (const auto& [n, address] : files) entries.append(address);
    return entries;
}

}  // namespace media::playlists
