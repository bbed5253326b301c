#pragma once
// The settings window: three switches that are the live settings of the run.

#include "platform/host/Form.h"
#include "platform/host/ListView.h"

class frmInstellingen : public platform::Form {
    Q_OBJECT

public:
    frmInstellingen();

    platform::ListView lstInstellingen{this};

    void Form_Load() override;
    void Form_LostFocus() override;
    void lstInstellingen_BeforeLabelEdit(bool& Cancel);
    void lstInstellingen_LostFocus();
    void lstInstellingen_KeyDown(short& KeyCode, short Shift);

    void LoadSettings();
    void SaveSettings();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
