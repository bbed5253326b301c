#include "platform/gdi/Gdi.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <unordered_map>
#include <variant>
#include <vector>

namespace platform::gdi {
namespace {

constexpr HGDIOBJ kStockBitmap = 0x10;  // the 1x1 bitmap a new memory context holds
constexpr HGDIOBJ kFirstHandle = 0x100;
constexpr HWND kDesktopWindow = 0x10;
// Larger DIBs are refused rather than committing that much memory to one picture.
constexpr std::int64_t kMaxDibBytes = std::int64_t{1} << 29;
// Region coordinates are 27-bit on Windows too; it keeps every width an int.
constexpr std::int32_t kMaxCoordinate = (1 << 27) - 1;

struct Bitmap {
    QImage image;                  // a screen-depth bitmap's pixels
    std::unique_ptr<uchar[]> dib;  // a DIB's own pixels: bottom-up rows of B, G, R
    std::int32_t width = 0, height = 0, stride = 0;  // of the DIB
    HDC selectedIn = 0;
};

struct Dc {
    HBITMAP bitmap = kStockBitmap;
    bool screen = false;
};

struct Region {
    QRegion shape;
    // Rectangles OR-ed in since shape was last built; merged in one go when
    // the region is needed, because a union per rectangle is quadratic.
    std::vector<QRect> pending;
    QRect bounds;
    std::int64_t area = 0;  // covered area; an upper bound while pending rectangles overlap
    std::int32_t type = NULLREGION;
    HWND owner = 0;  // the window it shapes, which owns it
    QMetaObject::Connection ownerGone;
};

using Object = std::variant<Bitmap, Dc, Region>;

struct Table {
    std::unordered_map<HGDIOBJ, Object> objects;
    std::map<HWND, HRGN> windowRegions;
    HGDIOBJ next = kFirstHandle;
    bool clipboardOpen = false;
    Counts counts;

