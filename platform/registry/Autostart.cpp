#include "platform/registry/Autostart.h"

#include "platform/registry/ShellError.h"
#include "platform/registry/XdgConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <system_error>

namespace platform::autostart {

namespace {

// Far more than an entry needs, even one translated into every language.
constexpr qint64 kMaxBytes = 1024 * 1024;

bool expressible(const QString& program) {
    if (program.isEmpty() || !program.isValidUtf16()) return false;
    for (QChar c : program) {
        // '%' starts a field code in Exec; control characters cannot be quoted.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'%') return false;
    }
    return true;
}

bool quotedInExec(QChar c) {
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

// Quoting of an Exec argument, then the escaping of a string value.
QString execValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : program) {
        if (quotedInExec(c)) quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return quoted.replace(u'\\', QStringLiteral("\\\\"));
}

QString freshText(const QString& program) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Klankor\n"
               "Comment=Internetradio\n"
               "Exec=") +
           execValue(program) + QStringLiteral("\nTerminal=false\n");
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

// An unescaped Exec split into its arguments; nothing if a quote never closes.
std::optional<QStringList> execArguments(const QString& exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u' ' || c == u'\t') {
            if (inArgument) arguments.append(current);
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c != u'"') {
            current += c;
            continue;
        }
        for (++i;; ++i) {
            if (i == exec.size()) return std::nullopt;
            if (exec[i] == u'"') break;
            if (exec[i] == u'\\' && i + 1 < exec.size() && quotedInExec(exec[i + 1])) ++i;
            current += exec[i];
        }
    }
    if (inArgument) arguments.append(current);
    return arguments;
}

// What another program's entry reads as: its one argument unquoted, or
// else Exec as written.
QString shown(const QString& exec) {
    const auto arguments = execArguments(exec);
    return arguments && arguments->size() == 1 ? arguments->first() : exec;
}

// The file a desktop runs for Exec's first argument: a bare name is looked
// up on PATH, a relative path means nothing.
QString located(const QString& program) {
    if (program.contains(u'/')) return QDir::isAbsolutePath(program) ? program : QString();
    return program.isEmpty() ? QString() : QStandardPaths::findExecutable(program);
}

// Device and inode after following links, so a hard link or a path through
// a linked folder is the same program too.
bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    std::error_code error;
    return std::filesystem::equivalent(QFile::encodeName(a).toStdString(),
                                       QFile::encodeName(b).toStdString(), error);
}

// Klankor takes no arguments, so what follows the program (a desktop's %U,
// say) does not change what the entry starts.
bool starts(const QString& exec, const QString& program) {
    const auto arguments = execArguments(unescapeString(exec));
    return arguments && !arguments->isEmpty() && sameFile(located(arguments->first()), program);
}

QString ownProgram() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

// The file's lines, of which only the main group's keys are looked at or
// changed; everything else is written back as it was.
struct DesktopFile {
    QByteArray bytes;  // as read
    QStringList lines;
    qsizetype header = -1;  // the "[Desktop Entry]" line
    qsizetype end = -1;     // one past the group's last line

    static std::optional<QString> keyOf(const QString& line) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.trimmed().startsWith(u'#')) return std::nullopt;
        return line.left(eq).trimmed();
    }
    static QString valueOf(const QString& line) {
        return line.mid(line.indexOf(u'=') + 1).trimmed();
    }

    // The last one wins, as when a desktop reads the file.
    std::optional<QString> value(const QString& key) const {
        std::optional<QString> found;
        for (qsizetype i = header + 1; i < end; ++i)
            if (keyOf(lines[i]) == key) found = valueOf(lines[i]);
        return found;
    }

    template <typename Which>
    void drop(const QString& key, Which which) {
        for (qsizetype i = end - 1; i > header; --i) {
            if (keyOf(lines[i]) != key || !which(valueOf(lines[i]))) continue;
            lines.removeAt(i);
            --end;
        }
    }

    // The key's last line, the one that counts, takes the value and earlier
    // ones go; a new key goes after the group's last line that is not blank.
    void set(const QString& key, const QString& value) {
        bool placed = false;
        for (qsizetype i = end - 1; i > header; --i) {
            if (keyOf(lines[i]) != key) continue;
            if (placed) {
                lines.removeAt(i);
                --end;
            } else {
                lines[i] = key + u'=' + value;
                placed = true;
            }
        }
        if (placed) return;
        qsizetype at = end;
        while (at > header + 1 && lines[at - 1].trimmed().isEmpty()) --at;
        lines.insert(at, key + u'=' + value);
        ++end;
    }

    QByteArray serialize() const { return (lines.join(u'\n') + u'\n').toUtf8(); }
};

bool isTrue(const QString& value) {
    return value == u"true" || value == u"1";
}
bool isFalse(const QString& value) {
    return value == u"false" || value == u"0";
}

bool switchedOff(const DesktopFile& entry) {
    return isTrue(entry.value(QStringLiteral("Hidden")).value_or(QString())) ||
           isFalse(entry.value(QStringLiteral("X-GNOME-Autostart-enabled")).value_or(QString()));
}

