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
// A deleted DIB's memory up to this size (a 4K screen's picture) is kept for
// the next one, so a window shaped again does not fault in fresh pages for
// its copy; larger ones go straight back.
constexpr std::size_t kMaxSpareDibBytes = std::size_t{32} << 20;
// Region coordinates are 27-bit on Windows too; it keeps every width an int.
constexpr std::int32_t kMaxCoordinate = (1 << 27) - 1;

struct FreeBytes {
    void operator()(uchar* p) const { std::free(p); }
};

struct Bitmap {
    QImage image;                             // a screen-depth bitmap's pixels
    std::unique_ptr<uchar[], FreeBytes> dib;  // a DIB's own pixels: bottom-up rows of B, G, R
    std::size_t dibBytes = 0;                 // its block, at least its rows
    std::int32_t width = 0, height = 0, stride = 0;  // of the DIB
    HDC selectedIn = 0;
};

struct Dc {
    HBITMAP bitmap = kStockBitmap;
    bool screen = false;
};

// Memory that grows in place (realloc), not by copying into a fresh block as
// std::vector does: a picture's runs can number a million, and every fresh
// page costs a fault.
template <class T>
class Buffer {
public:
    Buffer() = default;
    Buffer(Buffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    Buffer& operator=(Buffer&& other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { std::free(data_); }

    void push_back(const T& value) {
        if (size_ == capacity_) reserve(std::max<std::size_t>(64, capacity_ * 2));
        data_[size_++] = value;
    }
    void reserve(std::size_t capacity) {
        if (capacity <= capacity_) return;
        if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
        void* grown = std::realloc(data_, capacity * sizeof(T));
        if (!grown) throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
    }
    void resize(std::size_t size) { size_ = std::min(size, size_); }  // shrinks only
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    T& back() { return data_[size_ - 1]; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    static_assert(std::is_trivially_copyable_v<T>);
    T* data_ = nullptr;
    std::size_t size_ = 0, capacity_ = 0;
};

using Rects = Buffer<QRect>;

// Rectangles added one by one, each band in rows of its own, as a picture's
// runs come: per band its rows, and its spans as small numbers (a byte each
// for short runs and gaps) rather than 16-byte rectangles, so a million runs
// need a few megabytes of fresh memory, not sixteen. A band's bytes are the
// first left edge, then each span's width less one and the gap to the next
// less one; spans of a band never touch, so every gap is at least one. The
// last span added stays in Region::last until its band is closed.
struct Packed {
    struct Band {
        std::int32_t top = 0, bottom = 0;
        std::size_t begin = 0;  // its first byte
    };
    Buffer<Band> bands;
    Buffer<uchar> bytes;
    std::int64_t count = 0;  // spans, the open one too

    void put(std::uint32_t value) {
        for (; value >= 0x80; value >>= 7) bytes.push_back(uchar(value | 0x80));
        bytes.push_back(uchar(value));
    }
    static std::uint32_t get(const uchar*& at) {
        std::uint32_t value = 0;
        for (int shift = 0;; shift += 7) {
            const uchar byte = *at++;
            value |= std::uint32_t(byte & 0x7f) << shift;
            if (byte < 0x80) return value;
        }
    }
    void open(const QRect& first) {
        bands.push_back({first.top(), first.bottom(), bytes.size()});
        const std::int32_t left = first.left();  // zigzag: small either side of 0
        put(left < 0 ? (std::uint32_t(-(left + 1)) << 1) | 1 : std::uint32_t(left) << 1);
        ++count;
    }
    void next(const QRect& last, const QRect& span) {
        put(std::uint32_t(last.width() - 1));
        put(std::uint32_t(span.left() - last.right() - 2));
        ++count;
    }
    void close(const QRect& last) { put(std::uint32_t(last.width() - 1)); }

    std::pair<const uchar*, const uchar*> bytesOf(std::size_t band) const {
        const std::size_t end = band + 1 < bands.size() ? bands[band + 1].begin : bytes.size();
        return {bytes.data() + bands[band].begin, bytes.data() + end};
    }
    // Calls out(left, right) for each span of a closed band.
    template <class F>
    void spans(std::size_t band, F&& out) const {
        auto [at, end] = bytesOf(band);
        const std::uint32_t zigzag = get(at);
        std::int32_t left = zigzag & 1 ? -std::int32_t(zigzag >> 1) - 1 : std::int32_t(zigzag >> 1);
        for (;;) {
            const std::int32_t right = left + std::int32_t(get(at));
            out(left, right);
            if (at == end) return;
            left = right + 2 + std::int32_t(get(at));
        }
    }
    bool sameSpans(std::size_t a, std::size_t b) const {
        const auto [a0, a1] = bytesOf(a);
        const auto [b0, b1] = bytesOf(b);
        return a1 - a0 == b1 - b0 && std::memcmp(a0, b0, std::size_t(a1 - a0)) == 0;
    }
};

// A region made by CreateRectRgn is its bounding box and nothing more, so
// making, combining and deleting one per run of a picture allocates nothing.
// Once rectangles are OR-ed into it, it has a list: a built shape plus the
// rectangles added since, which are merged in one go when the region is
// needed, because a union per rectangle is quadratic. While every added
// rectangle lies in rows of its own band (above or below all else, or to the
// right in the band just added, as a picture's runs come), the parts are
// disjoint: the area is exact, the type follows from it, and the bands are
// kept packed until they go into a QRegion in order. Anything else waits as
// plain rectangles.
struct RegionList {
    // The region is shape moved by offset: a window's mask is kept as the
    // window has it, in its client coordinates.
    QRegion shape;
    QPoint offset;
    Packed packed;
    Rects pending;
    QMetaObject::Connection ownerGone;
};

struct Region {
    QRect bounds;
    std::int64_t area = 0;  // covered area; an upper bound when not exact
    std::int32_t type = NULLREGION;
    bool exact = true;
    bool bandOpen = false;  // last is the last added one and its rows hold only its band
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
    std::unique_ptr<uchar[], FreeBytes> spareDib;  // the last deleted DIB's memory
    std::size_t spareDibBytes = 0;
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
            case Kind::Bitmap:
                if (slot.bitmap.dib && slot.bitmap.dibBytes <= kMaxSpareDibBytes) {
                    spareDib = std::move(slot.bitmap.dib);
                    spareDibBytes = slot.bitmap.dibBytes;
                }
                slot.bitmap = Bitmap();
                break;
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
[[gnu::noinline]] Table& newTable() {
    theTable = new Table;
    return *theTable;
}
// Kept small enough to inline: it runs three times per run of a picture.
inline Table& table() {
    return theTable ? *theTable : newTable();
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
    r.type = empty ? NULLREGION : SIMPLEREGION;
}

RegionList& listOf(Region& r) {
    if (!r.list) r.list = std::make_unique<RegionList>();
    return *r.list;
}

// The region becomes the shape; area is its covered area where known already.
void assign(Region& r, QRegion shape, std::int64_t area = -1) {
    RegionList& list = listOf(r);
    list.packed = Packed();
    list.pending = Rects();
    list.shape = std::move(shape);
    list.offset = QPoint();
    r.exact = true;
    r.bandOpen = false;
    r.bounds = list.shape.boundingRect();
    r.area = area;
    if (area < 0) {
        r.area = 0;
        for (const QRect& part : list.shape) r.area += areaOf(part);
    }
    r.type = typeOf(r);
}

// Packed bands as plain rectangles, in the order they came.
void unpack(Region& r) {
    RegionList& list = *r.list;
    Packed& packed = list.packed;
    if (packed.bands.empty()) return;
    packed.close(r.last);
    for (std::size_t band = 0; band < packed.bands.size(); ++band) {
        const Packed::Band& b = packed.bands[band];
        packed.spans(band, [&](std::int32_t left, std::int32_t right) {
            list.pending.push_back(QRect(QPoint(left, b.top), QPoint(right, b.bottom)));
        });
    }
    packed = Packed();
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

// Sorted bands as a QRegion, bands that continue the one above exactly joined
// as Qt's own operations join them.
QRegion fromBands(Rects& rects) {
    std::size_t out = 0, above = 0, aboveCount = 0;
    for (std::size_t i = 0, next = 0; i < rects.size(); i = next) {
        next = bandEnd(rects, i);
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
    return banded(rects) ? fromBands(rects) : mergePairwise(rects);
}

// A QRegion written top to bottom straight into its own storage: rectangles
// go in a few thousand at a time, each batch appended where the last ended
// (QRegion's cheap case for bands below all it holds), so the rectangles
// are never all held twice.
class Appender {
public:
    // At most count rectangles will come.
    Appender(QPoint shift, std::int64_t count)
        : shift_(shift), batch_(std::size_t(std::clamp<std::int64_t>(count, 1, 4096))) {}
    void add(const QRect& rect) {
        batch_[size_++] = rect.translated(shift_);
        if (size_ == batch_.size()) flush();
    }
    QRegion finish() {
        flush();
        return std::move(region_);
    }

private:
    void flush() {
        if (size_ == 0) return;
        part_.setRects(batch_.data(), int(size_));
        region_ += part_;
        size_ = 0;
    }
    QPoint shift_;
    std::vector<QRect> batch_;
    std::size_t size_ = 0;
    QRegion part_, region_;
};

// Packed bands as a QRegion, moved by shift: top to bottom (a picture's runs
// come bottom row first), bands that continue the one above with the same
// spans joined as Qt's own operations join them.
QRegion fromPacked(Packed& packed, const QRect& last, QPoint shift) {
    packed.close(last);
    const Buffer<Packed::Band>& bands = packed.bands;
    const std::size_t n = bands.size();
    bool down = true, up = true;
    for (std::size_t i = 1; i < n; ++i) {
        down = down && bands[i].top > bands[i - 1].top;
        up = up && bands[i].top < bands[i - 1].top;
    }
    std::vector<std::size_t> sorted;
    if (!down && !up) {
        sorted.resize(n);
        for (std::size_t i = 0; i < n; ++i) sorted[i] = i;
        std::sort(sorted.begin(), sorted.end(),
                  [&](std::size_t a, std::size_t b) { return bands[a].top < bands[b].top; });
    }
    const auto nth = [&](std::size_t k) { return down ? k : up ? n - 1 - k : sorted[k]; };
    Appender out(shift, packed.count);
    for (std::size_t k = 0; k < n;) {
        const std::size_t band = nth(k);
        std::int32_t bottom = bands[band].bottom;
        for (++k; k < n && bands[nth(k)].top == bottom + 1 && packed.sameSpans(band, nth(k)); ++k)
            bottom = bands[nth(k)].bottom;
        const std::int32_t top = bands[band].top;
        packed.spans(band, [&](std::int32_t left, std::int32_t right) {
            out.add(QRect(QPoint(left, top), QPoint(right, bottom)));
        });
    }
    return out.finish();
}

// Builds what is waiting into the list's shape, moved by shift when there is
// no shape yet (a window's region, built for its client area).
void build(Region& r, QPoint shift = {}) {
    RegionList& list = *r.list;
    if (!list.packed.bands.empty() && list.packed.count > std::numeric_limits<int>::max())
        unpack(r);  // more than a QRegion can hold in bands
    if (list.packed.bands.empty() && list.pending.empty()) return;
    const bool alone = list.shape.isEmpty();
    if (!alone) shift = QPoint();
    QRegion added;
    std::int64_t area = -1;
    if (!list.packed.bands.empty()) {
        added = fromPacked(list.packed, r.last, shift);
        area = r.area;  // packed bands are disjoint from each other and the shape
    } else {
        Rects pending = std::move(list.pending);
        added = unite(pending).translated(shift);
    }
    assign(r, alone ? std::move(added) : list.shape | added, area);
    list.offset = -shift;
    if (!shift.isNull()) r.bounds.translate(-shift);
}

// The region as a QRegion, built now if rectangles are waiting.
QRegion shapeOf(Region& r) {
    if (!r.list) return r.type == NULLREGION ? QRegion() : QRegion(r.bounds);
    build(r);
    const RegionList& list = *r.list;
    return list.offset.isNull() ? list.shape : list.shape.translated(list.offset);
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
    const bool apart = rect.bottom() < dest.bounds.top() || rect.top() > dest.bounds.bottom();
    const bool inBand = dest.bandOpen && rect.top() == dest.last.top() &&
                        rect.bottom() == dest.last.bottom() && rect.left() > dest.last.right();
    if (!dest.list) {
        listOf(dest).packed.open(dest.bounds);  // the region so far: one rectangle, last
        dest.last = dest.bounds;
    }
    RegionList& list = *dest.list;
    Packed& packed = list.packed;
    if (inBand && rect.left() == dest.last.right() + 1) {
        // A band holds no two touching rectangles.
        if (!list.pending.empty()) list.pending.back().setRight(rect.right());
        dest.last.setRight(rect.right());
    } else if (dest.exact && (apart || inBand) && list.pending.empty()) {
        if (inBand) {
            packed.next(dest.last, rect);
        } else {
            if (!packed.bands.empty()) packed.close(dest.last);
            packed.open(rect);
        }
        dest.last = rect;
    } else {
        unpack(dest);
        list.pending.push_back(rect);
        dest.last = rect;
    }
    dest.bandOpen = apart || inBand;
    dest.exact = dest.exact && dest.bandOpen;
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
    const QRegion parts = shapeOf(source);
    const bool wasEmpty = dest.type == NULLREGION;
    const bool apart = wasEmpty || source.bounds.bottom() < dest.bounds.top() ||
                       source.bounds.top() > dest.bounds.bottom();
    if (wasEmpty) {
        dest.list = std::make_unique<RegionList>();
    } else if (!dest.list) {
        listOf(dest).pending.push_back(dest.bounds);
    }
    unpack(dest);
    for (const QRect& part : parts) dest.list->pending.push_back(part);
    dest.exact = (wasEmpty || dest.exact) && source.exact && apart;
    dest.bandOpen = false;
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
    const std::size_t bytes = std::size_t(stride * h->biHeight);
    if (t.spareDib && t.spareDibBytes >= bytes && t.spareDibBytes / 2 <= bytes) {
        b.dib = std::move(t.spareDib);
        b.dibBytes = t.spareDibBytes;
        std::memset(b.dib.get(), 0, bytes);  // black, as a new one is
    } else {
        // calloc: fresh memory comes zeroed from the system without a pass over it.
        b.dib.reset(static_cast<uchar*>(std::calloc(bytes, 1)));
        b.dibBytes = bytes;
    }
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
        QRegion shape;
        if (r->list) {
            build(*r, client);
            // Moved out, so the region is ours alone and moves in place, not as a copy.
            shape = std::move(r->list->shape);
            shape.translate(client + r->list->offset);
        } else if (r->type != NULLREGION) {
            shape = QRegion(r->bounds.translated(client));
        }
        window->setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
        RegionList& list = listOf(*r);
        list.shape = std::move(shape);
        list.offset = -client;
        r->owner = hWnd;
        list.ownerGone =
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