    Table() {
        Bitmap stock;
        stock.image = QImage(1, 1, QImage::Format_Mono);
        stock.image.fill(0);
        objects.emplace(kStockBitmap, std::move(stock));
    }
    HGDIOBJ add(Object object) {
        do {
            next = next == std::numeric_limits<HGDIOBJ>::max() ? kFirstHandle : next + 1;
        } while (objects.count(next) != 0);
        objects.emplace(next, std::move(object));
        return next;
    }
    template <class T>
    T* get(HGDIOBJ handle) {
        const auto it = objects.find(handle);
        return it == objects.end() ? nullptr : std::get_if<T>(&it->second);
    }
};

// Never destroyed: windows that outlive main still release their regions here.
Table& table() {
    static Table* const t = new Table;
    return *t;
}

Bitmap* selectedBitmap(HDC hdc) {
    const Dc* dc = table().get<Dc>(hdc);
    return dc ? table().get<Bitmap>(dc->bitmap) : nullptr;
}

QImage topDown(const Bitmap& b) {
    if (!b.dib) return b.image;
    return QImage(static_cast<const uchar*>(b.dib.get()), b.width, b.height, b.stride,
                  QImage::Format_BGR888)
        .mirrored();
}

bool put(Bitmap& to, const QImage& part, QPoint at) {
    if (to.dib) {
        const QImage rows = part.convertToFormat(QImage::Format_BGR888);
        for (int r = 0; r < rows.height(); ++r) {
            uchar* line = to.dib.get() + std::ptrdiff_t{to.stride} * (to.height - 1 - at.y() - r);
            std::memcpy(line + 3 * at.x(), rows.constScanLine(r), std::size_t(3) * rows.width());
        }
        return true;
    }
    if (to.image.format() == QImage::Format_Mono) return false;  // the stock bitmap
    QPainter painter(&to.image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(at, part);
    return true;
}

std::int64_t areaOf(const QRect& r) {
    return std::int64_t{r.width()} * r.height();
}

std::int32_t typeOf(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void assign(Region& r, QRegion shape) {
    r.pending.clear();
    r.shape = std::move(shape);
    r.bounds = r.shape.boundingRect();
    r.area = 0;
    for (const QRect& part : r.shape) r.area += areaOf(part);
    r.type = typeOf(r.shape);
}

// QRegion::setRects takes y-x banded rectangles as they are: sorted, no
// overlap, one height per band, no two touching side by side.
bool banded(const std::vector<QRect>& rects) {
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const QRect& a = rects[i - 1];
        const QRect& b = rects[i];
        if (a.top() == b.top()) {
            if (a.height() != b.height() || b.left() <= a.right() + 1) return false;
        } else if (b.top() <= a.bottom()) {
            return false;
        }
    }
    return true;
}

// The runs of a picture are banded and go straight in; anything else is
// merged pairwise, which keeps the work at n log n.
QRegion unite(std::vector<QRect> rects) {
    std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    if (banded(rects) && rects.size() <= std::size_t(std::numeric_limits<int>::max())) {
        QRegion region;
        region.setRects(rects.data(), int(rects.size()));
        return region;
    }
    std::vector<QRegion> level(rects.begin(), rects.end());
    while (level.size() > 1) {
        std::vector<QRegion> up;
        for (std::size_t i = 0; i + 1 < level.size(); i += 2) up.push_back(level[i] | level[i + 1]);
        if (level.size() % 2 != 0) up.push_back(level.back());
        level = std::move(up);
    }
    return level.empty() ? QRegion() : level.front();
}

const QRegion& shapeOf(Region& r) {
    if (!r.pending.empty()) {
        QRegion added = unite(std::move(r.pending));
        assign(r, r.shape.isEmpty() ? std::move(added) : r.shape | added);
    }
    return r.shape;
}

// dest |= source without building anything. The result's type is settled
// from the bounds and areas; only when they cannot tell is the region built.
void orInto(Region& dest, Region& source) {
    if (source.type == NULLREGION || &dest == &source) return;
    if (dest.type == NULLREGION) {
        dest.shape = QRegion();
        dest.pending.assign(source.shape.begin(), source.shape.end());
        dest.pending.insert(dest.pending.end(), source.pending.begin(), source.pending.end());
        dest.bounds = source.bounds;
        dest.area = source.area;
        dest.type = source.type;
        return;
    }
    const QRect bounds = dest.bounds | source.bounds;
    std::int64_t area = dest.area + source.area;
    std::int32_t type = COMPLEXREGION;  // when the parts cannot fill their bounding box
    if (dest.type == SIMPLEREGION && source.type == SIMPLEREGION) {
        area -= areaOf(dest.bounds & source.bounds);
        type = area == areaOf(bounds) ? SIMPLEREGION : COMPLEXREGION;
    } else if (area >= areaOf(bounds)) {
        assign(dest, shapeOf(dest) | shapeOf(source));
        return;
    }
    if (type == SIMPLEREGION) {
        dest.pending.clear();
        dest.shape = QRegion(bounds);
    } else {
        for (const QRect& part : source.shape) dest.pending.push_back(part);
        dest.pending.insert(dest.pending.end(), source.pending.begin(), source.pending.end());
    }
    dest.bounds = bounds;
    dest.area = area;
    dest.type = type;
}

void releaseWindowRegion(HWND hWnd) {
    Table& t = table();
    const auto it = t.windowRegions.find(hWnd);
    if (it == t.windowRegions.end()) return;
    if (Region* old = t.get<Region>(it->second)) QObject::disconnect(old->ownerGone);
    t.objects.erase(it->second);
    t.windowRegions.erase(it);
}

QClipboard* clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

}  // namespace

HBITMAP CreateBitmapFromImage(const QImage& image) {
    if (image.isNull()) return 0;
    Bitmap b;
    b.image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32);
    return table().add(std::move(b));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, std::int32_t cx, std::int32_t cy) {
    Table& t = table();
    if (!t.get<Dc>(hdc) || cx <= 0 || cy <= 0 || std::int64_t{cx} * cy * 4 > kMaxDibBytes) return 0;
    Bitmap b;
    b.image = QImage(cx, cy, QImage::Format_RGB32);
    if (b.image.isNull()) return 0;
    b.image.fill(Qt::black);
    return t.add(std::move(b));
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFOHEADER* header, std::uint32_t usage, void** bits,
                         std::intptr_t section, std::uint32_t /*offset*/) {
    if (bits) *bits = nullptr;
    Table& t = table();
    const BITMAPINFOHEADER* h = header;
    if (!h || h->biSize < sizeof(BITMAPINFOHEADER) || h->biPlanes != 1 || h->biBitCount != 24 ||
        h->biCompression != BI_RGB || usage != DIB_RGB_COLORS || section != 0 || h->biWidth <= 0 ||
        h->biHeight <= 0 || (hdc != 0 && !t.get<Dc>(hdc))) {
        return 0;
    }
    const std::int64_t stride = (std::int64_t{h->biWidth} * 3 + 3) & ~std::int64_t{3};
    if (stride * h->biHeight > kMaxDibBytes) return 0;
    Bitmap b;
    b.dib.reset(new (std::nothrow) uchar[std::size_t(stride * h->biHeight)]());
    if (!b.dib) return 0;
    b.width = h->biWidth;
    b.height = h->biHeight;
    b.stride = std::int32_t(stride);
    uchar* memory = b.dib.get();
    const HBITMAP handle = t.add(std::move(b));
    if (bits) *bits = memory;
    return handle;
}

std::int32_t GetObjectA(HGDIOBJ object, std::int32_t size, void* out) {
    const Bitmap* b = table().get<Bitmap>(object);
    if (!b) return 0;
    if (!out) return sizeof(BITMAP);
    if (size < std::int32_t(sizeof(BITMAP))) return 0;
    BITMAP bm;
    bm.bmPlanes = 1;
    if (b->dib) {
        bm.bmWidth = b->width;
        bm.bmHeight = b->height;
        bm.bmWidthBytes = b->stride;
        bm.bmBitsPixel = 24;
        bm.bmBits = b->dib.get();
    } else {
        bm.bmWidth = b->image.width();
        bm.bmHeight = b->image.height();
        bm.bmWidthBytes = std::int32_t(b->image.bytesPerLine());
        bm.bmBitsPixel = std::uint16_t(b->image.depth());
    }
    std::memcpy(out, &bm, sizeof bm);
    return sizeof bm;
}

bool DeleteObject(HGDIOBJ object) {
    Table& t = table();
    ++t.counts.deleteObject;
    if (object == kStockBitmap) return true;  // stock objects stay, as on Windows
    const auto it = t.objects.find(object);
    if (it == t.objects.end() || std::holds_alternative<Dc>(it->second)) return false;
    if (const auto* b = std::get_if<Bitmap>(&it->second); b && b->selectedIn != 0) return false;
    if (const auto* r = std::get_if<Region>(&it->second); r && r->owner != 0) return false;
    t.objects.erase(it);
    return true;
}

HDC CreateCompatibleDC(HDC hdc) {
    Table& t = table();
    if (hdc != 0 && !t.get<Dc>(hdc)) return 0;
    return t.add(Dc{});
}

bool DeleteDC(HDC hdc) {
    Table& t = table();
    const Dc* dc = t.get<Dc>(hdc);
    if (!dc || dc->screen) return false;
    if (Bitmap* b = t.get<Bitmap>(dc->bitmap); b && dc->bitmap != kStockBitmap) b->selectedIn = 0;
    t.objects.erase(hdc);
    return true;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    Table& t = table();
    Dc* dc = t.get<Dc>(hdc);
    Bitmap* b = t.get<Bitmap>(object);
    if (!dc || dc->screen || !b) return 0;
    if (dc->bitmap == object) return object;
    if (b->selectedIn != 0) return 0;
    const HGDIOBJ previous = dc->bitmap;
    if (Bitmap* old = t.get<Bitmap>(previous)) old->selectedIn = 0;
    if (object != kStockBitmap) b->selectedIn = hdc;
    dc->bitmap = object;
    return previous;
}

HWND GetDesktopWindow() {
    return kDesktopWindow;
}

HDC GetDC(HWND hWnd) {
    if ((hWnd != 0 && hWnd != kDesktopWindow) || !QGuiApplication::primaryScreen()) return 0;
    return table().add(Dc{0, true});
}

std::int32_t ReleaseDC(HWND, HDC hdc) {
    Table& t = table();
    const Dc* dc = t.get<Dc>(hdc);
    if (!dc || !dc->screen) return 0;
    t.objects.erase(hdc);
    return 1;
}

bool BitBlt(HDC dest, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC source,
            std::int32_t x1, std::int32_t y1, std::uint32_t rop) {
    Bitmap* to = selectedBitmap(dest);
    const Bitmap* from = selectedBitmap(source);
    if (rop != SRCCOPY || !to || !from || cx < 0 || cy < 0) return false;
    // Clip to the destination in 64 bits, so no size can overflow or
    // make us copy more than the destination holds.
    const QSize size = to->dib ? QSize(to->width, to->height) : to->image.size();
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + cx, size.width());
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + cy, size.height());
    if (right <= left || bottom <= top) return true;
    const std::int64_t sx = std::int64_t{x1} + (left - x);
    const std::int64_t sy = std::int64_t{y1} + (top - y);
    if (std::abs(sx) > kMaxCoordinate || std::abs(sy) > kMaxCoordinate) return false;
    const QImage part = topDown(*from).copy(int(sx), int(sy), int(right - left), int(bottom - top));
    return put(*to, part, QPoint(int(left), int(top)));
}

