// Latency of the settings store against the bare file operations it is made
// of: a QSaveFile write and a QFile read of a file of the same size, measured
// alternately in the same run and folder.
// bench_regedit [iterations]

#include "platform/registry/RegistryFile.h"
#include "settings/RegEdit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");

struct Figures {
    double median;
    double p99;
};

Figures figures(std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[(micros.size() * 99) / 100]};
}

template <typename F>
double timed(F&& f) {
    QElapsedTimer timer;
    timer.start();
    f();
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0;
}

void report(const char* what, const std::vector<double>& store, const std::vector<double>& bare) {
    const Figures s = figures(store);
    const Figures b = figures(bare);
    std::printf(
        "%-34s median %9.1f us  p99 %9.1f us | bare median %9.1f us  p99 %9.1f us | ratio %5.2f / "
        "%5.2f\n",
        what, s.median, s.p99, b.median, b.p99, s.median / b.median, s.p99 / b.p99);
}

void run(const char* label, const QByteArray& seed, int iterations) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const QString store = platform::registry::RegistryFile::fileName();
    RegEdit::WriteRegDword(kKey + "zender", 1);  // creates the folder
    {
        QFile out(store);
        out.open(QIODevice::WriteOnly);
        out.write(seed);
    }
    for (const char* name : {"zender", "autostream", "minsys", "volume", "balance"})
        RegEdit::WriteRegDword(kKey + QLatin1String(name), 1);

    QFile current(store);
    current.open(QIODevice::ReadOnly);
    const QByteArray same = current.readAll();
    current.close();
    const QString bareFile = home.path() + QStringLiteral("/bare.reg");

    std::vector<double> write, bareWrite, read, bareRead;
    for (int i = 0; i < iterations; ++i) {
        write.push_back(
            timed([&] { RegEdit::WriteRegDword(kKey + "volume", static_cast<short>(i % 101)); }));
        bareWrite.push_back(timed([&] {
            QSaveFile out(bareFile);
            out.open(QIODevice::WriteOnly);
            out.write(same);
            out.commit();
        }));
        QString text;
        read.push_back(timed([&] { text = RegEdit::ReadRegValue(kKey + "volume"); }));
        if (text != QString::number(i % 101))
            std::fprintf(stderr, "read back %s\n", qPrintable(text));
        bareRead.push_back(timed([&] {
            QFile in(bareFile);
            in.open(QIODevice::ReadOnly);
            (void)in.readAll();
        }));
    }
    std::printf("%s, store of %lld bytes, %d iterations\n", label,
                static_cast<long long>(same.size()), iterations);
    report("  WriteRegDword vs QSaveFile", write, bareWrite);
    report("  ReadRegValue  vs QFile read", read, bareRead);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(10, QByteArray(argv[1]).toInt()) : 200;

    run("Own values only", QByteArray("Windows Registry Editor Version 5.00\n\n"), iterations);

    // A regedit export dropped in: a few hundred keys of other programs.
    QByteArray exported = "Windows Registry Editor Version 5.00\n\n";
    for (int k = 0; k < 400; ++k) {
        exported +=
            "[HKEY_CURRENT_USER\\Software\\Ander\\Programma" + QByteArray::number(k) + "]\n";
        exported += "\"Pad\"=\"C:\\\\Program Files\\\\Ander\\\\" + QByteArray::number(k) + "\"\n";
        exported += "\"Teller\"=dword:0000002a\n";
        exported +=
            "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\n"
            "  15,16,17,18,19,1a,1b,1c,1d,1e,1f\n\n";
    }
    run("With a 400-key regedit export", exported, iterations);
    return 0;
}
