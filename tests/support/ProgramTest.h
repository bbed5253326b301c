#pragma once
// A test of the whole program's windows: each test gets a store of its own
// and no sound card, and ends with every window unloaded.

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "media/WindowsMediaPlayer.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        media::WindowsMediaPlayer::SetDefaultAudioFile(
            config.filePath(QStringLiteral("audio.raw")));
    }
    void TearDown() override { UnloadAll(); }
    // Unloads the main window, which takes every other window with it.
    static void UnloadAll() {
        platform::Forms::Unload<Hoofd>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QTemporaryDir config;
};
