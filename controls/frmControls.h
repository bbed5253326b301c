#pragma once
// The sound controls window: volume and balance of the player.

#include "platform/host/Controls.h"
#include "platform/host/Form.h"

class frmControls : public platform::Form {
    Q_OBJECT

public:
    frmControls();

    platform::Label Label1{this};
    platform::Label Label2{this};

    void Form_Load() override;
};
