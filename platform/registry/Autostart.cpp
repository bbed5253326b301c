#include "platform/registry/Autostart.h"

#include "platform/registry/ShellError.h"
#include "platform/registry/XdgConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace platform::autostart {

namespace {

// Far more than an entry of ours ever needs.
constexpr qint64 kMaxBytes = 64 * 1024;

bool expressible(const QString& program) {
    if (program.isEmpty() || !program.isValidUtf16()) return false;
    for (QChar c : program) {
        // '%' starts a field code in Exec; control characters cannot be quoted.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'%') return false;
    }
    return true;
}

// Quoting of an Exec argument, then the escaping of a string value.
QString execValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted.replace(u'\\', QStringLiteral("\\\\"));
}

QString unescapeString(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            out += u' ';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else if (next == u'r')
            out += u'\r';
        else if (next == u'\\')
            out += u'\\';
        else
            out += QString(u'\\') + next;
    }
    return out;
}

// One quoted argument gives its text; anything else is returned as written,
// which never equals a plain path and so reads as another program.
QString programOf(const QString& exec) {
    if (!exec.startsWith(u'"')) return exec;
    QString out;
    for (qsizetype i = 1; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'"') return exec.mid(i + 1).trimmed().isEmpty() ? out : exec;
        if (c == u'\\' && i + 1 < exec.size()) {
            const QChar next = exec[i + 1];
            if (next == u'"' || next == u'`' || next == u'$' || next == u'\\') {
                out += next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return exec;  // unterminated quote
}

}  // namespace

QString fileName() {
    return registry::xdgConfigHome() + QStringLiteral("/autostart/klankor.desktop");
}

void write(const QString& program) {
    if (!expressible(program))
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("path cannot be started"));
    const QString file = fileName();
    if (!QDir().mkpath(QFileInfo(file).path()))
        throw ShellError(ShellError::AccessDenied,
                         QStringLiteral("cannot create autostart folder"));
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Klankor\n"
                             "Comment=Internetradio\n"
                             "Exec=") +
                         execValue(program) + QStringLiteral("\nTerminal=false\n");
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0 || !out.commit())
        throw ShellError(ShellError::AccessDenied, QStringLiteral("cannot write autostart entry"));
}

QString read() {
    const QFileInfo info(fileName());
    if (!info.exists())
        throw ShellError(ShellError::NotFound, QStringLiteral("no autostart entry"));
    QFile in(info.filePath());
    if (!info.isFile() || info.size() > kMaxBytes || !in.open(QIODevice::ReadOnly))
        throw ShellError(ShellError::InvalidData, QStringLiteral("autostart entry unreadable"));
    const QStringList lines = QString::fromUtf8(in.read(kMaxBytes)).split(u'\n');
    bool inMainGroup = false;
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inMainGroup || eq < 0 || line.left(eq).trimmed() != u"Exec") continue;
        return programOf(unescapeString(line.mid(eq + 1).trimmed()));
    }
    throw ShellError(ShellError::InvalidData, QStringLiteral("autostart entry has no Exec"));
}

void remove() {
    QFile file(fileName());
    if (!file.exists())
        throw ShellError(ShellError::NotFound, QStringLiteral("no autostart entry"));
    if (!file.remove())
        throw ShellError(ShellError::AccessDenied, QStringLiteral("cannot remove autostart entry"));
}

}  // namespace platform::autostart
