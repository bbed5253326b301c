#include "player/Hoofd.h"

#include <algorithm>
#include <cmath>

#include "controls/frmControls.h"
#include "media/PlayerSeam.h"
#include "platform/host/User32.h"
#include "player/Functies.h"
#include "player/StationNames.h"
#include "resources/Skin.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "settings/frmInstellingen.h"
#include "shaping/Transparant.h"
#include "tray/Mnu.h"

using platform::DesignFont;
using platform::Forms;
using platform::PlaceTwips;

namespace {

// The tag holds a whole number; read it as a number, rounded down.
short WholeNumber(const QString& text) {
    return static_cast<short>(std::floor(text.toDouble()));
}

// Return and Space: the keys of a click.
bool ClickKey(short& KeyCode, short Shift) {
    if (Shift != 0 || (KeyCode != platform::vbKeyReturn && KeyCode != platform::vbKeySpace))
        return false;
    KeyCode = 0;
    return true;
}

// A station box steps as its scroll bar does: Up and Down by its small
// change, Page Up and Page Down by its large change, Home and End to its ends.
void StepStationBox(platform::VScrollBar& bar, short& KeyCode, short Shift) {
    if (Shift != 0) return;
    int value = bar.Value();
    switch (KeyCode) {
        case platform::vbKeyUp: value -= bar.SmallChange(); break;
        case platform::vbKeyDown: value += bar.SmallChange(); break;
        case platform::vbKeyPageUp: value -= bar.LargeChange(); break;
        case platform::vbKeyPageDown: value += bar.LargeChange(); break;
        case platform::vbKeyHome: value = bar.Min(); break;
        case platform::vbKeyEnd: value = bar.Max(); break;
        default: return;
    }
    KeyCode = 0;
    bar.SetValue(static_cast<short>(std::clamp<int>(value, bar.Min(), bar.Max())));
}

}  // namespace

class Hoofd::Remote : public PlayerSeam::Remote {
public:
    explicit Remote(Hoofd& hoofd) : hoofd_(hoofd) {}

    short Stations() const override { return hoofd_.Images.Count(); }
    QString StationName(short station) const override {
        return station >= 1 && station <= Stations() ? hoofd_.Images.ListImages(station).Tag
                                                     : QString();
    }
    short Station() const override {
        return hoofd_.lblPlaying.Tag().isEmpty() ? 0 : WholeNumber(hoofd_.lblPlaying.Tag());
    }
    void SelectStation(short station) override {
        if (station >= 1 && station <= hoofd_.Images.Count()) hoofd_.GoToStation(station);
    }
    void PlayStation() override {
        if (Station() != 0) {
            hoofd_.WMP.controls().play();
        } else if (const short stored = hoofd_.StoredStation()) {
            hoofd_.GoToStation(stored);
        }
    }
    int Volume() const override {
        if (!Forms::IsLoaded<frmControls>()) return PlayerSeam::Player().volume();
        return Forms::Get<frmControls>().ucSlider1.Value();
    }
    void SetVolume(int volume) override {
        if (!Forms::IsLoaded<frmControls>()) return;
        frmControls& controls = Forms::Get<frmControls>();
        ucSlider& slider = controls.ucSlider1;
        slider.SetValue(std::clamp(volume, slider.Min(), slider.Max()));
        controls.SaveSoundSettings();
    }
    void Raise() override {
        if (Forms::IsLoaded<Mnu>()) {
            Forms::Get<Mnu>().menuOpenen_Click();
            return;
        }
        hoofd_.SetWindowState(platform::vbNormal);
        hoofd_.Show();
    }
    void Afsluiten() override { hoofd_.Unload(); }

private:
    Hoofd& hoofd_;
};

