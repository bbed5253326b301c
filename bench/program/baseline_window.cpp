// The floor for the whole-program benchmarks: a plain Qt window of the main
// window's size with nothing but a background, so what Qt and the X server
// cost an idle window is measured next to Klankor in the same run.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Baseline"));
    window.setFixedSize(700, 200);
    window.show();
    return QApplication::exec();
}
