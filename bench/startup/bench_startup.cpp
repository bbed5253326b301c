// Start-up to the first painted frame of the main window, against a plain Qt
// window showing the same picture, each in a fresh process so libraries,
// fonts, plugins and pictures load as they do for a user: medians, spreads
// and ratios, then where Klankor's time goes. Prints figures; asserts nothing.
//
//   bench_startup [rounds]       everything, each start repeated (default 15)
//   bench_startup --klankor T0   one start as the program's main() makes it
//   bench_startup --plain T0     one start of the plain window in this binary
//   bench_startup --text T0      the same with one line of text on it
//   bench_startup --phases T0    one start step by step, for the breakdown
//
// The plain window is timed twice: in this binary, which loads the libraries
// Klankor loads, so the difference is what the program does once running;
// and as its own Qt-only program (startup_plain_window), so the difference
// also holds the loading of GStreamer, Qt Network and the rest. A third
// baseline puts one line of text on the plain window, in the status line's
// face: the part of a start that any window with text pays (fontconfig's
// configuration, Qt's font database, a font engine) and the plain window
// does not.
//
// Klankor's starts claim the session bus as the program does: run this on
// a session bus, as a desktop has one (scripts/bench does).

#include <QFontMetrics>
#include <QLabel>

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <tuple>
#include <vector>

#include "FirstFrame.h"
#include "media/WindowsMediaPlayer.h"
#include "platform/host/Controls.h"
#include "platform/host/Desktop.h"
#include "platform/host/Form.h"
#include "platform/host/Session.h"
#include "player/Application.h"
#include "player/Hoofd.h"
#include "session/Mpris.h"
#include "session/OneKlankor.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "shaping/Transparant.h"

