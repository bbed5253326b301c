#pragma once
// The main window: the program's start-up object. Loading it brings the
// whole program up; unloading it takes the program down.

#include <QShortcut>
#include <array>
#include <memory>

#include "media/WindowsMediaPlayer.h"
#include "platform/host/Controls.h"
#include "platform/host/Form.h"

class Hoofd : public platform::Form {
    Q_OBJECT

public:
    Hoofd();
    ~Hoofd() override;

    platform::ImageBox ZendersBox1{this};
    platform::VScrollBar VScroll1{this};
    platform::ImageBox ZendersBox2{this};
    platform::VScrollBar VScroll2{this};
    platform::Label Label2{this};
    platform::Label lblPlaying{this};
    platform::Label Label1{this};
    platform::Label lblStatus{this};
    std::array<platform::Label*, 2> lblControls{};
    platform::ImageList Images;
    media::WindowsMediaPlayer WMP{this};

    void Form_Load() override;
    void Form_Unload() override;
    void Form_Resize() override;
    void Form_MouseDown(short Button, short Shift, float X, float Y) override;

    void lblPlaying_MouseDown(short Button, short Shift, float X, float Y);
    void lblStatus_MouseDown(short Button, short Shift, float X, float Y);
    void lblControls_Click(short Index);
    void Label1_Click();
    void Label2_Click();
    void VScroll1_Change();
    void VScroll2_Change();
    void ZendersBox1_Click();
    void ZendersBox2_Click();
    // Keys, for a listener without a mouse: Return and Space do what a click
    // does; in a station box the arrows step as its scroll bar does.
    void lblControls_KeyDown(short Index, short& KeyCode, short Shift);
    void Label1_KeyDown(short& KeyCode, short Shift);
    void Label2_KeyDown(short& KeyCode, short Shift);
    void ZendersBox1_KeyDown(short& KeyCode, short Shift);
    void ZendersBox2_KeyDown(short& KeyCode, short Shift);
    // Ctrl+Q, in any of the program's windows.
    void Afsluiten_Activated();
    void WMP_StatusChange();
    // What the station says it plays shows over both text lines.
    void WMP_TitleChange();
    // The player's status text in the status line, its key words in Dutch.
    void ShowStatus(const QString& status);

    // Station boxes
    void FillStationBoxes();
    void ShowStation(platform::ImageBox& box, short station);

    // Playback and status
    void PlayStream(const QString& address);
    void SelectStation(const platform::ImageBox& box);
    void SaveLastStation();
    void StartLastStation();
    // The stored last station when it is a station number, else 0.
    short StoredStation() const;
    // Scrolls station 1..32 into the box that holds it and selects it there.
    void GoToStation(short station);

private:
    class Remote;  // this window as the desktop bus drives it
    void DragWindow(short Button);
    void LoadImages();
    platform::Label lblMinimise_{this};
    platform::Label lblClose_{this};
    QShortcut Afsluiten{QKeySequence(Qt::CTRL | Qt::Key_Q), this};
    std::unique_ptr<Remote> remote_;
};
