#include "controls/frmControls.h"

#include "platform/host/PropertyBag.h"
#include "platform/host/VbError.h"
#include "media/PlayerSeam.h"
#include "resources/Skin.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "shaping/Transparant.h"

namespace {

const QString kDesign = QStringLiteral(":/design/frmControls.ini");

// The sliders as designed, from the window's design data.
void Restore(ucSlider& slider, const QString& name) {
    try {
        slider.UserControl_ReadProperties(platform::PropertyBag::FromIni(kDesign, name));
    } catch (const platform::VbError&) {
        // Without its design data the slider stays a new one; the window still works.
        slider.UserControl_InitProperties();
    }
}

// A stored text that is a whole number in the 16-bit range, else nothing.
std::optional<short> StoredNumber(const QString& text) {
    bool ok = false;
    const short value = text.toShort(&ok);
    return ok ? std::optional<short>(value) : std::nullopt;
}

}  // namespace

frmControls::frmControls() : Form(Kind::Tool) {
    setObjectName(QStringLiteral("frmControls"));
    SetCaption(QStringLiteral("Controls"));
    SetPicture(platform::StdPicture::Load(QStringLiteral(":/skin/tool.gif")));

    const QFont font = platform::DesignFont(QStringLiteral("Verdana"), 8.25, true);
    for (platform::Label* label : {&Label1, &Label2}) {
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Skin::TextColour);
        label->setPalette(palette);
    }
    Label1.SetCaption(QStringLiteral("Volume"));
    Label2.SetCaption(QStringLiteral("Balance"));
    platform::PlaceTwips(&Label1, platform::DesignPlace(kDesign, QStringLiteral("Label1")));
    platform::PlaceTwips(&Label2, platform::DesignPlace(kDesign, QStringLiteral("Label2")));

    Restore(ucSlider1, QStringLiteral("ucSlider1"));
    Restore(ucSlider2, QStringLiteral("ucSlider2"));
    for (auto [slider, name] : {std::pair{&ucSlider1, "ucSlider1"}, {&ucSlider2, "ucSlider2"}}) {
        const platform::TwipsRect at = platform::DesignPlace(kDesign, QLatin1String(name));
        slider->Move(at.left, at.top, at.width, at.height);
    }
    // Each label names its slider for a screen reader; Tab goes between the sliders.
    Label1.setBuddy(&ucSlider1);
    Label2.setBuddy(&ucSlider2);
    SetFocusColor(Skin::MarkColour);
    connect(&ucSlider1, &ucSlider::Change, this, &frmControls::ucSlider1_Change);
    connect(&ucSlider2, &ucSlider::Change, this, &frmControls::ucSlider2_Change);
}

void frmControls::Form_Load() {
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(*this, key);
    LoadSoundSettings();
}

void frmControls::LoadSoundSettings() {
    // Values edited by hand may be anything: only what the sliders can show counts.
    if (const auto volume = StoredNumber(RegEdit::ReadRegValue(RegPaths::Volume))) {
        if (*volume >= 0 && *volume <= 100) ucSlider1.SetValue(*volume);
    }
    if (const auto balance = StoredNumber(RegEdit::ReadRegValue(RegPaths::Balance))) {
        if (*balance >= -50 && *balance <= 50) ucSlider2.SetValue(*balance);
    }
}

void frmControls::Form_Activate() {
    ucSlider1.setFocus(Qt::ActiveWindowFocusReason);
}

void frmControls::Form_LostFocus() {
    SetVisible(false);
    SaveSoundSettings();
}

void frmControls::Form_KeyDown(short& KeyCode, short Shift) {
    // Escape leaves the window as a click elsewhere does, back to the main window.
    if (KeyCode != platform::vbKeyEscape || Shift != 0) return;
    KeyCode = 0;
    Form_LostFocus();
    if (platform::Form* main = platform::Forms::Main()) main->SetFocus();
}

void frmControls::SaveSoundSettings() {
    RegEdit::WriteRegDword(RegPaths::Volume, static_cast<short>(ucSlider1.Value()));
    RegEdit::WriteRegDword(RegPaths::Balance, static_cast<short>(ucSlider2.Value()));
}

void frmControls::ucSlider1_Change() {
    PlayerSeam::Player().SetVolume(static_cast<std::int32_t>(ucSlider1.Value()));
}

void frmControls::ucSlider2_Change() {
    PlayerSeam::Player().SetBalance(static_cast<std::int32_t>(ucSlider2.Value()));
}
