// The catalogue's addresses against the station table and the build's
// hosts file, read here as a user of the table would read them.

#include <QFile>
#include <QHash>
#include <QStringList>

#include <gtest/gtest.h>

#include "player/Functies.h"
#include "player/StationNames.h"

namespace {

QStringList lines(const char* path) {
    QFile file(QString::fromUtf8(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QStringList out;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        if (!line.isEmpty() && !line.startsWith(u'#')) out.append(line);
    return out;
}

QHash<QString, QString> hosts() {
    QHash<QString, QString> out;
    for (const QString& line : lines(KLANKOR_HOSTS_FILE))
        out.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    return out;
}

TEST(Catalogue, EveryRowOfTheTableIsItsStationsAddressAndName) {
    const QHash<QString, QString> host = hosts();
    const QStringList rows = lines(KLANKOR_STATIONS_FILE);
    ASSERT_EQ(rows.size(), 32);
    for (const QString& row : rows) {
        const QStringList f = row.split(u'\t');
        ASSERT_EQ(f.size(), 8) << row.toStdString();
        const short n = f[0].toShort();
        // written out as listed: nothing added, not even a slash after a
        // bare host or port (stations 5 and 31)
        QString address = f[2] + QStringLiteral("://") + host.value(f[3]);
        if (f[4] != u"-") address += u':' + f[4];
        if (f[5] != u"-") address += f[5];
        if (f[6] != u"-") address += u'?' + f[6];
        EXPECT_EQ(Functies::StationUrl(n), address) << "station " << n;
        EXPECT_EQ(QString::fromUtf8(kStationNames.at(size_t(n - 1))), f[1]) << "station " << n;
    }
}

TEST(Catalogue, NoAddressOutsideOneToThirtyTwo) {
    for (short n : {short(0), short(33), short(-1), short(-32768), short(32767)})
        EXPECT_TRUE(Functies::StationUrl(n).isEmpty()) << n;
}

}  // namespace
