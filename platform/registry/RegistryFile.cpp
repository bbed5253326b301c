#include "platform/registry/RegistryFile.h"

#include "platform/registry/ShellError.h"
#include "platform/registry/XdgConfig.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>
#include <QThread>

#include <optional>

namespace platform::registry {

namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");

// Root keys as regedit spells them, with the short forms the shell object accepts.
QString expandRoot(const QString& root) {
    static const std::pair<const char*, const char*> roots[] = {{"HKEY_CURRENT_USER", "HKCU"},
                                                                {"HKEY_LOCAL_MACHINE", "HKLM"},
                                                                {"HKEY_CLASSES_ROOT", "HKCR"},
                                                                {"HKEY_USERS", nullptr},
                                                                {"HKEY_CURRENT_CONFIG", nullptr}};
    for (const auto& [full, abbreviation] : roots) {
        if (root.compare(QLatin1String(full), Qt::CaseInsensitive) == 0 ||
            (abbreviation && root.compare(QLatin1String(abbreviation), Qt::CaseInsensitive) == 0))
            return QLatin1String(full);
    }
    return {};
}

// A line of the file cannot carry line breaks or other control characters.
bool fitsOnALine(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\t') return false;
        if (c.unicode() == 0x7f) return false;
    }
    return true;
}

// Registry names compare without regard to case; the root may be abbreviated.
QString comparableKey(const QString& key) {
    const qsizetype slash = key.indexOf(u'\\');
    const QString root = expandRoot(slash < 0 ? key : key.left(slash));
    if (root.isEmpty()) return key.toCaseFolded();
    return (slash < 0 ? root : root + key.mid(slash)).toCaseFolded();
}

QString escapeQuoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out;
}

// Reads a quoted text starting at line[from] (the opening quote). Returns the
// text and sets `end` past the closing quote, or nothing if it never closes.
std::optional<QString> readQuoted(const QString& line, qsizetype from, qsizetype& end) {
    QString out;
    for (qsizetype i = from + 1; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            end = i + 1;
            return out;
        }
        if (c == u'\\' && i + 1 < line.size() && (line[i + 1] == u'\\' || line[i + 1] == u'"')) {
            out += line[++i];
            continue;
        }
        out += c;
    }
    return std::nullopt;
}

struct Entry {
    enum class Kind { Filler, String, Dword, Opaque };
    Kind kind = Kind::Filler;  // Filler: blank line or comment
    QString name;              // value name, empty for "@"
    QString text;
    qint32 number{};
    QStringList lines;  // exactly as in the file, so untouched entries stay untouched

    bool isValue() const { return kind != Kind::Filler; }
};

struct Section {
    QString key;            // as written between the brackets
    bool deletion = false;  // "[-key]": a removal in an import file, never one of ours
    QStringList headerLines;
    QList<Entry> entries;
};

struct Document {
    QStringList preamble;  // the version line and what surrounds it
    QList<Section> sections;
    enum class Encoding { Utf8, Utf8Bom, Utf16 } encoding = Encoding::Utf8;
    bool crlf = false;
};

std::optional<QString> decode(const QByteArray& bytes, Document::Encoding& encoding) {
    QByteArray body = bytes;
    auto type = QStringConverter::Utf8;
    encoding = Document::Encoding::Utf8;
    if (bytes.startsWith("\xFF\xFE")) {
        // regedit writes UTF-16LE with a byte order mark
        type = QStringConverter::Utf16LE;
        encoding = Document::Encoding::Utf16;
        body = bytes.mid(2);
        if (body.size() % 2 != 0) return std::nullopt;
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = Document::Encoding::Utf8Bom;
        body = bytes.mid(3);
    }
    QStringDecoder decoder(type, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError() || text.contains(QChar(u'\0'))) return std::nullopt;
    return text;
}