Hoofd::Hoofd() : Form(Kind::Main), remote_(std::make_unique<Remote>(*this)) {
    setObjectName(QStringLiteral("Hoofd"));
    SetCaption(QStringLiteral("Klankor"));
    SetPicture(platform::StdPicture::Load(QStringLiteral(":/skin/hoofd.gif")));
    LoadImages();

    lblControls = {&lblMinimise_, &lblClose_};
    const QString design = QStringLiteral(":/design/Hoofd.ini");
    const auto place = [&design](QWidget* control, const char* name) {
        PlaceTwips(control, platform::DesignPlace(design, QLatin1String(name)));
    };
    place(&ZendersBox1, "ZendersBox1");
    place(&VScroll1, "VScroll1");
    place(&ZendersBox2, "ZendersBox2");
    place(&VScroll2, "VScroll2");
    place(&Label2, "Label2");
    place(&lblPlaying, "lblPlaying");
    place(&Label1, "Label1");
    place(&lblStatus, "lblStatus");
    place(&lblMinimise_, "lblControls(0)");
    place(&lblClose_, "lblControls(1)");

    const QFont big = DesignFont(QStringLiteral("Verdana"), 14.25, true);
    const QFont line = DesignFont(QStringLiteral("Verdana"), 12, true);
    const QFont mark = DesignFont(QStringLiteral("MS Sans Serif"), 8.25, true);
    Label2.setFont(big);
    Label2.SetCaption(QStringLiteral("Controls"));
    Label1.setFont(big);
    Label1.SetCaption(QStringLiteral("Instellingen"));
    lblPlaying.setFont(line);
    lblStatus.setFont(line);
    lblStatus.SetCaption(QStringLiteral("Selecteer een zender in 1 van de zender boxes!"));
    lblMinimise_.setFont(mark);
    lblMinimise_.SetCaption(QStringLiteral("_"));
    lblClose_.setFont(mark);
    lblClose_.SetCaption(QStringLiteral("X"));
    for (platform::Label* label :
         {&Label1, &Label2, &lblPlaying, &lblStatus, &lblMinimise_, &lblClose_}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Skin::TextColour);
        label->setPalette(palette);
    }
    for (QWidget* pointing :
         {static_cast<QWidget*>(&ZendersBox1), static_cast<QWidget*>(&ZendersBox2),
          static_cast<QWidget*>(&lblMinimise_), static_cast<QWidget*>(&lblClose_)}) {
        pointing->setCursor(Qt::PointingHandCursor);
    }
    // What Tab goes through, in this order; a screen reader reads the marks
    // by name, not as "_" and "X".
    QWidget* previous = nullptr;
    for (platform::Label* stop :
         {static_cast<platform::Label*>(&ZendersBox1), static_cast<platform::Label*>(&ZendersBox2),
          &Label2, &Label1, &lblMinimise_, &lblClose_}) {
        stop->SetTabStop(true);
        if (previous) setTabOrder(previous, stop);
        previous = stop;
    }
    lblMinimise_.setAccessibleName(QStringLiteral("Minimaliseren"));
    lblClose_.setAccessibleName(QStringLiteral("Sluiten"));
    SetFocusColor(Skin::MarkColour);
    Afsluiten.setContext(Qt::ApplicationShortcut);

    connect(&lblPlaying, &platform::Label::MouseDown, this, &Hoofd::lblPlaying_MouseDown);
    connect(&lblStatus, &platform::Label::MouseDown, this, &Hoofd::lblStatus_MouseDown);
    connect(&lblMinimise_, &platform::Label::Click, this, [this] { lblControls_Click(0); });
    connect(&lblClose_, &platform::Label::Click, this, [this] { lblControls_Click(1); });
    connect(&Label1, &platform::Label::Click, this, &Hoofd::Label1_Click);
    connect(&Label2, &platform::Label::Click, this, &Hoofd::Label2_Click);
    connect(&VScroll1, &platform::VScrollBar::Change, this, &Hoofd::VScroll1_Change);
    connect(&VScroll2, &platform::VScrollBar::Change, this, &Hoofd::VScroll2_Change);
    connect(&ZendersBox1, &platform::ImageBox::Click, this, &Hoofd::ZendersBox1_Click);
    connect(&ZendersBox2, &platform::ImageBox::Click, this, &Hoofd::ZendersBox2_Click);
    connect(&lblMinimise_, &platform::Label::KeyDown, this,
            [this](short& KeyCode, short Shift) { lblControls_KeyDown(0, KeyCode, Shift); });
    connect(&lblClose_, &platform::Label::KeyDown, this,
            [this](short& KeyCode, short Shift) { lblControls_KeyDown(1, KeyCode, Shift); });
    connect(&Label1, &platform::Label::KeyDown, this, &Hoofd::Label1_KeyDown);
    connect(&Label2, &platform::Label::KeyDown, this, &Hoofd::Label2_KeyDown);
    connect(&ZendersBox1, &platform::ImageBox::KeyDown, this, &Hoofd::ZendersBox1_KeyDown);
    connect(&ZendersBox2, &platform::ImageBox::KeyDown, this, &Hoofd::ZendersBox2_KeyDown);
    connect(&Afsluiten, &QShortcut::activated, this, &Hoofd::Afsluiten_Activated);
    connect(&WMP, &media::WindowsMediaPlayer::StatusChange, this, &Hoofd::WMP_StatusChange);
    connect(&WMP, &media::WindowsMediaPlayer::TitleChange, this, &Hoofd::WMP_TitleChange);
    PlayerSeam::HandOut(&WMP);
    PlayerSeam::HandOutRemote(remote_.get());
}

