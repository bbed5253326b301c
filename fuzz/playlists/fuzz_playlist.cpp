// libFuzzer entry for one playlist reader, chosen at build time
// (KLANKOR_FUZZ_READER: parseAsx, parseM3u or parsePls), and the HLS
// address reader beside it.

#include <cstddef>
#include <cstdint>

#include "media/Playlists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace media::playlists;
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)looksBinary(body);
    const QString text = decodeText(body);
    (void)detectKind(text, body.left(32), text.left(32));
    // Entries come from the text and are never longer than it: nothing
    // expands. The HLS address check reads whatever the others read.
    for (const QStringList& entries : {KLANKOR_FUZZ_READER(text), parseHls(text)}) {
        qsizetype total = 0;
        for (const QString& entry : entries) total += entry.size();
        if (total > text.size()) __builtin_trap();
    }
    return 0;
}
