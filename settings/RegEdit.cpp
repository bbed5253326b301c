#include "settings/RegEdit.h"

#include "platform/registry/WScriptShell.h"

#include <exception>
#include <memory>

namespace RegEdit {

namespace {

// Each call makes its own shell object and drops it again; a failing step is
// skipped and the next one runs, so nothing ever reaches the caller.
std::unique_ptr<platform::WScriptShell> CreateShell(const QString& ProgId) {
    try {
        return platform::CreateObject(ProgId);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

void WriteRegString(const QString& Path, const QString& Value) {
    auto Shell = CreateShell(QStringLiteral("wscript.shell"));
    try {
        if (Shell) Shell->RegWrite(Path, Value);
    } catch (const std::exception&) {
    }
    Shell.reset();
}

void WriteRegDword(const QString& Path, short Value) {
    auto Shell = CreateShell(QStringLiteral("wscript.shell"));
    try {
        if (Shell) Shell->RegWrite(Path, static_cast<int>(Value), QStringLiteral("REG_DWORD"));
    } catch (const std::exception&) {
    }
    Shell.reset();
}

QString ReadRegValue(const QString& Path) {
    QString Result;
    auto Shell = CreateShell(QStringLiteral("wscript.shell"));
    try {
        if (Shell) Result = Shell->RegRead(Path).toString();
    } catch (const std::exception&) {
    }
    Shell.reset();
    return Result;
}

void DeleteRegValue(const QString& Path) {
    auto Shell = CreateShell(QStringLiteral("Wscript.Shell"));
    try {
        if (Shell) Shell->RegDelete(Path);
    } catch (const std::exception&) {
    }
    Shell.reset();
}

}  // namespace RegEdit
