// libFuzzer entry for the settings store. Whatever the store file holds, a
// read gives a value or an error, and a write succeeds, reads back, and
// changes no other value: an unusable file is set aside whole instead.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/registry/WScriptShell.h"

namespace {

QTemporaryDir* home = nullptr;

const char* const kOthers[] = {
    "HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\minsys",
    "HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\",
    "HKCU\\x\\a",
    "HKEY_LOCAL_MACHINE\\Software\\Quelmo\\Klankor\\zender",
};

std::optional<QVariant> readOrNothing(platform::WScriptShell& shell, const QString& path) {
    try {
        return shell.RegRead(path);
    } catch (const platform::ShellError&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // tmpfs where there is one: the store syncs every write
    home = new QTemporaryDir(QDir("/dev/shm").exists()
                                 ? QStringLiteral("/dev/shm/klankor-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/klankor-fuzz-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home->path()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QDir folder(home->path() + QStringLiteral("/klankor"));
    folder.removeRecursively();
    folder.mkpath(QStringLiteral("."));
    {
        QFile store(folder.filePath(QStringLiteral("klankor.reg")));
        if (!store.open(QIODevice::WriteOnly)) __builtin_trap();
        store.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    platform::WScriptShell shell;
    std::optional<QVariant> before[std::size(kOthers)];
    for (size_t i = 0; i < std::size(kOthers); ++i)
        before[i] = readOrNothing(shell, QString::fromLatin1(kOthers[i]));

    const QString zender = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\zender");
    shell.RegWrite(zender, -7, QStringLiteral("REG_DWORD"));  // raises only if the folder is gone
    const auto after = readOrNothing(shell, zender);
    if (!after || after->toInt() != -7) __builtin_trap();

    const bool setAside = !folder
                               .entryList({QStringLiteral("klankor.reg.bad-*")},
                                          QDir::AllEntries | QDir::System | QDir::Hidden)
                               .isEmpty();
    for (size_t i = 0; i < std::size(kOthers); ++i) {
        const auto now = readOrNothing(shell, QString::fromLatin1(kOthers[i]));
        // Kept file: every other value as it was. Set-aside file: a fresh start.
        if (!setAside && now != before[i]) __builtin_trap();
        if (setAside && now) __builtin_trap();
    }
    return 0;
}
