#include "player/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#include "platform/host/Desktop.h"

std::optional<int> AnswerCommandLine(int argc, char** argv) {
    // The usual start, from the menu or at login, pays nothing for this.
    if (argc <= 1) return std::nullopt;
    // A short-lived application of its own, so that the parser speaks Dutch
    // from Qt's translations before there is a window, or an X server.
    int count = argc;
    QCoreApplication app(count, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Klankor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KLANKOR_VERSION));
    platform::desktop::SpeakDutch();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Internetradio met 32 zenders."));
    // Qt's own options are written with one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const char* name : {"platform", "platformtheme", "plugin", "display", "geometry",
                             "qwindowgeometry", "style", "stylesheet", "session"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char* name : {"reverse", "sync", "nograb", "dograb"}) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }

    QString problem;
    if (!parser.parse(QCoreApplication::arguments())) {
        problem = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        problem = QStringLiteral("Klankor neemt geen argumenten: '%1'.")
                      .arg(parser.positionalArguments().first());
    }
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "klankor: %s\nZie klankor --help.\n", qPrintable(problem));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Klankor %s\n", KLANKOR_VERSION);
        return 0;
    }
    return std::nullopt;
}
