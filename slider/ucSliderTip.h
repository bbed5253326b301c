#pragma once
// The value tip: one small window, shared by every slider, that shows the
// value of the slider being dragged next to its thumb. The slider fills,
// places and shows it; the tip itself only keeps its frame drawn.

#include <QString>

#include "platform/host/Controls.h"
#include "platform/host/Form.h"
#include "platform/host/Surface.h"

class ucSliderTip : public platform::Form {
    Q_OBJECT

public:
    ucSliderTip();

    platform::Label lblTip{this};

    // Width of the text in the tip's font, in pixels.
    float TextWidth(const QString& text) const;
    // What the window shows apart from the label: its kept drawing.
    const QImage& Drawing() const { return surface_.Image(); }

    void Form_Resize() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    platform::Surface surface_{this, platform::vbSysColor | platform::COLOR_INFOBK};
};
