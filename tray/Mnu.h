#pragma once
// The tray window: never shown, it owns the notification-area icon that
// stands in for the main window while that is minimised to the tray, and the
// icon's popup menu. The icon's mouse messages arrive as its Form_MouseMove,
// the message number as X in twips.

#include <QAction>
#include <QMenu>

#include "platform/host/Form.h"
#include "platform/host/Picture.h"
#include "tray/NotifyIconData.h"

class Mnu : public platform::Form {
    Q_OBJECT

public:
    Mnu();

    // The icon record, for the whole run: filled at load and sent back
    // unchanged at unload, so the removal names the very icon that was added.
    static inline NotifyIconData nid;

    // The icon the notification area shows: 32 x 32 pixels, 24 bits.
    platform::StdPicture Icon;

    QMenu menu{this};
    QAction* menuOpenen = nullptr;
    QAction* lijn2 = nullptr;
    QAction* menuStart = nullptr;
    QAction* menuStop = nullptr;
    QAction* lijn1 = nullptr;
    QAction* menuAfsluiten = nullptr;

    void Form_Load() override;
    void Form_Unload() override;
    void Form_MouseMove(short Button, short Shift, float X, float Y) override;

    void menuOpenen_Click();
    void menuStart_Click();
    void menuStop_Click();
    void menuAfsluiten_Click();

private:
    void RestoreMain();
};
