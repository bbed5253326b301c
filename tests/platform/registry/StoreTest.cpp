// The scripting-shell stand-in and the regedit-format file behind it.

#include "platform/registry/ConfigHome.h"
#include "platform/registry/RegistryFile.h"
#include "platform/registry/WScriptShell.h"

#include <QDir>
#include <QFile>
#include <QStringConverter>

#include <gtest/gtest.h>

namespace {

using platform::ShellError;

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");

ShellError::Code raisedBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const ShellError& error) {
        return error.code();
    }
    ADD_FAILURE() << "nothing raised";
    return ShellError::Code{};
}

class Store : public ::testing::Test {
protected:
    ConfigHome home;
    platform::WScriptShell shell;
};

TEST_F(Store, KeepsTheKindOfEachValue) {
    shell.RegWrite(kKey + "balance", -50, QStringLiteral("REG_DWORD"));
    shell.RegWrite(kKey + "naam", QStringLiteral("C:\\Programma's\\\"Klankor\""));
    const QVariant number = shell.RegRead(kKey + "balance");
    EXPECT_EQ(number.typeId(), QMetaType::Int);
    EXPECT_EQ(number.toInt(), -50);
    const QVariant text = shell.RegRead(kKey + "naam");
    EXPECT_EQ(text.typeId(), QMetaType::QString);
    EXPECT_EQ(text.toString(), QStringLiteral("C:\\Programma's\\\"Klankor\""));

    const QString file = QString::fromUtf8(readBytes(home.store()));
    EXPECT_TRUE(file.startsWith(QStringLiteral("Windows Registry Editor Version 5.00\n\n")));
    EXPECT_TRUE(file.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\n")));
    EXPECT_TRUE(file.contains(QStringLiteral("\n\"balance\"=dword:ffffffce\n")));
    EXPECT_TRUE(
        file.contains(QStringLiteral("\n\"naam\"=\"C:\\\\Programma's\\\\\\\"Klankor\\\"\"\n")));
}

TEST_F(Store, DwordTakesAny32BitsAndRefusesTheRest) {
    shell.RegWrite(kKey + "a", 4294967246LL, QStringLiteral("REG_DWORD"));
    EXPECT_EQ(shell.RegRead(kKey + "a").toInt(), -50);
    shell.RegWrite(kKey + "b", QStringLiteral("25"), QStringLiteral("REG_DWORD"));
    EXPECT_EQ(shell.RegRead(kKey + "b").toInt(), 25);
    EXPECT_EQ(
        raisedBy([&] { shell.RegWrite(kKey + "c", 4294967296LL, QStringLiteral("REG_DWORD")); }),
        ShellError::InvalidArgument);
    EXPECT_EQ(raisedBy([&] {
                  shell.RegWrite(kKey + "c", QStringLiteral("een"), QStringLiteral("REG_DWORD"));
              }),
              ShellError::InvalidArgument);
    EXPECT_EQ(raisedBy([&] { shell.RegWrite(kKey + "c", 1, QStringLiteral("REG_BINARY")); }),
              ShellError::InvalidArgument);
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "c"); }), ShellError::NotFound);
}

TEST_F(Store, MissingValuesRaiseAndChangeNothing) {
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "zender"); }), ShellError::NotFound);
    EXPECT_EQ(raisedBy([&] { shell.RegDelete(kKey + "zender"); }), ShellError::NotFound);
    EXPECT_FALSE(QFile::exists(home.store()));

    shell.RegWrite(kKey + "volume", 70, QStringLiteral("REG_DWORD"));
    const QByteArray before = readBytes(home.store());
    EXPECT_EQ(raisedBy([&] { shell.RegDelete(kKey + "zender"); }), ShellError::NotFound);
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey.chopped(8) + "volume"); }), ShellError::NotFound);
    EXPECT_EQ(readBytes(home.store()), before);

    shell.RegDelete(kKey + "volume");
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "volume"); }), ShellError::NotFound);
}

