#include "settings/frmInstellingen.h"

#include <QCoreApplication>
#include <QFocusEvent>

#include "platform/host/Controls.h"
#include "resources/Skin.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "shaping/Transparant.h"

namespace {

// What the run-at-logon entry must hold to start this copy of the program.
QString OwnExecutablePath() {
    return QCoreApplication::applicationFilePath();
}

}  // namespace

frmInstellingen::frmInstellingen() : Form(Kind::Tool) {
    setObjectName(QStringLiteral("frmInstellingen"));
    SetCaption(QStringLiteral("Instellingen"));
    SetPicture(platform::StdPicture::Load(QStringLiteral(":/skin/tool.gif")));
    platform::PlaceTwips(&lstInstellingen,
                         platform::DesignPlace(QStringLiteral(":/design/frmInstellingen.ini"),
                                               QStringLiteral("lstInstellingen")));
    connect(&lstInstellingen, &platform::ListView::BeforeLabelEdit, this,
            &frmInstellingen::lstInstellingen_BeforeLabelEdit);
    connect(&lstInstellingen, &platform::ListView::KeyDown, this,
            &frmInstellingen::lstInstellingen_KeyDown);
    lstInstellingen.installEventFilter(this);

    // The list lies on the window's own picture: no box of its own, and
    // entries that wrap rather than run out of the window.
    lstInstellingen.setFont(platform::DesignFont(QStringLiteral("Tahoma"), 8.25, true));
    lstInstellingen.setFrameShape(QFrame::NoFrame);
    lstInstellingen.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstInstellingen.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstInstellingen.setWordWrap(true);
    lstInstellingen.setSpacing(2);
    lstInstellingen.setSelectionMode(QAbstractItemView::NoSelection);
    QPalette palette = lstInstellingen.palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Skin::TextColour);
    lstInstellingen.setPalette(palette);
    lstInstellingen.viewport()->setAutoFillBackground(false);
}

void frmInstellingen::Form_Load() {
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(*this, key);
    lstInstellingen.setViewMode(QListView::ListMode);
    lstInstellingen.Add(QStringLiteral("Automatisch stream starten"));
    lstInstellingen.Add(QStringLiteral("Starten bij starten van Windows"));
    lstInstellingen.Add(QStringLiteral("Minimaliseren naar systeemvak"));
    LoadSettings();
}

void frmInstellingen::LoadSettings() {
    lstInstellingen.ListItems(1).SetChecked(RegEdit::ReadRegValue(RegPaths::Autostream) == u"1");

    const QString Own = OwnExecutablePath();
    const QString Stored = RegEdit::ReadRegValue(RegPaths::Run);
    // An empty own path must not count as a match for an absent entry.
    if (!Stored.isEmpty() && Stored == Own) {
        lstInstellingen.ListItems(2).SetChecked(true);
    } else {
        // It starts another copy, or one that has moved.
        if (!Stored.isEmpty()) RegEdit::DeleteRegValue(RegPaths::Run);
        lstInstellingen.ListItems(2).SetChecked(false);
    }

    lstInstellingen.ListItems(3).SetChecked(RegEdit::ReadRegValue(RegPaths::Minsys) == u"1");
}

void frmInstellingen::SaveSettings() {
    RegEdit::WriteRegDword(RegPaths::Autostream, lstInstellingen.ListItems(1).Checked() ? 1 : 0);
    if (lstInstellingen.ListItems(2).Checked())
        RegEdit::WriteRegString(RegPaths::Run, OwnExecutablePath());
    else
        RegEdit::DeleteRegValue(RegPaths::Run);
    RegEdit::WriteRegDword(RegPaths::Minsys, lstInstellingen.ListItems(3).Checked() ? 1 : 0);
}

void frmInstellingen::Form_LostFocus() {
    SetVisible(false);
    SaveSettings();
}

void frmInstellingen::lstInstellingen_LostFocus() {
    SetVisible(false);
    SaveSettings();
}

void frmInstellingen::lstInstellingen_KeyDown(short& KeyCode, short) {
    // The list is the window's one control: Tab and Escape leave it, and so
    // the window, back to the main window. The arrows and Space are the list's.
    if (KeyCode != platform::vbKeyTab && KeyCode != platform::vbKeyEscape) return;
    KeyCode = 0;
    lstInstellingen_LostFocus();
    if (platform::Form* main = platform::Forms::Main()) main->SetFocus();
}

void frmInstellingen::lstInstellingen_BeforeLabelEdit(bool& Cancel) {
    Cancel = true;
}

bool frmInstellingen::eventFilter(QObject* watched, QEvent* event) {
    // Focus leaving the list inside the program. When the whole window loses
    // the activation, Form_LostFocus comes instead.
    if (watched == &lstInstellingen && event->type() == QEvent::FocusOut && isVisible()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            lstInstellingen_LostFocus();
    }
    return Form::eventFilter(watched, event);
}