namespace {

const QStringList kSettings = {RegPaths::Zender, RegPaths::Autostream, RegPaths::Run,
                               RegPaths::Minsys, RegPaths::Volume,     RegPaths::Balance};

bool watchMain(QObject* object) {
    return object == platform::Forms::Main();
}

// What player/main.cpp does before it loads the main window.
bool startLikeMain() {
    platform::desktop::ReadFontsAhead();
    if (const QString problem = platform::desktop::ChooseX11(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return false;
    }
    return true;
}

// main's claim on the session: the player's object, then its bus name.
bool claimLikeMain(session::Mpris& mpris, session::OneKlankor& one) {
    mpris.Register();
    return one.Claim(QDBusConnection::sessionBus()) == session::OneKlankor::Outcome::First;
}

// What main does once the session is Klankor's, before the main window.
void setUpLikeMain() {
    media::WindowsMediaPlayer::SetDefaultAudioFile(qEnvironmentVariable("KLANKOR_AUDIO_FILE"));
    platform::Forms::SetOnLastUnload([] {});
    platform::session::OnEnd([] {});
}

int klankor(int argc, char** argv, long long started) {
    startup::AtMain(started);
    if (!startLikeMain()) return 1;
    QApplication app(argc, argv);
    SetUpApplication();
    session::Mpris mpris(QDBusConnection::sessionBus());
    session::OneKlankor one;
    if (!claimLikeMain(mpris, one)) return 1;
    setUpLikeMain();
    startup::FirstFrame frame(started, watchMain);
    platform::Forms::Get<Hoofd>();
    mpris.Attach();
    return QApplication::exec();
}

int plain(int argc, char** argv, long long started, bool withText) {
    startup::AtMain(started);
    QApplication app(argc, argv);
    startup::PlainWindow window(QStringLiteral(":/skin/hoofd.gif"));
    if (withText) {
        auto* line = new QLabel(QStringLiteral("Klik om te luisteren naar de radio"), &window);
        line->setFont(platform::DesignFont(QStringLiteral("Verdana"), 12, true));
        line->setGeometry(10, 150, 680, 30);
    }
    startup::FirstFrame frame(started, [&window](QObject* o) { return o == &window; });
    window.show();
    return QApplication::exec();
}

// The steps of a start one after another, each printed with the time it was
// done at. The steps the main window takes itself are done here first, the
// same way, so that they are counted apart; the window then finds them done
// (the font database read) or does them again, cheaply.
int phases(int argc, char** argv, long long started) {
    const auto mark = [started](const char* what) {
        std::printf("mark %lld %s\n", startup::Now() - started, what);
    };
    mark("process start to main (loading libraries)");
    if (!startLikeMain()) return 1;
    QApplication app(argc, argv);
    SetUpApplication();
    mark("QApplication, translations, icon");
    session::Mpris mpris(QDBusConnection::sessionBus());
    session::OneKlankor one;
    if (!claimLikeMain(mpris, one)) return 1;
    setUpLikeMain();
    mark("session: the player's bus name claimed");

    for (const auto& [family, points] : {std::pair{"Verdana", 14.25},
                                         {"Verdana", 12.0},
                                         {"MS Sans Serif", 8.25},
                                         {"Tahoma", 8.25},
                                         {"Verdana", 8.25}}) {
        const QFont font = platform::DesignFont(QLatin1String(family), points, true);
        QFontMetrics(font).horizontalAdvance(QStringLiteral("Instellingen"));
    }
    mark("fonts: five design faces found, measured");

    const platform::StdPicture skin =
        platform::StdPicture::Load(QStringLiteral(":/skin/hoofd.gif"));
    const platform::StdPicture tool = platform::StdPicture::Load(QStringLiteral(":/skin/tool.gif"));
    const platform::StdPicture tool2 =
        platform::StdPicture::Load(QStringLiteral(":/skin/tool.gif"));
    skin.pixmap();
    tool.image();
    tool2.image();
    mark("pictures: the three skins read");
    platform::ImageList logos;
    for (int n = 1; n <= 32; ++n) {
        logos.Add(platform::StdPicture::Load(
                      QStringLiteral(":/logos/%1.gif").arg(n, 2, 10, QLatin1Char('0'))),
                  QString());
    }
    logos.ListImages(1).Picture.pixmap();
    logos.ListImages(18).Picture.pixmap();
    mark("pictures: 32 logos listed, 2 shown");

    for (const QString& path : kSettings) RegEdit::ReadRegValue(path);
    mark("settings store: the six values read");

    new media::WindowsMediaPlayer;  // left alive: its end is not part of a start
    mark("player made (GStreamer: after the frame)");

    platform::Form main(platform::Form::Kind::Tool), settings(platform::Form::Kind::Tool),
        controls(platform::Form::Kind::Tool);
    main.SetPicture(skin);
    settings.SetPicture(tool);
    controls.SetPicture(tool2);
    for (platform::Form* form : {&main, &settings, &controls}) {
        std::int32_t key = 1;
        Transparant::ShapeFormFromPicture(*form, key);
    }
    mark("shaping 3 windows (native windows made)");

    startup::FirstFrame frame(started, watchMain);
    platform::Forms::Get<Hoofd>();
    mark("main window: the rest of building, loading");
    return QApplication::exec();
}

struct Start {
    bool ok = false;
    double frameMs = 0;
    double mainMs = 0;
    double cpuMs = 0;
    std::vector<std::pair<QString, double>> marks;  // absolute, in ms
};

Start run(const QString& program, QStringList arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const long long started = startup::Now();
    arguments << QString::number(started);
    process.start(program, arguments);
    Start start;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return start;
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() >= 2 && words[0] == "cpu") {
            start.cpuMs = words[1].toDouble() / 1000;
        } else if (words.size() >= 2 && words[0] == "main") {
            start.mainMs = words[1].toDouble() / 1000;
        } else if (words.size() >= 2 && words[0] == "frame") {
            start.frameMs = words[1].toDouble() / 1000;
            start.ok = true;
        } else if (words.size() >= 3 && words[0] == "mark") {
            start.marks.emplace_back(QString::fromUtf8(line.mid(line.indexOf(' ', 5) + 1)),
                                     words[1].toDouble() / 1000);
        }
    }
    return start;
}

