#include "controls/frmControls.h"

#include "shaping/Transparant.h"

frmControls::frmControls() : Form(Kind::Tool) {
    setObjectName(QStringLiteral("frmControls"));
    SetCaption(QStringLiteral("Controls"));
    SetPicture(platform::StdPicture::Load(QStringLiteral(":/skin/tool.gif")));
    platform::PlaceTwips(&Label1, 120, 50, 2775, 200);
    platform::PlaceTwips(&Label2, 120, 660, 2775, 195);
    const QFont font = platform::DesignFont(QStringLiteral("Verdana"), 8.25, true);
    Label1.setFont(font);
    Label1.SetCaption(QStringLiteral("Volume"));
    Label2.setFont(font);
    Label2.SetCaption(QStringLiteral("Balance"));
}

void frmControls::Form_Load() {
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(*this, key);
}