// Parses a value line (and its continuation lines) starting at lines[i].
// Advances i past what it used. Nothing if the line is not a value.
std::optional<Entry> parseValue(const QStringList& lines, qsizetype& i) {
    const QString& line = lines[i];
    Entry entry;
    qsizetype pos = 0;
    while (pos < line.size() && line[pos].isSpace()) ++pos;
    if (pos < line.size() && line[pos] == u'@') {
        ++pos;
    } else if (pos < line.size() && line[pos] == u'"') {
        qsizetype end = 0;
        auto name = readQuoted(line, pos, end);
        if (!name) return std::nullopt;
        entry.name = *name;
        pos = end;
    } else {
        return std::nullopt;
    }
    while (pos < line.size() && line[pos].isSpace()) ++pos;
    if (pos >= line.size() || line[pos] != u'=') return std::nullopt;
    ++pos;
    while (pos < line.size() && line[pos].isSpace()) ++pos;
    const QString data = line.mid(pos);

    if (data.startsWith(u'"')) {
        qsizetype end = 0;
        auto text = readQuoted(data, 0, end);
        if (!text || !data.mid(end).trimmed().isEmpty()) return std::nullopt;
        entry.kind = Entry::Kind::String;
        entry.text = *text;
        entry.lines = {line};
        ++i;
        return entry;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const uint bits = digits.toUInt(&ok, 16);
        entry.lines = {line};
        ++i;
        if (ok && !digits.isEmpty() && digits.size() <= 8 && !digits.startsWith(u'+') &&
            !digits.startsWith(u'-')) {
            entry.kind = Entry::Kind::Dword;
            entry.number = static_cast<qint32>(bits);
        } else {
            entry.kind = Entry::Kind::Opaque;  // kept as found, reads as unusable
        }
        return entry;
    }
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive) || data.trimmed() == u"-") {
        // Binary and other kinds: kept verbatim, with their "\" continuation lines.
        entry.kind = Entry::Kind::Opaque;
        entry.lines = {line};
        ++i;
        while (entry.lines.last().trimmed().endsWith(u'\\') && i < lines.size())
            entry.lines.append(lines[i++]);
        return entry;
    }
    return std::nullopt;
}

std::optional<Document> parse(const QByteArray& bytes) {
    Document doc;
    auto text = decode(bytes, doc.encoding);
    if (!text) return std::nullopt;

    QStringList lines = text->split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    qsizetype crlfLines = 0;
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
            ++crlfLines;
        }
    }
    doc.crlf = crlfLines > 0 && crlfLines * 2 >= lines.size();

    bool seenHeader = false;
    for (qsizetype i = 0; i < lines.size();) {
        const QString& line = lines[i];
        const QString trimmed = line.trimmed();
        if (!seenHeader) {
            if (trimmed == kHeader5 || trimmed == kHeader4)
                seenHeader = true;
            else if (!trimmed.isEmpty())
                return std::nullopt;
            doc.preamble.append(line);
            ++i;
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(u';')) {
            Entry filler;
            filler.lines = {line};
            if (doc.sections.isEmpty())
                doc.preamble.append(line);
            else
                doc.sections.last().entries.append(filler);
            ++i;
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']') || trimmed.size() < 3) return std::nullopt;
            Section section;
            section.key = trimmed.mid(1, trimmed.size() - 2);
            section.deletion = section.key.startsWith(u'-');
            section.headerLines = {line};
            doc.sections.append(section);
            ++i;
            continue;
        }
        if (doc.sections.isEmpty()) return std::nullopt;
        auto entry = parseValue(lines, i);
        if (!entry) return std::nullopt;
        doc.sections.last().entries.append(*entry);
    }
    // An empty file holds nothing to lose; anything else must say what it is.
    if (!seenHeader && !text->trimmed().isEmpty()) return std::nullopt;
    if (!seenHeader) doc.preamble = {kHeader5, QString()};
    return doc;
}

