#include "player/Functies.h"

namespace Functies {

QString StationUrl(const short& Zender) {
    // One fixed address per number, written out by the build from the
    // station table and its hosts.
    switch (Zender) {
#include "player/StationUrlCases.inc"
        default: return QString();
    }
}

}  // namespace Functies