DesktopFile parse(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(u'\0')))
        throw ShellError(ShellError::InvalidData, QStringLiteral("autostart entry is not text"));
    DesktopFile entry;
    entry.bytes = bytes;
    entry.lines = text.split(u'\n');
    if (entry.lines.last().isEmpty()) entry.lines.removeLast();
    for (qsizetype i = 0; i < entry.lines.size(); ++i) {
        QString& line = entry.lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (!line.trimmed().startsWith(u'[')) continue;
        if (entry.header >= 0 && entry.end < 0) entry.end = i;
        if (line.trimmed() != u"[Desktop Entry]") continue;
        // Which of the two a desktop would use is anybody's guess.
        if (entry.header >= 0)
            throw ShellError(ShellError::InvalidData,
                             QStringLiteral("autostart entry has two [Desktop Entry] groups"));
        entry.header = i;
    }
    if (entry.header < 0)
        throw ShellError(ShellError::InvalidData,
                         QStringLiteral("autostart entry has no [Desktop Entry] group"));
    if (entry.end < 0) entry.end = entry.lines.size();
    return entry;
}

DesktopFile load() {
    const QFileInfo info(fileName());
    if (!info.exists())  // a dangling link too
        throw ShellError(ShellError::NotFound, QStringLiteral("no autostart entry"));
    // A pipe would block the read; folders and devices are no entry either.
    if (!info.isFile())
        throw ShellError(ShellError::InvalidData, QStringLiteral("autostart entry is not a file"));
    QFile in(info.filePath());
    if (!in.open(QIODevice::ReadOnly))
        throw ShellError(ShellError::AccessDenied, QStringLiteral("autostart entry not readable"));
    const QByteArray bytes = in.read(kMaxBytes + 1);
    if (in.error() != QFileDevice::NoError)
        throw ShellError(ShellError::AccessDenied, QStringLiteral("autostart entry not readable"));
    if (bytes.size() > kMaxBytes)
        throw ShellError(ShellError::InvalidData, QStringLiteral("autostart entry too large"));
    return parse(bytes);
}

// Exec of an entry that is switched on, as written.
QString execOfActive(const DesktopFile& entry) {
    if (switchedOff(entry))
        throw ShellError(ShellError::NotFound, QStringLiteral("autostart entry is switched off"));
    const QString exec = entry.value(QStringLiteral("Exec")).value_or(QString());
    if (exec.isEmpty())
        throw ShellError(ShellError::InvalidData, QStringLiteral("autostart entry has no Exec"));
    return exec;
}

void save(const QString& file, const DesktopFile& entry) {
    // QSaveFile would write into the link's target, which is not ours to
    // change; the link makes way for a file of our own.
    if (QFileInfo(file).isSymLink() && !QFile::remove(file))
        throw ShellError(ShellError::AccessDenied, QStringLiteral("cannot replace autostart link"));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(entry.serialize()) < 0 || !out.commit())
        throw ShellError(ShellError::AccessDenied, QStringLiteral("cannot write autostart entry"));
}

}  // namespace

QString fileName() {
    return registry::xdgConfigHome() + QStringLiteral("/autostart/klankor.desktop");
}

void write(const QString& program) {
    if (!expressible(program))
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("path cannot be started"));
    const QString file = fileName();
    if (!registry::makePrivatePath(QFileInfo(file).path()))
        throw ShellError(ShellError::AccessDenied,
                         QStringLiteral("cannot create autostart folder"));
    std::optional<DesktopFile> existing;
    try {
        existing = load();
    } catch (const ShellError& error) {
        // A file that is no desktop entry is kept aside rather than written
        // over; a folder or a file we may not read stays, and we give up.
        if (error.code() == ShellError::InvalidData && QFileInfo(file).isFile())
            registry::setAside(file);
        else if (error.code() != ShellError::NotFound)
            throw;
    }
    DesktopFile entry = existing ? *existing : parse(freshText(program).toUtf8());
    entry.drop(QStringLiteral("Hidden"), isTrue);
    entry.drop(QStringLiteral("X-GNOME-Autostart-enabled"), isFalse);
    if (!starts(entry.value(QStringLiteral("Exec")).value_or(QString()), program)) {
        // A TryExec naming the program it used to start would keep ours from starting.
        entry.drop(QStringLiteral("TryExec"), [](const QString&) { return true; });
        entry.set(QStringLiteral("Exec"), execValue(program));
    }
    if (entry.value(QStringLiteral("Type")) != u"Application")
        entry.set(QStringLiteral("Type"), QStringLiteral("Application"));
    if (!entry.value(QStringLiteral("Name")))
        entry.set(QStringLiteral("Name"), QStringLiteral("Klankor"));
    // Nothing to change: the file, or a link the user made, stays untouched.
    if (existing && entry.serialize() == existing->bytes) return;
    save(file, entry);
}

QString read() {
    const QString own = ownProgram();
    const QString exec = execOfActive(load());
    return starts(exec, own) ? own : shown(unescapeString(exec));
}

void remove() {
    const DesktopFile entry = load();
    const QString exec = execOfActive(entry);
    const QString file = fileName();
    // One exactly as we write it is ours to delete, and one for another
    // program goes as the settings window asks. One the desktop or the user
    // made for this program is theirs: it is only switched off, in the way
    // both GNOME and the XDG rules understand.
    const bool ours = entry.bytes == freshText(shown(unescapeString(exec))).toUtf8();
    if (ours || !starts(exec, ownProgram())) {
        if (!QFile::remove(file))
            throw ShellError(ShellError::AccessDenied,
                             QStringLiteral("cannot remove autostart entry"));
        return;
    }
    DesktopFile off = entry;
    off.set(QStringLiteral("Hidden"), QStringLiteral("true"));
    off.set(QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("false"));
    save(file, off);
}

}  // namespace platform::autostart
