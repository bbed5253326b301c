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
#include <type_traits>
#include <utility>
#include <vector>

namespace platform::gdi {
namespace {

constexpr HGDIOBJ kStockBitmap = 0x10;  // the 1x1 bitmap a new memory context holds
constexpr HWND kDesktopWindow = 0x10;
// A handle is a slot number (from kFirstHandle up) in its low bits and the
// slot's reuse count above them, so a handle that was deleted stays unknown
// after its slot has been taken again, as on Windows.
constexpr HGDIOBJ kFirstHandle = 0x100;
constexpr int kSlotBits = 20;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kMaxSlots = kSlotMask + 1 - kFirstHandle;
constexpr std::uint32_t kReuseMask = (1u << (31 - kSlotBits)) - 1;
// Larger DIBs are refused rather than committing that much memory to one picture.
constexpr std::int64_t kMaxDibBytes = std::int64_t{1} << 29;
// Region coordinates are 27-bit on Windows too; it keeps every width an int.
constexpr std::int32_t kMaxCoordinate = (1 << 27) - 1;

struct FreeBytes {
    void operator()(uchar* p) const { std::free(p); }
};

struct Bitmap {
    QImage image;                             // a screen-depth bitmap's pixels
    std::unique_ptr<uchar[], FreeBytes> dib;  // a DIB's own pixels: bottom-up rows of B, G, R
    std::int32_t width = 0, height = 0, stride = 0;  // of the DIB
    HDC selectedIn = 0;
};

struct Dc {
    HBITMAP bitmap = kStockBitmap;
    bool screen = false;
};

// Rectangles waiting to be merged into a region. The memory grows in place
// (realloc), not by copying into a fresh block as std::vector does: a
// picture's runs can number a million, and every fresh page costs a fault.
class Rects {
public:
    Rects() = default;
    Rects(Rects&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    Rects& operator=(Rects&& other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    Rects(const Rects&) = delete;
    Rects& operator=(const Rects&) = delete;
    ~Rects() { std::free(data_); }

    void push_back(const QRect& r) {
        if (size_ == capacity_) reserve(std::max<std::size_t>(64, capacity_ * 2));
        data_[size_++] = r;
    }
    void reserve(std::size_t capacity) {
        if (capacity <= capacity_) return;
        if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(QRect))
            throw std::bad_alloc();
        void* grown = std::realloc(data_, capacity * sizeof(QRect));
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<QRect*>(grown);
        capacity_ = capacity;
    }
    void resize(std::size_t size) { size_ = std::min(size, size_); }  // shrinks only
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    QRect* data() { return data_; }
    QRect* begin() { return data_; }
    QRect* end() { return data_ + size_; }
    const QRect* begin() const { return data_; }
    const QRect* end() const { return data_ + size_; }
    QRect& back() { return data_[size_ - 1]; }
    QRect& operator[](std::size_t i) { return data_[i]; }
    const QRect& operator[](std::size_t i) const { return data_[i]; }

private:
    static_assert(std::is_trivially_copyable_v<QRect>);
    QRect* data_ = nullptr;
    std::size_t size_ = 0, capacity_ = 0;
};

// A region made by CreateRectRgn is its bounding box and nothing more, so
// making, combining and deleting one per run of a picture allocates nothing.
// Once rectangles are OR-ed into it, it has a list: a built shape plus the
// rectangles added since, which are merged in one go when the region is
// needed, because a union per rectangle is quadratic. While every added
// rectangle lies in rows of its own band (above or below all else, or to the
// right in the band just added, as a picture's runs come), the parts are
// disjoint: the area is exact, the type follows from it, and the bands go
// into a QRegion as they are.
struct RegionList {
    QRegion shape;
    Rects pending;
    QMetaObject::Connection ownerGone;
};

struct Region {
    QRect bounds;
    std::int64_t area = 0;  // covered area; an upper bound when not exact
    std::int32_t type = NULLREGION;
    bool exact = true;
    bool bandOpen = false;  // last is the last pending one and its rows hold only its band
    bool downward = true;   // pending bands were added top to bottom
    bool upward = true;     // pending bands were added bottom to top
    QRect last;
    HWND owner = 0;                    // the window it shapes, which owns it
    std::unique_ptr<RegionList> list;  // none: the region is its bounds, or empty
};

enum class Kind : std::uint8_t { Free, Bitmap, Dc, Region };

// A slot holds one object of any kind. A freed slot keeps its emptied
// members for the next object, so a region per run of a picture costs no
// allocation.
struct Slot {
    Kind kind = Kind::Free;
    std::uint32_t reuse = 0;
    Bitmap bitmap;
    Dc dc;
    Region region;