TEST_F(Store, BadPathsAndTextsAreRefusedWithoutTouchingTheFile) {
    shell.RegWrite(kKey + "zender", 3, QStringLiteral("REG_DWORD"));
    const QByteArray before = readBytes(home.store());
    for (const QString& path :
         {QStringLiteral("zender"), QStringLiteral("HKEY_NERGENS\\Software\\x"),
          QStringLiteral("HKEY_CURRENT_USER\\zender"),
          QStringLiteral("HKEY_CURRENT_USER\\Software\\\\x"),
          QStringLiteral("HKEY_CURRENT_USER\\Software\nx\\y")}) {
        EXPECT_EQ(raisedBy([&] { shell.RegWrite(path, 1, QStringLiteral("REG_DWORD")); }),
                  ShellError::InvalidArgument)
            << path.toStdString();
    }
    // A line break would end the value's line and break the file for everyone.
    EXPECT_EQ(raisedBy([&] { shell.RegWrite(kKey + "x", QStringLiteral("een\ntwee")); }),
              ShellError::InvalidArgument);
    EXPECT_EQ(
        raisedBy([&] { platform::CreateObject(QStringLiteral("Scripting.FileSystemObject")); }),
        ShellError::CannotCreate);
    EXPECT_EQ(readBytes(home.store()), before);
    EXPECT_NE(platform::CreateObject(QStringLiteral("wscript.shell")), nullptr);
}

TEST_F(Store, NamesMatchWithoutRegardToCaseAndRootsMayBeShort) {
    writeBytes(home.store(),
               "Windows Registry Editor Version 5.00\n\n"
               "[HKEY_CURRENT_USER\\SOFTWARE\\quelmo\\KLANKOR]\n"
               "\"Zender\"=dword:00000007\n\n");
    EXPECT_EQ(shell.RegRead(QStringLiteral("HKCU\\Software\\Quelmo\\Klankor\\zender")).toInt(), 7);
    shell.RegWrite(kKey + "zender", 9, QStringLiteral("REG_DWORD"));
    EXPECT_EQ(QString::fromUtf8(readBytes(home.store())),
              QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\SOFTWARE\\quelmo\\KLANKOR]\n"
                             "\"Zender\"=dword:00000009\n\n"));
}

TEST_F(Store, TrailingBackslashAddressesTheDefaultValue) {
    shell.RegWrite(kKey, QStringLiteral("standaard"));
    EXPECT_EQ(shell.RegRead(kKey).toString(), QStringLiteral("standaard"));
    EXPECT_TRUE(
        QString::fromUtf8(readBytes(home.store())).contains(QStringLiteral("\n@=\"standaard\"\n")));
    EXPECT_EQ(raisedBy([&] { shell.RegDelete(kKey); }), ShellError::InvalidArgument);
}

TEST_F(Store, NewValuesJoinTheirSectionAndNewSectionsFollowTheLast) {
    shell.RegWrite(kKey + "a", 1, QStringLiteral("REG_DWORD"));
    shell.RegWrite(QStringLiteral("HKCU\\Software\\Ander\\x"), QStringLiteral("y"));
    shell.RegWrite(kKey + "b", 2, QStringLiteral("REG_DWORD"));
    EXPECT_EQ(QString::fromUtf8(readBytes(home.store())),
              QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\n"
                             "\"a\"=dword:00000001\n"
                             "\"b\"=dword:00000002\n\n"
                             "[HKEY_CURRENT_USER\\Software\\Ander]\n"
                             "\"x\"=\"y\"\n\n"));
}

