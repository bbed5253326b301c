#include "platform/host/PropertyBag.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QSettings>

#include "platform/host/VbError.h"

namespace platform {
namespace {

// Where each picture loaded by reference came from, by image identity.
QHash<qint64, QString>& pictureSources() {
    static QHash<qint64, QString> sources;
    return sources;
}

bool isPicture(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<StdPicture>();
}

bool samePicture(const StdPicture& a, const StdPicture& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a.image().cacheKey() == b.image().cacheKey() || a.image() == b.image();
}

bool equalValues(const QVariant& a, const QVariant& b) {
    if (isPicture(a) || isPicture(b)) {
        const StdPicture pa = isPicture(a) ? a.value<StdPicture>() : StdPicture();
        const StdPicture pb = isPicture(b) ? b.value<StdPicture>() : StdPicture();
        return samePicture(pa, pb);
    }
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    if (a.metaType() == QMetaType::fromType<bool>() || b.metaType() == QMetaType::fromType<bool>())
        return a.toBool() == b.toBool();
    return a == b;
}

std::optional<qint64> readInteger(const QString& text) {
    bool ok = false;
    const QString t = text.trimmed();
    qint64 n = t.toLongLong(&ok, 0);
    if (ok) return n;
    // Colours are also written the Visual Basic way: &H00D2D2C9&.
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        QString hex = t.mid(2);
        if (hex.endsWith(QLatin1Char('&'))) hex.chop(1);
        n = hex.toLongLong(&ok, 16);
        if (ok) return n;
    }
    return std::nullopt;
}

std::optional<bool> readBool(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<bool>()) return v.toBool();
    const QString t = v.toString().trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("-1") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0")) return false;
    return std::nullopt;
}

// The stored value as the default's type, or nothing when it is not one.
std::optional<QVariant> convert(const QVariant& stored, const QVariant& def) {
    if (isPicture(def)) {
        bool ok = false;
        StdPicture p = PropertyBag::PictureFromStored(stored, &ok);
        if (!ok) return std::nullopt;
        return QVariant::fromValue(p);
    }
    const QMetaType type = def.metaType();
    if (!def.isValid() || stored.metaType() == type) return stored;
    if (type == QMetaType::fromType<bool>()) {
        if (auto b = readBool(stored)) return QVariant(*b);
        return std::nullopt;
    }
    if (type == QMetaType::fromType<QString>()) return stored.toString();
    if (type == QMetaType::fromType<int>() || type == QMetaType::fromType<uint>() ||
        type == QMetaType::fromType<short>() || type == QMetaType::fromType<qint64>()) {
        const auto n =
            stored.canConvert<qint64>() && stored.metaType() != QMetaType::fromType<QString>()
                ? std::optional<qint64>(stored.toLongLong())
                : readInteger(stored.toString());
        if (!n) return std::nullopt;
        if (type == QMetaType::fromType<uint>()) {
            // A colour may be written as unsigned or as the signed Long it is.
            if (*n < INT32_MIN || *n > UINT32_MAX) return std::nullopt;
            return QVariant(static_cast<uint>(static_cast<quint32>(*n)));
        }
        if (type == QMetaType::fromType<short>()) {
            if (*n < -32768 || *n > 32767) return std::nullopt;
            return QVariant::fromValue(static_cast<short>(*n));
        }
        if (type == QMetaType::fromType<int>()) {
            if (*n < INT32_MIN || *n > INT32_MAX) return std::nullopt;
            return QVariant(static_cast<int>(*n));
        }
        return QVariant(*n);
    }
    QVariant copy = stored;
    if (copy.convert(type)) return copy;
    return std::nullopt;
}

}  // namespace

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    const auto it = values_.constFind(name.toLower());
    if (it == values_.cend()) return defaultValue;
    if (auto v = convert(*it, defaultValue)) return *v;
    qWarning("property \"%s\": stored value \"%s\" is not usable, the default stands",
             qPrintable(name), qPrintable(it->toString()));
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue) {
    const QString key = name.toLower();
    if (equalValues(value, defaultValue)) {
        values_.remove(key);
    } else {
        values_.insert(key, value);
    }
}

StdPicture PropertyBag::LoadPicture(const QString& path) {
    StdPicture picture = StdPicture::Load(path);
    if (!picture.isNull()) pictureSources().insert(picture.image().cacheKey(), path);
    return picture;
}

QVariant PropertyBag::PictureToStored(const StdPicture& picture) {
    if (picture.isNull()) return {};
    const auto it = pictureSources().constFind(picture.image().cacheKey());
    if (it != pictureSources().cend()) return *it;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.image().save(&buffer, "PNG");
    return png;
}

StdPicture PropertyBag::PictureFromStored(const QVariant& stored, bool* ok) {
    if (ok) *ok = true;
    if (isPicture(stored)) return stored.value<StdPicture>();
    if (!stored.isValid()) return {};
    StdPicture picture;
    if (stored.metaType() == QMetaType::fromType<QByteArray>()) {
        picture = StdPicture(QImage::fromData(stored.toByteArray()));
    } else if (!stored.toString().isEmpty()) {
        picture = LoadPicture(stored.toString());
    } else {
        return {};
    }
    if (picture.isNull() && ok) *ok = false;
    return picture;
}

PropertyBag PropertyBag::FromIni(const QString& path, const QString& section) {
    if (!QFile::exists(path))
        throw VbError(vbErrFileNotFound, "File not found: " + path.toStdString());
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        throw VbError(vbErrInvalidFileFormat, "Invalid file format: " + path.toStdString());
    PropertyBag bag;
    ini.beginGroup(section);
    for (const QString& key : ini.childKeys()) bag.values_.insert(key.toLower(), ini.value(key));
    ini.endGroup();
    return bag;
}

void PropertyBag::SaveIni(const QString& path, const QString& section) const {
    QSettings ini(path, QSettings::IniFormat);
    ini.remove(section);
    ini.beginGroup(section);
    for (auto it = values_.cbegin(); it != values_.cend(); ++it) {
        const QVariant v = isPicture(*it) ? PictureToStored(it->value<StdPicture>()) : *it;
        ini.setValue(it.key(), v);
    }
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw VbError(vbErrPathFileAccess, "Path/File access error: " + path.toStdString());
}

}  // namespace platform