struct Figures {
    std::vector<double> samples;
    double median() const {
        if (samples.empty()) return 0;
        std::vector<double> v = samples;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double low() const {
        return samples.empty() ? 0 : *std::min_element(samples.begin(), samples.end());
    }
    double high() const {
        return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        const long long started = QByteArray(argv[2]).toLongLong();
        if (qstrcmp(argv[1], "--klankor") == 0) return klankor(argc, argv, started);
        if (qstrcmp(argv[1], "--plain") == 0) return plain(argc, argv, started, false);
        if (qstrcmp(argv[1], "--text") == 0) return plain(argc, argv, started, true);
        if (qstrcmp(argv[1], "--phases") == 0) return phases(argc, argv, started);
    }
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 15;
    // A store as a user has it after a while, with nothing to play at start.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    RegEdit::WriteRegDword(RegPaths::Zender, 3);
    RegEdit::WriteRegDword(RegPaths::Autostream, 0);
    RegEdit::WriteRegDword(RegPaths::Minsys, 0);
    RegEdit::WriteRegDword(RegPaths::Volume, 60);
    RegEdit::WriteRegDword(RegPaths::Balance, 0);

    const QString self = QCoreApplication::applicationFilePath();
    const QString plainProgram = QStringLiteral(KLANKOR_PLAIN_WINDOW);
    const QString skinFile = QStringLiteral(KLANKOR_SKIN_DIR "/hoofd.gif");
    Figures klankorStart, plainHere, plainAlone, withText, klankorMain, plainHereMain,
        plainAloneMain, withTextMain;
    Figures klankorCpu, plainHereCpu, plainAloneCpu, withTextCpu;
    QMap<QString, Figures> steps;
    QStringList order;
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
        const Start k = run(self, {QStringLiteral("--klankor")});
        const Start p = run(self, {QStringLiteral("--plain")});
        const Start t = run(self, {QStringLiteral("--text")});
        const Start q = run(plainProgram, {skinFile});
        const Start s = run(self, {QStringLiteral("--phases")});
        for (const auto& [start, figures, toMain, cpu] :
             {std::tuple{&k, &klankorStart, &klankorMain, &klankorCpu},
              {&p, &plainHere, &plainHereMain, &plainHereCpu},
              {&q, &plainAlone, &plainAloneMain, &plainAloneCpu},
              {&t, &withText, &withTextMain, &withTextCpu}}) {
            if (start->ok) {
                figures->samples.push_back(start->frameMs);
                toMain->samples.push_back(start->mainMs);
                cpu->samples.push_back(start->cpuMs);
            } else {
                ++failed;
            }
        }
        if (!s.ok) {
            ++failed;
            continue;
        }
        double before = 0;
        for (const auto& [what, at] : s.marks) {
            if (!order.contains(what)) order << what;
            steps[what].samples.push_back(at - before);
            before = at;
        }
        const QString paint = QStringLiteral("first paint of the main window");
        if (!order.contains(paint)) order << paint;
        steps[paint].samples.push_back(s.frameMs - before);
    }

    std::printf(
        "Start to the first painted frame, %d fresh processes each (median, spread;\n"
        "and the median of it spent before main, loading the program and libraries):\n",
        rounds);
    const auto line = [](const char* what, const Figures& f) {
        std::printf("  %-44s %8.1f ms   %7.1f .. %7.1f ms\n", what, f.median(), f.low(), f.high());
    };
    const auto start = [](const char* what, const Figures& f, const Figures& toMain) {
        std::printf("  %-44s %8.1f ms   %7.1f .. %7.1f ms   before main %6.1f ms\n", what,
                    f.median(), f.low(), f.high(), toMain.median());
    };
    start("Klankor's main window", klankorStart, klankorMain);
    start("plain Qt window, in this binary", plainHere, plainHereMain);
    start("plain Qt window, as a Qt-only program", plainAlone, plainAloneMain);
    start("plain window with a line of text, here", withText, withTextMain);
    std::printf("  ratio to the plain window in this binary     %8.2f x\n",
                klankorStart.median() / plainHere.median());
    std::printf("  ratio to the plain Qt-only program           %8.2f x\n",
                klankorStart.median() / plainAlone.median());
    std::printf(
        "  ratio to the plain window with a line of text %7.2f x  (the line alone: %.2f x)\n",
        klankorStart.median() / withText.median(), withText.median() / plainHere.median());
    std::printf("CPU time used by the first frame, all threads (median, spread):\n");
    line("Klankor's main window", klankorCpu);
    line("plain Qt window, in this binary", plainHereCpu);
    line("plain Qt window, as a Qt-only program", plainAloneCpu);
    line("plain window with a line of text, here", withTextCpu);
    std::printf("  ratio to the plain window in this binary     %8.2f x\n",
                klankorCpu.median() / plainHereCpu.median());
    std::printf("  ratio to the plain Qt-only program           %8.2f x\n",
                klankorCpu.median() / plainAloneCpu.median());
    if (failed > 0) std::printf("  (%d starts showed no frame and are left out)\n", failed);

    std::printf(
        "\nWhere a start's time goes, step by step in one process (median, spread); the\n"
        "main window then finds the steps above done, or does them again warm:\n");
    double sum = 0;
    for (const QString& what : order) {
        line(qPrintable(what), steps[what]);
        sum += steps[what].median();
    }
    std::printf("  %-44s %8.1f ms\n", "sum of the medians", sum);
    return 0;
}
