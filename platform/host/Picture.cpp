#include "platform/host/Picture.h"

#include "platform/gdi/Gdi.h"

namespace platform {

struct StdPicture::Shared {
    QImage image;
    QPixmap pixmap;
    std::int32_t handle = 0;
    ~Shared() {
        if (handle != 0) gdi::DeleteObject(handle);
    }
};

StdPicture::StdPicture(QImage image) {
    if (image.isNull()) return;
    shared_ = std::make_shared<Shared>();
    shared_->image = std::move(image);
}

StdPicture StdPicture::Load(const QString& path) {
    return StdPicture(QImage(path));
}

const QImage& StdPicture::image() const {
    static const QImage none;
    return shared_ ? shared_->image : none;
}

const QPixmap& StdPicture::pixmap() const {
    static const QPixmap none;
    if (!shared_) return none;
    if (shared_->pixmap.isNull()) shared_->pixmap = QPixmap::fromImage(shared_->image);
    return shared_->pixmap;
}

std::int32_t StdPicture::Handle() const {
    if (!shared_) return 0;
    if (shared_->handle == 0) shared_->handle = gdi::CreateBitmapFromImage(shared_->image);
    return shared_->handle;
}

}  // namespace platform
