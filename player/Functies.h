#pragma once
// The station catalogue's stream addresses, keyed by station number.

#include <QString>

namespace Functies {

// The stream address of station 1 to 32; the empty string for any other
// number. The number is not changed.
QString StationUrl(const short& Zender);

}  // namespace Functies
