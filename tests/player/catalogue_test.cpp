// The catalogue's addresses, checked against the station table as listed,
// with the build's hosts put in.

#include <gtest/gtest.h>

#include "player/Functies.h"
#include "player/Hosts.h"

namespace {

QString host(const char* h) {
    return QString::fromLatin1(h);
}

TEST(StationUrl, GivesEveryAddressOfTheTableExactly) {
    const QString expected[33] = {
        QString(),
        "http://" + host(Hosts::A) + "/asx/veronicaradio.asp",
        "http://" + host(Hosts::B) + "/cgi-bin/streamswitch?streamid=46&a=.asx",
        "mms://" + host(Hosts::C) + "/arrowrock",
        "mms://" + host(Hosts::D) + "/arrowfmjazz/",
        "http://" + host(Hosts::E),
        "http://" + host(Hosts::A) + "/asx/caz_audio_01.asp",
        "http://" + host(Hosts::A) + "/asx/classicfm.asp",
        "http://" + host(Hosts::A) + "/asx/kink_classx.asp",
        "http://" + host(Hosts::F) + "/concertzender/live64.asx?concertzender",
        "mms://" + host(Hosts::G) + "/funx",
        "http://" + host(Hosts::H) + "/listen/listen.asx",
        "http://" + host(Hosts::I) + "/juizefm_high",
        "http://" + host(Hosts::J) + "/kinderradio",
        "http://" + host(Hosts::A) + "/asx/aardschok.asp",
        "http://" + host(Hosts::A) + "/asx/kinkfm.asp",
        "http://" + host(Hosts::K) + "/livestream1",
        "http://" + host(Hosts::L) + "/stream/laserradio.m3u",
        "http://" + host(Hosts::M) + "/wma9624.asx",
        "http://" + host(Hosts::N) + "/asx/q-music.asx",
        "http://" + host(Hosts::F) + "/radio1/live64.asx",
        "http://" + host(Hosts::F) + "/radio2/live55.asx",
        "http://" + host(Hosts::F) + "/live/radio4-breed.asx",
        "http://" + host(Hosts::F) + "/live/747am-breed.asx",
        "http://" + host(Hosts::O) + "/page/asx/",
        "http://" + host(Hosts::A) + "/asx/radio538.asp",
        "mms://" + host(Hosts::P) + "/Plopsa_high",
        "http://" + host(Hosts::Q) + "/stream/listen.asx",
        "http://" + host(Hosts::R) + "/royal-radio.asx",
        "http://" + host(Hosts::A) + "/asx/skyradio.asp",
        "http://" + host(Hosts::S) + "/stream/smashfm.asx",
        "http://" + host(Hosts::T) + ":9700",
        "http://" + host(Hosts::A) + "/asx/streamerswitch.asp?stream=104",
    };
    for (short n = 1; n <= 32; ++n) {
        EXPECT_EQ(Functies::StationUrl(n), expected[n]) << "station " << n;
    }
}

TEST(StationUrl, IsEmptyOutsideOneToThirtyTwo) {
    for (short n : {short(0), short(33), short(-1), short(-32768), short(32767)}) {
        EXPECT_TRUE(Functies::StationUrl(n).isEmpty()) << n;
    }
}

TEST(StationUrl, LeavesItsArgumentAlone) {
    const short n = 25;
    Functies::StationUrl(n);
    EXPECT_EQ(n, 25);
}

TEST(StationUrl, AddsNoSlashToAddressesWithoutPath) {
    short five = 5, thirtyOne = 31;
    EXPECT_FALSE(Functies::StationUrl(five).endsWith('/'));
    EXPECT_TRUE(Functies::StationUrl(thirtyOne).endsWith(":9700"));
}

}  // namespace
