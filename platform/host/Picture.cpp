#include "platform/host/Picture.h"

#include <map>

#include "platform/gdi/Gdi.h"

namespace platform {
namespace {

std::map<std::int32_t, std::weak_ptr<StdPicture::Shared>>& handles() {
    static std::map<std::int32_t, std::weak_ptr<StdPicture::Shared>> map;
    return map;
}

// Pictures of the program's resources already read, while a picture object
// still holds them: two windows on one skin read it once.
std::map<QString, std::weak_ptr<const QImage>>& readResources() {
    static std::map<QString, std::weak_ptr<const QImage>> map;
    return map;
}

}  // namespace

struct StdPicture::Shared {
    // A picture built into the program is read when it is first needed: of
    // the 32 logos a start shows two.
    QString unread;
    std::shared_ptr<const QImage> resource;
    QImage image;
    QPixmap pixmap;
    std::int32_t handle = 0;
    const QImage& read() {
        if (!unread.isEmpty()) {
            std::weak_ptr<const QImage>& known = readResources()[unread];
            resource = known.lock();
            if (!resource) {
                resource = std::make_shared<const QImage>(unread);
                known = resource;
            }
            image = *resource;
            unread.clear();
        }
        return image;
    }
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
    // Files on disk are read now: what they hold when loaded is what counts.
    if (!path.startsWith(QLatin1String(":/"))) return StdPicture(QImage(path));
    StdPicture picture;
    picture.shared_ = std::make_shared<Shared>();
    picture.shared_->unread = path;
    return picture;
}

bool StdPicture::isNull() const {
    return !shared_ || shared_->read().isNull();
}

const QImage& StdPicture::image() const {
    static const QImage none;
    return shared_ ? shared_->read() : none;
}

const QPixmap& StdPicture::pixmap() const {
    static const QPixmap none;
    if (!shared_) return none;
    if (shared_->pixmap.isNull()) shared_->pixmap = QPixmap::fromImage(shared_->read());
    return shared_->pixmap;
}

std::int32_t StdPicture::Handle() const {
    if (!shared_) return 0;
    if (shared_->handle == 0) {
        shared_->handle = gdi::CreateBitmapFromImage(shared_->read());
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
