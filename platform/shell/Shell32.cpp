#include "platform/shell/Shell32.h"

#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstddef>
#include <map>
#include <memory>
#include <utility>

#include "platform/host/Form.h"
#include "platform/host/Picture.h"
#include "platform/host/Screen.h"
#include "platform/shell/TrayClicks.h"

namespace platform::shell {
namespace {

using Layout = NOTIFYICONDATAA;
constexpr std::size_t kTipOffset = offsetof(Layout, szTip);
constexpr std::size_t kTipSize = sizeof(Layout::szTip);
// The older, shorter layouts are read as long as they hold the tip.
constexpr std::size_t kLeastSize = kTipOffset + kTipSize;

std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

Form* formOf(std::uint32_t hWnd) {
    if (hWnd == 0) return nullptr;
    return qobject_cast<Form*>(QWidget::find(static_cast<WId>(hWnd)));
}

// One icon in the notification area and where its clicks go.
class Icon : public QObject {
public:
    Icon(std::uint32_t hWnd, Form* window) : hWnd_(hWnd), window_(window) {
        QObject::connect(&tray_, &QSystemTrayIcon::activated, &clicks_, &TrayClicks::activated);
        // Queued, as a window message is: the handler may remove this very
        // icon, which must not happen inside Qt's handling of its click.
        QObject::connect(&clicks_, &TrayClicks::message, this, &Icon::deliver,
                         Qt::QueuedConnection);
    }

    void apply(const NotifyRecord& record) {
        if (record.uFlags & NIF_MESSAGE) callback_ = record.uCallbackMessage;
        if (record.uFlags & NIF_TIP) tray_.setToolTip(QString::fromLatin1(record.szTip));
        if (record.uFlags & NIF_ICON) tray_.setIcon(QIcon(picture_.pixmap()));
    }
    // Keeps the picture for as long as the icon shows it.
    void setPicture(StdPicture picture) { picture_ = std::move(picture); }
    void show() { tray_.show(); }
    void hide() { tray_.hide(); }
    QSystemTrayIcon* tray() { return &tray_; }

private:
    void deliver(std::uint32_t number) {
        if (!window_ || formOf(hWnd_) != window_) return;
        if (callback_ != WM_MOUSEMOVE) return;  // the only message a Form takes
        window_->Form_MouseMove(0, 0, static_cast<float>(number) * Screen::TwipsPerPixelX(), 0);
    }

    std::uint32_t hWnd_;
    QPointer<Form> window_;
    std::uint32_t callback_ = 0;
    StdPicture picture_;
    QSystemTrayIcon tray_;
    TrayClicks clicks_;
};

using Key = std::pair<std::uint32_t, std::uint32_t>;
using IconPtr = std::unique_ptr<Icon, void (*)(Icon*)>;

// Never destroyed: the icons are Qt objects, which must not be torn down by a
// static destructor after the application; each goes with its window anyway.
std::map<Key, IconPtr>& icons() {
    static auto* map = new std::map<Key, IconPtr>;
    return *map;
}

// Removed icons go at the next turn of the event loop: a removal may come
// from inside the handling of the icon's own click.
void dispose(Icon* icon) {
    icon->hide();
    icon->deleteLater();
}

bool remove(const Key& key) {
    return icons().erase(key) > 0;
}

BOOL add(const NotifyRecord& record, const Key& key) {
    if (icons().count(key) || !QSystemTrayIcon::isSystemTrayAvailable()) return 0;
    Form* window = formOf(record.hWnd);
    if (!window) return 0;
    StdPicture picture;
    if (record.uFlags & NIF_ICON) {
        picture = StdPicture::FromHandle(record.hIcon);
        if (picture.isNull()) return 0;
    }
    IconPtr icon(new Icon(record.hWnd, window), dispose);
    icon->setPicture(std::move(picture));
    icon->apply(record);
    icon->show();
    // An icon goes with its window, as the window's handle means nothing after.
    QObject::connect(window, &QObject::destroyed, icon.get(), [key] { remove(key); });
    icons().emplace(key, std::move(icon));
    return 1;
}

BOOL modify(const NotifyRecord& record, const Key& key) {
    const auto it = icons().find(key);
    if (it == icons().end()) return 0;
    if (record.uFlags & NIF_ICON) {
        StdPicture picture = StdPicture::FromHandle(record.hIcon);
        if (picture.isNull()) return 0;
        it->second->setPicture(std::move(picture));
    }
    it->second->apply(record);
    return 1;
}

}  // namespace

std::optional<NotifyRecord> ReadNotifyRecord(std::span<const std::uint8_t> record) {
    if (record.size() < sizeof(Layout::cbSize)) return std::nullopt;
    const std::uint32_t size = readU32(record, offsetof(Layout, cbSize));
    if (size < kLeastSize || size > record.size()) return std::nullopt;
    NotifyRecord read;
    read.hWnd = readU32(record, offsetof(Layout, hWnd));
    read.uID = readU32(record, offsetof(Layout, uID));
    read.uFlags = readU32(record, offsetof(Layout, uFlags));
    read.uCallbackMessage = readU32(record, offsetof(Layout, uCallbackMessage));
    read.hIcon = static_cast<std::int32_t>(readU32(record, offsetof(Layout, hIcon)));
    // The tip ends at its first zero byte; a full field keeps room for one.
    const auto tip = record.subspan(kTipOffset, kTipSize - 1);
    for (const std::uint8_t c : tip) {
        if (c == 0) break;
        read.szTip.push_back(static_cast<char>(c));
    }
    return read;
}

BOOL Shell_NotifyIconA(std::uint32_t dwMessage, std::span<const std::uint8_t> lpData) {
    const std::optional<NotifyRecord> record = ReadNotifyRecord(lpData);
    if (!record) return 0;
    const Key key{record->hWnd, record->uID};
    switch (dwMessage) {
        case NIM_ADD: return add(*record, key);
        case NIM_MODIFY: return modify(*record, key);
        case NIM_DELETE: return remove(key) ? 1 : 0;
        default: return 0;
    }
}

QSystemTrayIcon* NotifyIcon(std::uint32_t hWnd, std::uint32_t uID) {
    const auto it = icons().find({hWnd, uID});
    return it == icons().end() ? nullptr : it->second->tray();
}

}  // namespace platform::shell
