#include "player/Functies.h"

#include "player/Hosts.h"

namespace Functies {
namespace {

QString http(const char* host, const char* rest = "") {
    return QStringLiteral("http://") + QLatin1String(host) + QLatin1String(rest);
}

QString mms(const char* host, const char* rest) {
    return QStringLiteral("mms://") + QLatin1String(host) + QLatin1String(rest);
}

}  // namespace

QString StationUrl(const short& Zender) {
    switch (Zender) {
        case 1: return http(Hosts::A, "/asx/veronicaradio.asp");
        case 2: return http(Hosts::B, "/cgi-bin/streamswitch?streamid=46&a=.asx");
        case 3: return mms(Hosts::C, "/arrowrock");
        case 4: return mms(Hosts::D, "/arrowfmjazz/");
        case 5: return http(Hosts::E);
        case 6: return http(Hosts::A, "/asx/caz_audio_01.asp");
        case 7: return http(Hosts::A, "/asx/classicfm.asp");
        case 8: return http(Hosts::A, "/asx/kink_classx.asp");
        case 9: return http(Hosts::F, "/concertzender/live64.asx?concertzender");
        case 10: return mms(Hosts::G, "/funx");
        case 11: return http(Hosts::H, "/listen/listen.asx");
        case 12: return http(Hosts::I, "/juizefm_high");
        case 13: return http(Hosts::J, "/kinderradio");
        case 14: return http(Hosts::A, "/asx/aardschok.asp");
        case 15: return http(Hosts::A, "/asx/kinkfm.asp");
        case 16: return http(Hosts::K, "/livestream1");
        case 17: return http(Hosts::L, "/stream/laserradio.m3u");
        case 18: return http(Hosts::M, "/wma9624.asx");
        case 19: return http(Hosts::N, "/asx/q-music.asx");
        case 20: return http(Hosts::F, "/radio1/live64.asx");
        case 21: return http(Hosts::F, "/radio2/live55.asx");
        case 22: return http(Hosts::F, "/live/radio4-breed.asx");
        case 23: return http(Hosts::F, "/live/747am-breed.asx");
        case 24: return http(Hosts::O, "/page/asx/");
        case 25: return http(Hosts::A, "/asx/radio538.asp");
        case 26: return mms(Hosts::P, "/Plopsa_high");
        case 27: return http(Hosts::Q, "/stream/listen.asx");
        case 28: return http(Hosts::R, "/royal-radio.asx");
        case 29: return http(Hosts::A, "/asx/skyradio.asp");
        case 30: return http(Hosts::S, "/stream/smashfm.asx");
        case 31: return http(Hosts::T, ":9700");
        case 32: return http(Hosts::A, "/asx/streamerswitch.asp?stream=104");
        default: return QString();
    }
}

}  // namespace Functies
