#pragma once
// The per-control store of design settings. Keys match without regard to
// case and are kept in lower case; a value equal to its default is not
// kept, and a missing key reads as its default. The stored form is one INI
// section per control, pictures kept by reference to the file they were
// loaded from (or inline when they came from nowhere).

#include <QMap>
#include <QString>
#include <QVariant>

#include "platform/host/Picture.h"

Q_DECLARE_METATYPE(platform::StdPicture)

namespace platform {

class PropertyBag {
public:
    // The stored value as the type of the default: numbers, booleans and
    // colours from their text, pictures loaded by reference. A value that
    // cannot be read as that type gives the default, with a warning.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const;
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = {});

    bool Contains(const QString& name) const { return values_.contains(name.toLower()); }
    QStringList Keys() const { return values_.keys(); }
    bool IsEmpty() const { return values_.isEmpty(); }

    // The section of an INI file (a resource path is fine). Throws VbError
    // when the file cannot be read or is malformed; a missing section is an
    // empty bag.
    static PropertyBag FromIni(const QString& path, const QString& section);
    // Replaces the section in the file, atomically. Throws VbError on failure.
    void SaveIni(const QString& path, const QString& section) const;

    // The stored form of a picture: its source path when it was loaded from
    // a file, else the image inline.
    static QVariant PictureToStored(const StdPicture& picture);
    static StdPicture PictureFromStored(const QVariant& stored, bool* ok = nullptr);
    // Loads a picture and remembers where it came from, so that saving it
    // again keeps the reference.
    static StdPicture LoadPicture(const QString& path);

private:
    QMap<QString, QVariant> values_;
};

}  // namespace platform