// What regedit exports: UTF-16LE with a byte order mark, CRLF, other kinds of
// values spread over continuation lines, default values, deletions, comments.
TEST_F(Store, RegeditExportIsReadAndKeptAsItWas) {
    const QString exported = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quelmo]\r\n"
        "@=\"Quelmo\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\r\n"
        "\"zender\"=dword:00000019\r\n"
        "\"balance\"=dword:ffffffce\r\n"
        "\"minsys\"=\"1\"\r\n"
        "\"blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18\r\n"
        "\"pad\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
        "\"lijst\"=hex(7):61,00,00,00,00,00\r\n"
        "\"weg\"=-\r\n"
        "; opmerking van de gebruiker\r\n"
        "\"name with \\\"quotes\\\"\"=\"C:\\\\Program Files\\\\Klankör\"\r\n"
        "\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Oud]\r\n"
        "\r\n");
    QStringEncoder utf16(QStringConverter::Utf16LE);
    const QByteArray bytes = QByteArray("\xFF\xFE", 2) + QByteArray(utf16.encode(exported));
    writeBytes(home.store(), bytes);

    EXPECT_EQ(shell.RegRead(kKey + "zender").toInt(), 25);
    EXPECT_EQ(shell.RegRead(kKey + "balance").toInt(), -50);
    EXPECT_EQ(shell.RegRead(kKey + "minsys").toString(), QStringLiteral("1"));
    EXPECT_EQ(shell.RegRead(kKey.chopped(8)).toString(), QStringLiteral("Quelmo"));
    EXPECT_EQ(shell.RegRead(kKey + "name with \"quotes\"").toString(),
              QStringLiteral("C:\\Program Files\\Klankör"));
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "blob"); }), ShellError::InvalidData);
    EXPECT_EQ(raisedBy([&] { shell.RegRead(QStringLiteral("HKCU\\Software\\Oud\\x")); }),
              ShellError::NotFound);

    // A rewrite changes only the line it writes, in the file's own encoding.
    shell.RegWrite(kKey + "zender", 3, QStringLiteral("REG_DWORD"));
    QString expected = exported;
    expected.replace(QStringLiteral("dword:00000019"), QStringLiteral("dword:00000003"));
    EXPECT_EQ(readBytes(home.store()),
              QByteArray("\xFF\xFE", 2) + QByteArray(utf16.encode(expected)));

    // Writing over a kind the store cannot read replaces it whole, continuation lines too.
    shell.RegWrite(kKey + "blob", QStringLiteral("tekst"));
    EXPECT_EQ(shell.RegRead(kKey + "blob").toString(), QStringLiteral("tekst"));
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "pad"); }), ShellError::InvalidData);
}

TEST_F(Store, UnparseableStoresAreSetAsideAndNeverOverwritten) {
    const QByteArray cases[] = {
        "Dit is geen registerbestand\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\n"
        "\"zender\"=\"afgebro",  // torn in the middle of a text
        "Windows Registry Editor Version 5.00\n\n\"zender\"=dword:00000001\n",  // no section
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n\"a\"=\xC3\x28\n",
        QByteArrayLiteral("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n"
                          "\"a\"=\"1\"\n\0\0\0\0"),
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n\"a\"=42\n",
        QByteArrayLiteral("\xFF\xFEW\0i\0n"),  // UTF-16 cut in the middle of a character
    };
    int round = 0;
    for (const QByteArray& bad : cases) {
        SCOPED_TRACE(++round);
        QDir(home.path()).removeRecursively();
        writeBytes(home.store(), bad);
        EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "zender"); }), ShellError::InvalidData);
        EXPECT_EQ(readBytes(home.store()), bad) << "a read must not touch the file";

        shell.RegWrite(kKey + "zender", 5, QStringLiteral("REG_DWORD"));
        EXPECT_EQ(shell.RegRead(kKey + "zender").toInt(), 5);
        const QStringList backups = QDir(home.path() + QStringLiteral("/klankor"))
                                        .entryList({QStringLiteral("klankor.reg.bad-*")});
        ASSERT_EQ(backups.size(), 1);
        EXPECT_EQ(readBytes(home.path() + QStringLiteral("/klankor/") + backups[0]), bad);
    }
}

TEST_F(Store, EachSetAsideGetsANameOfItsOwn) {
    for (int i = 0; i < 3; ++i) {
        writeBytes(home.store(), QByteArray("kapot ") + QByteArray::number(i));
        shell.RegWrite(kKey + "zender", i, QStringLiteral("REG_DWORD"));
    }
    QDir folder(home.path() + QStringLiteral("/klankor"));
    QStringList contents;
    for (const QString& name : folder.entryList({QStringLiteral("klankor.reg.bad-*")}))
        contents << QString::fromUtf8(readBytes(folder.filePath(name)));
    contents.sort();
    EXPECT_EQ(contents, (QStringList{"kapot 0", "kapot 1", "kapot 2"}));
}

