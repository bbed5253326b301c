#include "settings/frmInstellingen.h"

#include "platform/host/Controls.h"
#include "shaping/Transparant.h"

frmInstellingen::frmInstellingen() : Form(Kind::Tool) {
    setObjectName(QStringLiteral("frmInstellingen"));
    SetCaption(QStringLiteral("Instellingen"));
    SetPicture(platform::StdPicture::Load(QStringLiteral(":/skin/tool.gif")));
    platform::PlaceTwips(&lstInstellingen, 100, 100, 2795, 1595);
    connect(&lstInstellingen, &platform::ListView::BeforeLabelEdit, this,
            &frmInstellingen::lstInstellingen_BeforeLabelEdit);
}

void frmInstellingen::Form_Load() {
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(*this, key);
    lstInstellingen.setViewMode(QListView::ListMode);
    lstInstellingen.Add(QStringLiteral("Automatisch stream starten"));
    lstInstellingen.Add(QStringLiteral("Starten bij starten van Windows"));
    lstInstellingen.Add(QStringLiteral("Minimaliseren naar systeemvak"));
}

void frmInstellingen::lstInstellingen_BeforeLabelEdit(bool& Cancel) {
    Cancel = true;
}