bool OpenClipboard(HWND) {
    Table& t = table();
    if (t.clipboardOpen || !clipboard()) return false;
    t.clipboardOpen = true;
    return true;
}

bool EmptyClipboard() {
    if (!table().clipboardOpen) return false;
    clipboard()->clear();
    return true;
}

HGDIOBJ SetClipboardData(std::uint32_t format, HGDIOBJ data) {
    Table& t = table();
    const Bitmap* b = t.get<Bitmap>(data);
    if (!t.clipboardOpen || format != CF_BITMAP || !b || b->selectedIn != 0 ||
        data == kStockBitmap) {
        return 0;
    }
    clipboard()->setImage(topDown(*b));
    t.objects.erase(data);  // the clipboard holds its own copy
    return data;
}

bool CloseClipboard() {
    Table& t = table();
    if (!t.clipboardOpen) return false;
    t.clipboardOpen = false;
    return true;
}

HRGN CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    Table& t = table();
    ++t.counts.createRectRgn;
    const auto clamp = [](std::int32_t v) {
        return std::clamp(v, -kMaxCoordinate, kMaxCoordinate);
    };
    // Corners may come in either order. (Not std::minmax: it would hand back
    // references to the clamped temporaries.)
    const std::int32_t x0 = clamp(left), x1 = clamp(right), y0 = clamp(top), y1 = clamp(bottom);
    const std::int32_t l = std::min(x0, x1), r = std::max(x0, x1);
    const std::int32_t u = std::min(y0, y1), d = std::max(y0, y1);
    Region region;
    if (l < r && u < d) assign(region, QRegion(l, u, r - l, d - u));
    return t.add(std::move(region));
}

