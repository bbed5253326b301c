#include "platform/gdi/Gdi.h"

#include <map>
#include <variant>

namespace platform::gdi {
namespace {

struct Bitmap {
    QImage image;
};

struct Table {
    std::map<HGDIOBJ, std::variant<Bitmap>> objects;
    HGDIOBJ next = 0x100;
};

Table& table() {
    static Table t;
    return t;
}

}  // namespace

HBITMAP CreateBitmapFromImage(const QImage& image) {
    if (image.isNull()) return 0;
    Table& t = table();
    const HGDIOBJ handle = t.next++;
    t.objects.emplace(handle, Bitmap{image});
    return handle;
}

bool DeleteObject(HGDIOBJ object) {
    return table().objects.erase(object) == 1;
}

}  // namespace platform::gdi