Hoofd::~Hoofd() {
    PlayerSeam::HandOut(nullptr);
}

void Hoofd::LoadImages() {
    short number = 1;
    for (const char* name : kStationNames) {
        const QString path = QStringLiteral(":/logos/%1.gif").arg(number, 2, 10, QLatin1Char('0'));
        Images.Add(platform::StdPicture::Load(path), QString::fromUtf8(name));
        ++number;
    }
}

void Hoofd::Form_Load() {
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(*this, key);
    FillStationBoxes();
    Forms::Get<frmInstellingen>();
    connect(&Forms::Get<frmControls>().ucSlider1, &ucSlider::Change, remote_.get(),
            &PlayerSeam::Remote::VolumeChange);
    StartLastStation();
    Show();
}

void Hoofd::Form_Unload() {
    SaveLastStation();
    Forms::Unload<frmControls>();
    Forms::Unload<frmInstellingen>();
    Forms::Unload<Mnu>();
}

void Hoofd::Form_Resize() {
    if (WindowState() == platform::vbMinimized &&
        Forms::Get<frmInstellingen>().lstInstellingen.ListItems(3).Checked()) {
        Forms::Get<Mnu>();
    }
}

void Hoofd::DragWindow(short Button) {
    if (Button != platform::vbLeftButton) return;
    platform::user32::ReleaseCapture();
    platform::user32::SendMessageA(hWnd(), platform::user32::WM_NCLBUTTONDOWN,
                                   platform::user32::HTCAPTION, 0);
}

void Hoofd::Form_MouseDown(short Button, short, float, float) {
    DragWindow(Button);
}
void Hoofd::lblPlaying_MouseDown(short Button, short, float, float) {
    DragWindow(Button);
}
void Hoofd::lblStatus_MouseDown(short Button, short, float, float) {
    DragWindow(Button);
}

void Hoofd::lblControls_Click(short Index) {
    if (Index == 0) {
        SetWindowState(platform::vbMinimized);
    } else if (Index == 1) {
        Forms::Unload<Hoofd>();
    }
}

void Hoofd::lblControls_KeyDown(short Index, short& KeyCode, short Shift) {
    if (ClickKey(KeyCode, Shift)) lblControls_Click(Index);
}
void Hoofd::Label1_KeyDown(short& KeyCode, short Shift) {
    if (ClickKey(KeyCode, Shift)) Label1_Click();
}
void Hoofd::Label2_KeyDown(short& KeyCode, short Shift) {
    if (ClickKey(KeyCode, Shift)) Label2_Click();
}

void Hoofd::Afsluiten_Activated() {
    // As "Afsluiten" does; a tool window that has the focus first keeps what
    // was set in it, as leaving it would.
    Forms::EndSession();
}

void Hoofd::Label1_Click() {
    frmInstellingen& window = Forms::Get<frmInstellingen>();
    if (window.Visible()) {
        window.SetVisible(false);
        return;
    }
    window.SetTop(Top() + Height() - 1000);
    window.SetLeft(Left() + Width() - window.Width());
    window.SetVisible(true);
}

void Hoofd::Label2_Click() {
    frmControls& window = Forms::Get<frmControls>();
    if (window.Visible()) {
        window.SetVisible(false);
        return;
    }
    window.SetTop(Top() + Height() - 1000);
    window.SetLeft(Left());
    window.SetVisible(true);
}

// Station boxes: box 1 shows the first half of the catalogue plus one, box 2
// the rest; each box's tag is the number of the station it shows.