QByteArray serialize(const Document& doc) {
    QStringList lines = doc.preamble;
    for (const Section& section : doc.sections) {
        lines += section.headerLines;
        for (const Entry& entry : section.entries) lines += entry.lines;
    }
    const QString eol = doc.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const QString text = lines.join(eol) + eol;
    switch (doc.encoding) {
        case Document::Encoding::Utf16: {
            QStringEncoder encoder(QStringConverter::Utf16LE);
            return QByteArray("\xFF\xFE", 2) + QByteArray(encoder.encode(text));
        }
        case Document::Encoding::Utf8Bom: return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        case Document::Encoding::Utf8: break;
    }
    return text.toUtf8();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Last wins, as when the file is imported.
const Entry* find(const Document& doc, const ValuePath& at) {
    const QString key = comparableKey(at.key);
    const Entry* found = nullptr;
    for (const Section& section : doc.sections) {
        if (section.deletion || comparableKey(section.key) != key) continue;
        for (const Entry& entry : section.entries)
            if (entry.isValue() && sameName(entry.name, at.name)) found = &entry;
    }
    return found;
}

Entry makeEntry(const ValuePath& at, Entry::Kind kind, const QString& text, qint32 number) {
    Entry entry;
    entry.kind = kind;
    entry.name = at.name;
    entry.text = text;
    entry.number = number;
    const QString name =
        at.name.isEmpty() ? QStringLiteral("@") : u'"' + escapeQuoted(at.name) + u'"';
    const QString data =
        kind == Entry::Kind::Dword
            ? QStringLiteral("dword:%1").arg(static_cast<quint32>(number), 8, 16, QChar(u'0'))
            : u'"' + escapeQuoted(text) + u'"';
    entry.lines = {name + u'=' + data};
    return entry;
}

void put(Document& doc, const ValuePath& at, const Entry& fresh) {
    const QString key = comparableKey(at.key);
    Entry* existing = nullptr;
    Section* lastSection = nullptr;
    for (Section& section : doc.sections) {
        if (section.deletion || comparableKey(section.key) != key) continue;
        lastSection = &section;
        for (Entry& entry : section.entries)
            if (entry.isValue() && sameName(entry.name, at.name)) existing = &entry;
    }
    if (existing) {
        // keep the name as the file spells it
        *existing = makeEntry({at.key, existing->name}, fresh.kind, fresh.text, fresh.number);
        return;
    }
    if (lastSection) {
        // after the section's last value, before the blank line that ends it
        qsizetype at_index = 0;
        for (qsizetype i = 0; i < lastSection->entries.size(); ++i)
            if (lastSection->entries[i].isValue()) at_index = i + 1;
        lastSection->entries.insert(at_index, fresh);
        return;
    }
    Section section;
    section.key = at.key;
    QStringList* tail = doc.sections.isEmpty() ? &doc.preamble : nullptr;
    if (!doc.sections.isEmpty()) {
        Section& last = doc.sections.last();
        if (last.entries.isEmpty() || !last.entries.last().lines.last().trimmed().isEmpty()) {
            Entry blank;
            blank.lines = {QString()};
            last.entries.append(blank);
        }
    } else if (tail->isEmpty() || !tail->last().trimmed().isEmpty()) {
        tail->append(QString());
    }
    section.headerLines = {u'[' + at.key + u']'};
    section.entries.append(fresh);
    Entry blank;
    blank.lines = {QString()};
    section.entries.append(blank);
    doc.sections.append(section);
}

bool erase(Document& doc, const ValuePath& at) {
    const QString key = comparableKey(at.key);
    bool erased = false;
    for (Section& section : doc.sections) {
        if (section.deletion || comparableKey(section.key) != key) continue;
        erased |= section.entries.removeIf([&](const Entry& entry) {
            return entry.isValue() && sameName(entry.name, at.name);
        }) > 0;
    }
    return erased;
}

QString storeFolder() {
    return xdgConfigHome() + QStringLiteral("/klankor");
}

enum class State { Missing, Usable, Unusable };

struct Loaded {
    State state = State::Missing;
    Document doc;
};

Loaded load(const QString& file) {
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink()) return {};
    // Directories, pipes and dangling links are not a store; a pipe would
    // also block the read.
    if (!info.isFile() || info.size() > RegistryFile::MaxBytes) return {State::Unusable, {}};
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw ShellError(ShellError::AccessDenied, QStringLiteral("store not readable"));
    const QByteArray bytes = in.read(RegistryFile::MaxBytes + 1);
    if (bytes.size() > RegistryFile::MaxBytes || in.error() != QFileDevice::NoError)
        return {State::Unusable, {}};
    auto doc = parse(bytes);
    if (!doc) return {State::Unusable, {}};
    return {State::Usable, *doc};
}

// A lock file without its owner's details was left by a process that died
// between creating and filling it. QLockFile gives those up only by age,
// which would skip every save for half a minute; a live owner fills it at
// once, so one older than a moment is taken over. The ".rmlock" guard is
// the one QLockFile itself uses, so two takers never remove a fresh lock.
bool takeOverEmptyLock(QLockFile& lock, const QString& lockName) {
    const auto abandoned = [&] {
        qint64 pid = 0;
        QString host, app;
        const QFileInfo info(lockName);
        return info.exists() && !lock.getLockInfo(&pid, &host, &app) &&
               info.lastModified().msecsTo(QDateTime::currentDateTime()) > 200;
    };
    if (!abandoned()) return false;
    QLockFile guard(lockName + QStringLiteral(".rmlock"));
    return guard.tryLock(0) && abandoned() && lock.removeStaleLockFile();
}