    template <class T>
    T& as() {
        if constexpr (std::is_same_v<T, Bitmap>) return bitmap;
        if constexpr (std::is_same_v<T, Dc>) return dc;
        if constexpr (std::is_same_v<T, Region>) return region;
    }
    template <class T>
    static constexpr Kind kindOf() {
        if constexpr (std::is_same_v<T, Bitmap>) return Kind::Bitmap;
        if constexpr (std::is_same_v<T, Dc>) return Kind::Dc;
        return Kind::Region;
    }
};

struct Table {
    std::vector<Slot> entries;
    std::vector<std::uint32_t> freeSlots;
    std::int64_t live = 0;
    Bitmap stock;
    std::map<HWND, HRGN> windowRegions;
    bool clipboardOpen = false;
    Counts counts;

    Table() {
        stock.image = QImage(1, 1, QImage::Format_Mono);
        stock.image.fill(0);
    }
    // A new object in a free slot, as the slot's member left it (default
    // for a bitmap or context; a region's fields are the caller's to set):
    // its handle and where it lives until the table grows; {0, null} when
    // the table is full.
    template <class T>
    std::pair<HGDIOBJ, T*> make() {
        std::uint32_t index = 0;
        if (!freeSlots.empty()) {
            index = freeSlots.back();
            freeSlots.pop_back();
        } else if (entries.size() < kMaxSlots) {
            index = std::uint32_t(entries.size());
            entries.emplace_back();
        } else {
            return {0, nullptr};  // more objects than Windows would ever give one program
        }
        Slot& slot = entries[index];
        slot.kind = Slot::kindOf<T>();
        ++live;
        return {HGDIOBJ((slot.reuse << kSlotBits) | (index + kFirstHandle)), &slot.as<T>()};
    }
    template <class T>
    HGDIOBJ add(T object) {
        auto [handle, made] = make<T>();
        if (made) *made = std::move(object);
        return handle;
    }
    Slot* slotOf(HGDIOBJ handle) {
        const auto h = std::uint32_t(handle);
        const std::uint32_t index = (h & kSlotMask) - std::uint32_t(kFirstHandle);
        if (handle <= 0 || index >= entries.size()) return nullptr;  // below kFirstHandle wraps
        Slot& slot = entries[index];
        return slot.reuse == h >> kSlotBits && slot.kind != Kind::Free ? &slot : nullptr;
    }
    template <class T>
    T* get(HGDIOBJ handle) {
        if constexpr (std::is_same_v<T, Bitmap>) {
            if (handle == kStockBitmap) return &stock;
        }
        Slot* slot = slotOf(handle);
        return slot && slot->kind == Slot::kindOf<T>() ? &slot->as<T>() : nullptr;
    }
    void release(Slot& slot, HGDIOBJ handle) {
        switch (slot.kind) {
            case Kind::Bitmap: slot.bitmap = Bitmap(); break;
            case Kind::Dc: slot.dc = Dc(); break;
            case Kind::Region:
                slot.region.list.reset();
                slot.region.owner = 0;
                break;
            case Kind::Free: return;
        }
        slot.kind = Kind::Free;
        slot.reuse = (slot.reuse + 1) & kReuseMask;
        freeSlots.push_back((std::uint32_t(handle) & kSlotMask) - kFirstHandle);
        --live;
    }
    void erase(HGDIOBJ handle) {
        if (Slot* slot = slotOf(handle)) release(*slot, handle);
    }
};

// Never destroyed, so windows that outlive main still release their regions
// here. Made on first use behind a plain pointer (single-threaded, like the
// rest), which is cheaper to check in every call than a guarded static.
Table* theTable = nullptr;
Table& table() {
    if (!theTable) theTable = new Table;
    return *theTable;
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

uchar* dibRow(const Bitmap& b, std::int64_t topDownRow) {
    return b.dib.get() + std::ptrdiff_t{b.stride} * (b.height - 1 - topDownRow);
}

// 0xAARRGGBB pixels to bytes B, G, R: four pixels make three words, stored
// one by one (a 12-byte block from the stack is slower).
void packBgr(uchar* out, const QRgb* in, std::int64_t count) {
    std::int64_t x = 0;
    for (; x + 4 <= count; x += 4, in += 4, out += 12) {
        const std::uint32_t first = (in[0] & 0xffffff) | (in[1] << 24);
        const std::uint32_t second = ((in[1] >> 8) & 0xffff) | (in[2] << 16);
        const std::uint32_t third = ((in[2] >> 16) & 0xff) | (in[3] << 8);
        std::memcpy(out, &first, 4);
        std::memcpy(out + 4, &second, 4);
        std::memcpy(out + 8, &third, 4);
    }
    for (; x < count; ++x, ++in, out += 3) {
        out[0] = uchar(qBlue(*in));
        out[1] = uchar(qGreen(*in));
        out[2] = uchar(qRed(*in));
    }
}

// The copies a window's picture takes into a DIB, row by row and without
// intermediate images. Pixels outside the source come out black, as
// QImage::copy gives them.
bool copyDirect(Bitmap& to, const Bitmap& from, QRect part, QPoint source) {
    const bool fromDib = bool(from.dib);
    if (!to.dib || &to == &from || (!fromDib && from.image.format() != QImage::Format_RGB32))
        return false;
    const std::int64_t srcWidth = fromDib ? from.width : from.image.width();
    const std::int64_t srcHeight = fromDib ? from.height : from.image.height();
    const std::int64_t x0 = std::clamp<std::int64_t>(-std::int64_t{source.x()}, 0, part.width());
    const std::int64_t x1 =
        std::clamp<std::int64_t>(srcWidth - source.x(), x0, std::int64_t{part.width()});
    for (int r = 0; r < part.height(); ++r) {
        uchar* out = dibRow(to, std::int64_t{part.top()} + r) + std::ptrdiff_t{3} * part.left();
        const std::int64_t sy = std::int64_t{source.y()} + r;
        if (sy < 0 || sy >= srcHeight || x0 == x1) {
            std::memset(out, 0, std::size_t(3) * std::size_t(part.width()));
            continue;
        }
        std::memset(out, 0, std::size_t(3 * x0));
        std::memset(out + 3 * x1, 0, std::size_t(3 * (part.width() - x1)));
        const std::int64_t sx = source.x() + x0;
        if (fromDib) {
            std::memcpy(out + 3 * x0, dibRow(from, sy) + 3 * sx, std::size_t(3 * (x1 - x0)));
            continue;
        }
        packBgr(out + 3 * x0, reinterpret_cast<const QRgb*>(from.image.constScanLine(int(sy))) + sx,
                x1 - x0);
    }
    return true;
}

bool put(Bitmap& to, const QImage& part, QPoint at) {
    if (to.dib) {
        const QImage rows = part.convertToFormat(QImage::Format_BGR888);
        for (int r = 0; r < rows.height(); ++r) {
            std::memcpy(dibRow(to, std::int64_t{at.y()} + r) + 3 * at.x(), rows.constScanLine(r),
                        std::size_t(3) * rows.width());
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

std::int32_t typeOf(const Region& r) {
    if (r.area == 0) return NULLREGION;
    return r.area == areaOf(r.bounds) ? SIMPLEREGION : COMPLEXREGION;
}

// The region becomes the rectangle (or nothing, for an empty one).
void setRect(Region& r, const QRect& rect) {
    if (r.list) r.list.reset();
    const bool empty = rect.isEmpty();
    // The area from the rectangle given, not read back from the copy just stored.
    r.area = empty ? 0 : areaOf(rect);
    r.bounds = empty ? QRect() : rect;
    r.last = r.bounds;
    r.exact = true;
    r.bandOpen = !empty;
    r.downward = r.upward = true;
    r.type = empty ? NULLREGION : SIMPLEREGION;
}

RegionList& newList(Region& r) {
    r.list = std::make_unique<RegionList>();
    if (r.type != NULLREGION) r.list->pending.push_back(r.bounds);
    return *r.list;
}

RegionList& listOf(Region& r) {
    return r.list ? *r.list : newList(r);
}

void assign(Region& r, QRegion shape) {
    RegionList& list = listOf(r);
    list.pending = Rects();
    list.shape = std::move(shape);
    r.exact = true;
    r.bandOpen = false;
    r.downward = r.upward = true;
    r.bounds = list.shape.boundingRect();
    r.area = 0;
    for (const QRect& part : list.shape) r.area += areaOf(part);
    r.type = typeOf(r);
}

// Rectangles merged pairwise: n log n, whatever their order and overlaps.
QRegion mergePairwise(const Rects& rects) {
    std::vector<QRegion> level(rects.begin(), rects.end());
    while (level.size() > 1) {
        std::vector<QRegion> up;
        for (std::size_t i = 0; i + 1 < level.size(); i += 2) up.push_back(level[i] | level[i + 1]);
        if (level.size() % 2 != 0) up.push_back(level.back());
        level = std::move(up);
    }
    return level.empty() ? QRegion() : level.front();
}

// Whether sorted rectangles are y-x bands as QRegion::setRects takes them:
// no overlap, one height per band, no two touching side by side.
bool banded(const Rects& rects) {
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

std::size_t bandEnd(const Rects& rects, std::size_t begin) {
    std::size_t end = begin + 1;
    while (end < rects.size() && rects[end].top() == rects[begin].top()) ++end;
    return end;
}

// Bands that each hold rows of their own, as a QRegion: put top to bottom
// (a picture's runs come bottom row first), bands that continue the one
// above exactly joined as Qt's own operations join them, then handed over
// as they are.
QRegion fromBands(Rects& rects, bool downward, bool upward) {
    const bool flip = upward && !downward;
    if (flip) {
        std::reverse(rects.begin(), rects.end());  // and each band back to left to right below
    } else if (!downward) {
        std::stable_sort(rects.begin(), rects.end(),
                         [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    }
    std::size_t out = 0, above = 0, aboveCount = 0;
    for (std::size_t i = 0, next = 0; i < rects.size(); i = next) {
        next = bandEnd(rects, i);
        if (flip) std::reverse(rects.begin() + i, rects.begin() + next);
        const std::size_t count = next - i;
        bool joins = aboveCount == count && rects[above].bottom() + 1 == rects[i].top();
        for (std::size_t k = 0; joins && k < count; ++k)
            joins = rects[above + k].left() == rects[i + k].left() &&
                    rects[above + k].right() == rects[i + k].right();
        if (joins) {
            for (std::size_t k = 0; k < count; ++k)
                rects[above + k].setBottom(rects[i + k].bottom());
            continue;
        }
        if (out != i) std::copy(rects.begin() + i, rects.begin() + next, rects.begin() + out);
        above = out;
        aboveCount = count;
        out += count;
    }
    QRegion region;
    if (out <= std::size_t(std::numeric_limits<int>::max())) {
        region.setRects(rects.data(), int(out));
    } else {
        rects.resize(out);
        region = mergePairwise(rects);
    }
    return region;
}

// Rectangles added in any order: banded ones once sorted go in as bands,
// anything else is merged pairwise.
QRegion unite(Rects& rects) {
    std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    return banded(rects) ? fromBands(rects, true, false) : mergePairwise(rects);
}

// The region as a QRegion, built now if rectangles are waiting.
QRegion shapeOf(Region& r) {
    if (!r.list) return r.type == NULLREGION ? QRegion() : QRegion(r.bounds);
    RegionList& list = *r.list;
    if (!list.pending.empty()) {
        Rects pending = std::move(list.pending);
        QRegion added = r.exact ? fromBands(pending, r.downward, r.upward) : unite(pending);
        assign(r, list.shape.isEmpty() ? std::move(added) : list.shape | added);
    }
    return list.shape;
}

// The type after rectangles were added; when the counted area cannot tell,
// the region is built to find out.
void settleInexact(Region& r) {
    if (r.area >= areaOf(r.bounds)) shapeOf(r);
    r.type = r.exact ? typeOf(r) : COMPLEXREGION;
}

void settle(Region& r) {
    if (r.exact) {
        r.type = typeOf(r);
    } else {
        settleInexact(r);
    }
}

void widen(QRect& bounds, const QRect& by) {
    bounds.setCoords(std::min(bounds.left(), by.left()), std::min(bounds.top(), by.top()),
                     std::max(bounds.right(), by.right()), std::max(bounds.bottom(), by.bottom()));
}

// dest |= rect, for a rectangle that is not empty.
void orRect(Region& dest, const QRect& rect) {
    if (dest.type == NULLREGION) {
        setRect(dest, rect);
        return;
    }
    const bool above = rect.bottom() < dest.bounds.top();
    const bool below = rect.top() > dest.bounds.bottom();
    const bool apart = above || below;
    const bool inBand = dest.bandOpen && rect.top() == dest.last.top() &&
                        rect.bottom() == dest.last.bottom() && rect.left() > dest.last.right();
    Rects& pending = listOf(dest).pending;
    if (inBand && rect.left() == dest.last.right() + 1) {
        pending.back().setRight(rect.right());  // a band holds no two touching rectangles
        dest.last.setRight(rect.right());
    } else {
        pending.push_back(rect);
        dest.last = rect;
    }
    dest.bandOpen = apart || inBand;
    dest.exact = dest.exact && dest.bandOpen;
    dest.downward = dest.downward && !above;
    dest.upward = dest.upward && !below;
    dest.area += areaOf(rect);
    widen(dest.bounds, rect);
    settle(dest);
}

// dest |= source without building anything where the parts can say it.
void orInto(Region& dest, Region& source) {
    if (source.type == NULLREGION || &dest == &source) return;
    if (!source.list) {
        orRect(dest, source.bounds);
        return;
    }
    const bool wasEmpty = dest.type == NULLREGION;
    const bool apart = wasEmpty || source.bounds.bottom() < dest.bounds.top() ||
                       source.bounds.top() > dest.bounds.bottom();
    RegionList& list = listOf(dest);
    if (wasEmpty) list = RegionList();
    for (const QRect& part : source.list->shape) list.pending.push_back(part);
    for (const QRect& part : source.list->pending) list.pending.push_back(part);
    dest.exact = (wasEmpty || dest.exact) && source.exact && apart;
    dest.bandOpen = false;
    dest.downward = dest.upward = false;  // sorted when built
    dest.area += source.area;
    dest.bounds = wasEmpty ? source.bounds : dest.bounds | source.bounds;
    settle(dest);
}

void releaseWindowRegion(HWND hWnd) {
    Table& t = table();
    const auto it = t.windowRegions.find(hWnd);
    if (it == t.windowRegions.end()) return;
    if (Region* old = t.get<Region>(it->second); old && old->list)
        QObject::disconnect(old->list->ownerGone);
    t.erase(it->second);
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
    // calloc: fresh memory comes zeroed from the system without a pass over it.
    b.dib.reset(static_cast<uchar*>(std::calloc(std::size_t(stride * h->biHeight), 1)));
    if (!b.dib) return 0;
    b.width = h->biWidth;
    b.height = h->biHeight;
    b.stride = std::int32_t(stride);
    uchar* memory = b.dib.get();
    const HBITMAP handle = t.add(std::move(b));
    if (handle != 0 && bits) *bits = memory;
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
    Slot* slot = t.slotOf(object);
    if (!slot || slot->kind == Kind::Dc) return false;
    if (slot->kind == Kind::Bitmap && slot->bitmap.selectedIn != 0) return false;
    if (slot->kind == Kind::Region && slot->region.owner != 0) return false;
    t.release(*slot, object);
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
    t.erase(hdc);
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
    t.erase(hdc);
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
    const QRect part(int(left), int(top), int(right - left), int(bottom - top));
    if (copyDirect(*to, *from, part, QPoint(int(sx), int(sy)))) return true;
    return put(*to, topDown(*from).copy(int(sx), int(sy), part.width(), part.height()),
               part.topLeft());
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
    t.erase(data);  // the clipboard holds its own copy
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
    const auto [handle, region] = t.make<Region>();
    if (region) setRect(*region, l < r && u < d ? QRect(l, u, r - l, d - u) : QRect());
    return handle;
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
        const QRegion shape = shapeOf(*r);
        window->setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape.translated(client));
        r->owner = hWnd;
        listOf(*r).ownerGone =
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
    c.liveObjects = table().live;
    return c;
}

}  // namespace platform::gdi