TEST_F(Store, HugeStoreIsNotLoadedButSetAside) {
    QByteArray huge = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\x]\n";
    const QByteArray line = "\"opvulling\"=\"" + QByteArray(200, 'x') + "\"\n";
    while (huge.size() <= platform::registry::RegistryFile::MaxBytes) huge += line;
    writeBytes(home.store(), huge);
    EXPECT_EQ(raisedBy([&] { shell.RegRead(QStringLiteral("HKCU\\x\\opvulling")); }),
              ShellError::InvalidData);
    shell.RegWrite(kKey + "zender", 1, QStringLiteral("REG_DWORD"));
    EXPECT_LT(QFileInfo(home.store()).size(), 200);
    const QStringList backups = QDir(home.path() + QStringLiteral("/klankor"))
                                    .entryList({QStringLiteral("klankor.reg.bad-*")});
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(QFileInfo(home.path() + QStringLiteral("/klankor/") + backups[0]).size(),
              huge.size());
}

TEST_F(Store, DirectoryInPlaceOfTheFileIsMovedAsideWhole) {
    ASSERT_TRUE(QDir().mkpath(home.store() + QStringLiteral("/binnen")));
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "zender"); }), ShellError::InvalidData);
    shell.RegWrite(kKey + "zender", 2, QStringLiteral("REG_DWORD"));
    EXPECT_EQ(shell.RegRead(kKey + "zender").toInt(), 2);
    const QStringList backups = QDir(home.path() + QStringLiteral("/klankor"))
                                    .entryList({QStringLiteral("klankor.reg.bad-*")});
    ASSERT_EQ(backups.size(), 1);
    EXPECT_TRUE(
        QFileInfo(home.path() + QStringLiteral("/klankor/") + backups[0] + "/binnen").isDir());
}

TEST_F(Store, StoreKeptAsALinkElsewhereStaysALink) {
    // as dotfile managers keep it
    writeBytes(home.path() + QStringLiteral("/dotfiles/klankor.reg"),
               "Windows Registry Editor Version 5.00\n\n");
    QDir().mkpath(home.path() + QStringLiteral("/klankor"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../dotfiles/klankor.reg"), home.store()));
    shell.RegWrite(kKey + "zender", 8, QStringLiteral("REG_DWORD"));
    EXPECT_TRUE(QFileInfo(home.store()).isSymLink());
    EXPECT_TRUE(readBytes(home.path() + QStringLiteral("/dotfiles/klankor.reg"))
                    .contains("\"zender\"=dword:00000008"));
}

TEST_F(Store, RelativeConfigHomeIsIgnoredForTheOneInHome) {
    // Otherwise the settings would follow the folder the program was started in.
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path() + QStringLiteral("/thuis")));
    qputenv("XDG_CONFIG_HOME", "relatief");
    shell.RegWrite(kKey + "zender", 4, QStringLiteral("REG_DWORD"));
    shell.RegWrite(
        QStringLiteral("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Klankor"),
        QStringLiteral("/usr/bin/klankor"));
    qputenv("HOME", savedHome);
    EXPECT_TRUE(QFile::exists(home.path() + QStringLiteral("/thuis/.config/klankor/klankor.reg")));
    EXPECT_TRUE(
        QFile::exists(home.path() + QStringLiteral("/thuis/.config/autostart/klankor.desktop")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("relatief")));
}

TEST_F(Store, UnusableConfigFolderMakesEveryCallFail) {
    // Root ignores permission bits, but nobody can make a folder inside a file.
    writeBytes(home.path() + QStringLiteral("/gewoon-bestand"), "x");
    qputenv("XDG_CONFIG_HOME",
            QFile::encodeName(home.path() + QStringLiteral("/gewoon-bestand/config")));
    EXPECT_EQ(raisedBy([&] { shell.RegWrite(kKey + "zender", 1, QStringLiteral("REG_DWORD")); }),
              ShellError::AccessDenied);
    EXPECT_EQ(raisedBy([&] { shell.RegRead(kKey + "zender"); }), ShellError::NotFound);
    EXPECT_EQ(raisedBy([&] { shell.RegDelete(kKey + "zender"); }), ShellError::NotFound);
    EXPECT_EQ(readBytes(home.path() + QStringLiteral("/gewoon-bestand")), "x");
}

}  // namespace
