// The baseline as its own program: Qt Widgets and nothing else, a frameless
// window showing the main window's picture. Started by bench_startup with the
// picture's path and the time it was started at.

#include "FirstFrame.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const long long started = std::atoll(argv[2]);
    startup::AtMain(started);
    QApplication app(argc, argv);
    startup::PlainWindow window(QString::fromLocal8Bit(argv[1]));
    startup::FirstFrame frame(started, [&window](QObject* o) { return o == &window; });
    window.show();
    return QApplication::exec();
}
