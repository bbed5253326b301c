#include "platform/host/Picture.h"

#include <map>

#include "platform/gdi/Gdi.h"

namespace platform {
namespace {

std::map<std::int32_t, std::weak_ptr<StdPicture::Shared>>& handles() {
    static std::map<std::int32_t, std::weak_ptr<StdPicture::Shared>> map;
    return map;
}

}  // namespace

struct StdPicture::Shared {
    QImage image;
    QPixmap pixmap;
    std::int32_t handle = 0;
    ~Shared() {
        if (handle == 0) return;
        handles().erase(handle);
        gdi::DeleteObject(handle);
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
    if (shared_->handle == 0) {
        shared_->handle = gdi::CreateBitmapFromImage(shared_->image);
        if (shared_->handle != 0) handles()[shared_->handle] = shared_;
    }
    return shared_->handle;
}

StdPicture StdPicture::FromHandle(std::int32_t handle) {
    StdPicture picture;
    const auto it = handles().find(handle);
    if (it != handles().end()) picture.shared_ = it->second.lock();
    return picture;
}

}  // namespace platform
