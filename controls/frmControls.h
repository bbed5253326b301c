#pragma once
// The sound controls window: volume and balance of the player, kept across
// runs.

#include "platform/host/Controls.h"
#include "platform/host/Form.h"
#include "slider/ucSlider.h"

class frmControls : public platform::Form {
    Q_OBJECT

public:
    frmControls();

    platform::Label Label1{this};
    ucSlider ucSlider1{this};
    platform::Label Label2{this};
    ucSlider ucSlider2{this};

    void Form_Load() override;
    void Form_Activate() override;
    void Form_LostFocus() override;
    void Form_KeyDown(short& KeyCode, short Shift) override;
    void ucSlider1_Change();
    void ucSlider2_Change();

    void LoadSoundSettings();
    void SaveSoundSettings();
};