std::int32_t CombineRgn(HRGN dest, HRGN source1, HRGN source2, std::int32_t mode) {
    Table& t = table();
    ++t.counts.combineRgn;
    Region* d = t.get<Region>(dest);
    Region* a = t.get<Region>(source1);
    Region* b = t.get<Region>(source2);
    if (!d || d->owner != 0 || !a || (mode != RGN_COPY && !b)) return RGN_ERROR;
    if (mode == RGN_OR && d == a) {
        orInto(*d, *b);
        return d->type;
    }
    switch (mode) {
        case RGN_AND: assign(*d, shapeOf(*a) & shapeOf(*b)); break;
        case RGN_OR: assign(*d, shapeOf(*a) | shapeOf(*b)); break;
        case RGN_XOR: assign(*d, shapeOf(*a) ^ shapeOf(*b)); break;
        case RGN_DIFF: assign(*d, shapeOf(*a) - shapeOf(*b)); break;
        case RGN_COPY: assign(*d, shapeOf(*a)); break;
        default: return RGN_ERROR;
    }
    return d->type;
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN region, bool redraw) {
    Table& t = table();
    QWidget* window = QWidget::find(hWnd);
    Region* r = region != 0 ? t.get<Region>(region) : nullptr;
    if (!window || (region != 0 && (!r || r->owner != 0))) return 0;
    releaseWindowRegion(hWnd);
    if (r) {
        // Windows measures from the outer corner, the mask from the client area.
        // Qt takes an empty mask for none; Windows shows nothing of the window.
        const QPoint client = window->frameGeometry().topLeft() - window->geometry().topLeft();
        const QRegion& shape = shapeOf(*r);
        window->setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape.translated(client));
        r->owner = hWnd;
        r->ownerGone =
            QObject::connect(window, &QObject::destroyed, [hWnd] { releaseWindowRegion(hWnd); });
        t.windowRegions[hWnd] = region;
    } else {
        window->clearMask();
    }
    if (redraw) window->update();
    return 1;
}

Counts CallCounts() {
    Counts c = table().counts;
    c.liveObjects = std::int64_t(table().objects.size()) - 1;
    return c;
}

}  // namespace platform::gdi
