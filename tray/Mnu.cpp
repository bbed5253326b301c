#include "tray/Mnu.h"

#include <QCursor>
#include <QTimer>
#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/host/Screen.h"
#include "platform/shell/Shell32.h"
#include "media/PlayerSeam.h"

using platform::Forms;
namespace shell = platform::shell;

namespace {

// The icon's mouse message comes as X: its number taken as pixels, in twips.
// Only a whole 32-bit number is a message; anything else is none.
std::optional<std::uint32_t> MouseMessage(float X) {
    const float number = X / platform::Screen::TwipsPerPixelX();
    if (!(number >= 0.0f && number < 0x1p32f) || std::trunc(number) != number) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

}  // namespace

Mnu::Mnu() : Form(Kind::Hidden) {
    setObjectName(QStringLiteral("Mnu"));
    SetCaption(QStringLiteral("Mnu"));
    Icon = platform::StdPicture::Load(QStringLiteral(":/icons/klankor-32.png"));

    menuOpenen = menu.addAction(QStringLiteral("Openen"));
    lijn2 = menu.addSeparator();
    menuStart = menu.addAction(QStringLiteral("Start"));
    menuStop = menu.addAction(QStringLiteral("Stop"));
    lijn1 = menu.addSeparator();
    menuAfsluiten = menu.addAction(QStringLiteral("Afsluiten"));
    menuOpenen->setObjectName(QStringLiteral("menuOpenen"));
    menuStart->setObjectName(QStringLiteral("menuStart"));
    menuStop->setObjectName(QStringLiteral("menuStop"));
    menuAfsluiten->setObjectName(QStringLiteral("menuAfsluiten"));

    connect(menuOpenen, &QAction::triggered, this, &Mnu::menuOpenen_Click);
    connect(menuStart, &QAction::triggered, this, &Mnu::menuStart_Click);
    connect(menuStop, &QAction::triggered, this, &Mnu::menuStop_Click);
    connect(menuAfsluiten, &QAction::triggered, this, &Mnu::menuAfsluiten_Click);
}

void Mnu::Form_Load() {
    using namespace std::string_view_literals;
    nid.SetcbSize(NotifyIconData::kSize);
    nid.SethWnd(static_cast<std::uint32_t>(hWnd()));
    nid.SetuID(1);
    nid.SetuFlags(shell::NIF_MESSAGE | shell::NIF_ICON | shell::NIF_TIP);
    nid.SetuCallbackMessage(shell::WM_MOUSEMOVE);
    nid.SethIcon(Icon.Handle());
    nid.SetszTip("Klankor\0"sv);
    nid.SetdwState(0);
    nid.SetdwStateMask(0);
    if (!shell::Shell_NotifyIconA(shell::NIM_ADD, nid.bytes())) {
        // No notification area: hidden, the main window could not be reached
        // again. It stays minimised on the taskbar, and this window goes once
        // its load is over; the next minimise tries the tray afresh.
        QTimer::singleShot(0, this, [] { Forms::Unload<Mnu>(); });
        return;
    }
    // X maps a window that was hidden while minimised minimised again when it
    // is shown, and a minimise then would send it straight back to the tray:
    // it leaves the minimised state before it hides.
    if (platform::Form* hoofd = Forms::Main()) {
        hoofd->SetWindowState(platform::vbNormal);
        hoofd->Hide();
    }
}

void Mnu::Form_Unload() {
    shell::Shell_NotifyIconA(shell::NIM_DELETE, nid.bytes());
}

void Mnu::Form_MouseMove(short, short, float X, float) {
    const std::optional<std::uint32_t> message = MouseMessage(X);
    if (message == shell::WM_LBUTTONUP) {
        RestoreMain();
    } else if (message == shell::WM_RBUTTONUP) {
        const media::Player& player = PlayerSeam::Player();
        if (player.state() == media::State::Playing) {
            menuStart->setEnabled(false);
            menuStop->setEnabled(true);
        } else if (player.state() == media::State::Stopped) {
            menuStart->setEnabled(!player.URL().isEmpty());
            menuStop->setEnabled(false);
        } else {
            menuStart->setEnabled(false);
            menuStop->setEnabled(false);
        }
        menu.popup(QCursor::pos());
    }
}

void Mnu::RestoreMain() {
    if (platform::Form* hoofd = Forms::Main()) {
        hoofd->SetWindowState(platform::vbNormal);
        hoofd->Show();
    }
    Forms::Unload<Mnu>();
}

void Mnu::menuOpenen_Click() {
    RestoreMain();
}

void Mnu::menuStart_Click() {
    PlayerSeam::Player().Play();
}

void Mnu::menuStop_Click() {
    PlayerSeam::Player().Stop();
}

void Mnu::menuAfsluiten_Click() {
    if (platform::Form* hoofd = Forms::Main()) hoofd->Unload();
}
