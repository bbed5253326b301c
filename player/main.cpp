// Klankor starts by loading its main window; the program ends when the last
// window is unloaded.

#include <QApplication>

#include "platform/host/Form.h"
#include "player/Hoofd.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Klankor"));
    QApplication::setOrganizationName(QStringLiteral("Quelmo"));
    QApplication::setQuitOnLastWindowClosed(false);
    platform::Forms::SetOnLastUnload([] { QCoreApplication::quit(); });
    platform::Forms::Get<Hoofd>();
    return QApplication::exec();
}