void Hoofd::FillStationBoxes() {
    const short n = Images.Count();
    // (N - 1) / 2 with a half rounded up, which for whole N is N / 2
    VScroll1.SetMax(static_cast<short>(n / 2));
    ShowStation(ZendersBox1, static_cast<short>(VScroll1.Value() + 1));
    VScroll2.SetMax(static_cast<short>(n - VScroll1.Max() - 2));
    ShowStation(ZendersBox2, static_cast<short>(VScroll2.Value() + VScroll1.Max() + 2));
}

void Hoofd::ShowStation(platform::ImageBox& box, short station) {
    const platform::ImageList::ListImage& entry = Images.ListImages(station);
    box.SetPicture(entry.Picture);
    box.SetToolTipText(QStringLiteral("Klik om te luisteren naar ") + entry.Tag);
    box.SetTag(QString::number(entry.Index));
    box.setAccessibleName(entry.Tag);
}

void Hoofd::VScroll1_Change() {
    ShowStation(ZendersBox1, static_cast<short>(VScroll1.Value() + 1));
}

void Hoofd::VScroll2_Change() {
    ShowStation(ZendersBox2, static_cast<short>(VScroll2.Value() + VScroll1.Max() + 2));
}

void Hoofd::ZendersBox1_Click() {
    SelectStation(ZendersBox1);
}
void Hoofd::ZendersBox2_Click() {
    SelectStation(ZendersBox2);
}

void Hoofd::ZendersBox1_KeyDown(short& KeyCode, short Shift) {
    if (ClickKey(KeyCode, Shift)) {
        ZendersBox1_Click();
    } else {
        StepStationBox(VScroll1, KeyCode, Shift);
    }
}
void Hoofd::ZendersBox2_KeyDown(short& KeyCode, short Shift) {
    if (ClickKey(KeyCode, Shift)) {
        ZendersBox2_Click();
    } else {
        StepStationBox(VScroll2, KeyCode, Shift);
    }
}

// Playback and status

void Hoofd::PlayStream(const QString& address) {
    WMP.SetURL(address);
    WMP.controls().play();
}

void Hoofd::SelectStation(const platform::ImageBox& box) {
    const short n = WholeNumber(box.Tag());
    PlayStream(Functies::StationUrl(n));
    lblPlaying.SetCaption(Images.ListImages(n).Tag);
    lblPlaying.SetTag(box.Tag());
    emit remote_->StationChange();
}

void Hoofd::WMP_StatusChange() {
    ShowStatus(WMP.status());
}

void Hoofd::WMP_TitleChange() {
    lblStatus.SetToolTipText(WMP.title());
    lblPlaying.SetToolTipText(WMP.title());
}

void Hoofd::ShowStatus(const QString& status) {
    lblStatus.SetCaption(status);
    lblStatus.SetCaption(lblStatus.Caption().replace(
        QStringLiteral("connecting to"), QStringLiteral("Verbinden met"), Qt::CaseInsensitive));
    lblStatus.SetCaption(lblStatus.Caption().replace(
        QStringLiteral("connecting"), QStringLiteral("Verbinden"), Qt::CaseInsensitive));
    lblStatus.SetCaption(lblStatus.Caption().replace(
        QStringLiteral("playing"), QStringLiteral("Afspelen"), Qt::CaseInsensitive));
    lblStatus.SetCaption(lblStatus.Caption().replace(
        QStringLiteral("ready"), QStringLiteral("Gestopt"), Qt::CaseInsensitive));
}

void Hoofd::SaveLastStation() {
    if (lblPlaying.Tag().isEmpty()) return;
    RegEdit::WriteRegDword(RegPaths::Zender, WholeNumber(lblPlaying.Tag()));
}

void Hoofd::StartLastStation() {
    if (!Forms::Get<frmInstellingen>().lstInstellingen.ListItems(1).Checked()) return;
    if (const short c = StoredStation()) GoToStation(c);
}

short Hoofd::StoredStation() const {
    // A value edited by hand may be anything: only a station number counts.
    bool whole = false;
    const int c = RegEdit::ReadRegValue(RegPaths::Zender).trimmed().toInt(&whole);
    return whole && c >= 1 && c <= Images.Count() ? static_cast<short>(c) : short{0};
}

void Hoofd::GoToStation(short c) {
    if (c <= VScroll1.Max() + 1) {
        VScroll1.SetValue(static_cast<short>(c - 1));
        SelectStation(ZendersBox1);
    } else {
        VScroll2.SetValue(static_cast<short>(c - VScroll1.Max() - 2));
        SelectStation(ZendersBox2);
    }
}