// Waits a bounded time for the lock: a writer that hangs must not hang us.
// Locks of processes that died are taken over (by QLockFile, or above).
void acquire(QLockFile& lock, const QString& lockName) {
    QDeadlineTimer deadline(RegistryFile::LockWaitMs);
    for (;;) {
        if (lock.tryLock(0)) return;
        if (lock.error() == QLockFile::LockFailedError && takeOverEmptyLock(lock, lockName))
            continue;
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            throw ShellError(ShellError::AccessDenied, QStringLiteral("store is locked"));
        QThread::msleep(5);
    }
}

template <typename Change>
void update(Change&& change) {
    const QString folder = storeFolder();
    if (!makePrivatePath(folder))
        throw ShellError(ShellError::AccessDenied,
                         QStringLiteral("cannot create the config folder"));
    const QString file = folder + QStringLiteral("/klankor.reg");
    const QString lockName = file + QStringLiteral(".lock");
    QLockFile lock(lockName);
    acquire(lock, lockName);

    Loaded loaded = load(file);
    if (loaded.state == State::Unusable) setAside(file);
    Document& doc = loaded.doc;
    if (loaded.state != State::Usable) {
        doc = Document{};
        doc.preamble = {kHeader5, QString()};
    }
    change(doc);

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(serialize(doc)) < 0 || !out.commit())
        throw ShellError(ShellError::AccessDenied, QStringLiteral("cannot write the store"));
}

}  // namespace

ValuePath splitValuePath(const QString& path) {
    const qsizetype last = path.lastIndexOf(u'\\');
    const qsizetype first = path.indexOf(u'\\');
    if (first <= 0 || !fitsOnALine(path))
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("invalid value path"));
    const QString root = expandRoot(path.left(first));
    if (root.isEmpty())
        throw ShellError(ShellError::InvalidArgument,
                         QStringLiteral("invalid root in registry key"));
    ValuePath at{root + path.mid(first, last - first), path.mid(last + 1)};
    // A key needs a path below the root, and no part of it may be empty.
    const QStringList parts = at.key.split(u'\\');
    if (parts.size() < 2 || parts.contains(QString()))
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("invalid key"));
    return at;
}

namespace RegistryFile {

QString fileName() {
    return storeFolder() + QStringLiteral("/klankor.reg");
}

Value read(const ValuePath& at) {
    Loaded loaded = load(fileName());
    if (loaded.state == State::Unusable)
        throw ShellError(ShellError::InvalidData, QStringLiteral("store is unreadable"));
    const Entry* entry = loaded.state == State::Usable ? find(loaded.doc, at) : nullptr;
    if (!entry) throw ShellError(ShellError::NotFound, QStringLiteral("value not found"));
    switch (entry->kind) {
        case Entry::Kind::String: return {Value::Kind::String, entry->text, 0};
        case Entry::Kind::Dword: return {Value::Kind::Dword, QString(), entry->number};
        case Entry::Kind::Opaque:
        case Entry::Kind::Filler: break;
    }
    throw ShellError(ShellError::InvalidData, QStringLiteral("value of an unsupported kind"));
}

void writeString(const ValuePath& at, const QString& text) {
    if (!fitsOnALine(text))
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("text has line breaks"));
    update([&](Document& doc) { put(doc, at, makeEntry(at, Entry::Kind::String, text, 0)); });
}

void writeDword(const ValuePath& at, qint32 number) {
    update(
        [&](Document& doc) { put(doc, at, makeEntry(at, Entry::Kind::Dword, QString(), number)); });
}

void remove(const ValuePath& at) {
    bool erased = false;
    // A missing value changes nothing, so the file is not rewritten for it.
    const Loaded loaded = load(fileName());
    if (loaded.state == State::Usable && !find(loaded.doc, at))
        throw ShellError(ShellError::NotFound, QStringLiteral("value not found"));
    if (loaded.state == State::Missing)
        throw ShellError(ShellError::NotFound, QStringLiteral("value not found"));
    update([&](Document& doc) {
        erased = erase(doc, at);
        if (!erased) throw ShellError(ShellError::NotFound, QStringLiteral("value not found"));
    });
}

}  // namespace RegistryFile

}  // namespace platform::registry
