#pragma once
// Points XDG_CONFIG_HOME at a fresh folder for the length of one test.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class ConfigHome {
public:
    ConfigHome()
        : m_saved(qgetenv("XDG_CONFIG_HOME")),
          m_hadValue(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    ~ConfigHome() {
        if (m_hadValue)
            qputenv("XDG_CONFIG_HOME", m_saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString store() const { return m_dir.path() + QStringLiteral("/klankor/klankor.reg"); }
    QString autostart() const {
        return m_dir.path() + QStringLiteral("/autostart/klankor.desktop");
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_hadValue;
};

// Puts a "klankor" on PATH that is a symbolic link to the running test
// program, the way a desktop's launcher finds an installed one.
class ProgramOnPath {
public:
    ProgramOnPath() : m_saved(qgetenv("PATH")) {
        QFile::link(QCoreApplication::applicationFilePath(), link());
        qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_saved);
    }
    ~ProgramOnPath() { qputenv("PATH", m_saved); }

    QString link() const { return m_dir.path() + QStringLiteral("/klankor"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
};

inline QByteArray readBytes(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

inline void writeBytes(const QString& file, const QByteArray& bytes) {
    QDir().mkpath(file.section(u'/', 0, -2));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}
