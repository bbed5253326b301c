#pragma once
// A picture object: an image plus the bitmap handle that GDI-style code
// reads from it. The handle is made on first use and lives as long as the
// last copy of the picture.

#include <QImage>
#include <QPixmap>
#include <cstdint>
#include <memory>

namespace platform {

class StdPicture {
public:
    StdPicture() = default;
    explicit StdPicture(QImage image);
    // A picture from a file, or from the program's resources (":/..."),
    // which are read on first use.
    static StdPicture Load(const QString& path);

    // True also for a picture whose file could not be read.
    bool isNull() const;
    const QImage& image() const;
    const QPixmap& pixmap() const;
    int Width() const { return image().width(); }
    int Height() const { return image().height(); }
    // Bitmap handle for GDI stand-ins; 0 for an empty picture.
    std::int32_t Handle() const;
    // The picture whose Handle() gave this handle, while it lives; else empty.
    static StdPicture FromHandle(std::int32_t handle);

    struct Shared;  // the image and its handle, shared by copies

private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace platform
