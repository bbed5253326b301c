#include "session/Mpris.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <cmath>

#include "media/PlayerSeam.h"
#include "platform/registry/XdgConfig.h"

namespace session {
namespace {

const QString kRoot = QLatin1String(kMprisRoot);
const QString kPlayer = QLatin1String(kMprisPlayer);
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The methods of both interfaces with the arguments they take, as D-Bus
// signatures; a call with other arguments is refused.
struct Method {
    const char* interface;
    const char* name;
    const char* in;
};
constexpr Method kMethods[] = {
    {kMprisRoot, "Raise", ""},      {kMprisRoot, "Quit", ""},
    {kMprisPlayer, "Next", ""},     {kMprisPlayer, "Previous", ""},
    {kMprisPlayer, "Pause", ""},    {kMprisPlayer, "PlayPause", ""},
    {kMprisPlayer, "Stop", ""},     {kMprisPlayer, "Play", ""},
    {kMprisPlayer, "Seek", "x"},    {kMprisPlayer, "SetPosition", "ox"},
    {kMprisPlayer, "OpenUri", "s"},
};

const Method* findMethod(const QString& interface, const QString& name) {
    for (const Method& method : kMethods) {
        if ((interface.isEmpty() || interface == QLatin1String(method.interface)) &&
            name == QLatin1String(method.name))
            return &method;
    }
    return nullptr;
}

bool writable(const QString& interface, const QString& name) {
    return interface == kPlayer &&
           (name == QLatin1String("Volume") || name == QLatin1String("Rate"));
}

// $XDG_CACHE_HOME, or ~/.cache when it is unset or relative.
QString cacheHome() {
    const QString folder = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!folder.isEmpty() && !QDir::isRelativePath(folder)) return folder;
    return QDir::homePath() + QStringLiteral("/.cache");
}

// A panel shows a station that connects, gathers sound or waits for the
// network as playing, so that its play/pause key stops it.
bool isPlaying() {
    return media::WantsSound(PlayerSeam::Player().state());
}

}  // namespace

QString LogoFile(short station) {
    if (station < 1) return QString();
    const QString folder = cacheHome() + QStringLiteral("/klankor/logos");
    const QString file = folder + QStringLiteral("/%1.png").arg(station, 2, 10, QLatin1Char('0'));
    if (QFileInfo(file).isFile()) return file;
    if (!platform::registry::makePrivatePath(folder)) return QString();
    const QImage logo(QStringLiteral(":/logos/%1.gif").arg(station, 2, 10, QLatin1Char('0')));
    QSaveFile png(file);
    if (logo.isNull() || !png.open(QIODevice::WriteOnly) || !logo.save(&png, "PNG") ||
        !png.commit())
        return QString();
    return file;
}

Mpris::~Mpris() {
    if (registered_) bus_.unregisterObject(QLatin1String(kMprisPath));
}

bool Mpris::Register() {
    registered_ = bus_.isConnected() && bus_.registerVirtualObject(QLatin1String(kMprisPath), this);
    return registered_;
}

void Mpris::Attach() {
    shown_ = properties(kPlayer);
    connect(&PlayerSeam::Player(), &media::Player::StatusChange, this, &Mpris::announce);
    connect(&PlayerSeam::Player(), &media::Player::TitleChange, this, &Mpris::announce);
    if (PlayerSeam::Remote* remote = PlayerSeam::MainWindow()) {
        connect(remote, &PlayerSeam::Remote::StationChange, this, &Mpris::announce);
        connect(remote, &PlayerSeam::Remote::VolumeChange, this, &Mpris::announce);
    }
}

QVariantMap Mpris::metadata() const {
    const PlayerSeam::Remote* remote = PlayerSeam::MainWindow();
    const short station = remote ? remote->Station() : short{0};
    const QString name = remote ? remote->StationName(station) : QString();
    if (name.isEmpty()) return {};
    const QString title = PlayerSeam::Player().title();
    QVariantMap data{
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(
             QDBusObjectPath(QStringLiteral("/nl/klankor/station/%1").arg(station)))},
        {QStringLiteral("xesam:title"), title.isEmpty() ? name : title},
        {QStringLiteral("xesam:album"), name},
    };
    if (const QString logo = LogoFile(station); !logo.isEmpty())
        data.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(logo).toString());
    return data;
}

QVariantMap Mpris::properties(const QString& interface) const {
    if (interface == kRoot) {
        return {
            {QStringLiteral("CanQuit"), true},
            {QStringLiteral("CanRaise"), true},
            {QStringLiteral("CanSetFullscreen"), false},
            {QStringLiteral("Fullscreen"), false},
            {QStringLiteral("HasTrackList"), false},
            {QStringLiteral("Identity"), QStringLiteral("Klankor")},
            {QStringLiteral("DesktopEntry"), QStringLiteral("klankor")},
            {QStringLiteral("SupportedUriSchemes"), QStringList()},
            {QStringLiteral("SupportedMimeTypes"), QStringList()},
        };
    }
    if (interface != kPlayer) return {};
    const PlayerSeam::Remote* remote = PlayerSeam::MainWindow();
    const int volume = remote ? remote->Volume() : PlayerSeam::Player().volume();
    return {
        {QStringLiteral("PlaybackStatus"),
         isPlaying() ? QStringLiteral("Playing") : QStringLiteral("Stopped")},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume / 100.0},
        {QStringLiteral("Position"), qlonglong{0}},
        {QStringLiteral("Rate"), 1.0},
        {QStringLiteral("MinimumRate"), 1.0},
        {QStringLiteral("MaximumRate"), 1.0},
        {QStringLiteral("CanGoNext"), true},
        {QStringLiteral("CanGoPrevious"), true},
        {QStringLiteral("CanPlay"), true},
        {QStringLiteral("CanPause"), true},
        {QStringLiteral("CanSeek"), false},
        {QStringLiteral("CanControl"), true},
    };
}

void Mpris::announce() {
    const QVariantMap now = properties(kPlayer);
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (shown_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    }
    shown_ = now;
    if (changed.isEmpty() || !registered_) return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kMprisPath), kProperties,
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayer << changed << QStringList();
    bus_.send(signal);
}

QString Mpris::introspect(const QString&) const {
    QString xml;
    for (const QString& interface : {kRoot, kPlayer}) {
        xml += QStringLiteral("<interface name=\"%1\">\n").arg(interface);
        for (const Method& method : kMethods) {
            if (interface != QLatin1String(method.interface)) continue;
            xml += QStringLiteral("<method name=\"%1\">").arg(QLatin1String(method.name));
            for (const char* type = method.in; *type; ++type)
                xml +=
                    QStringLiteral("<arg direction=\"in\" type=\"%1\"/>").arg(QLatin1Char(*type));
            xml += QStringLiteral("</method>\n");
        }
        const QVariantMap all = properties(interface);
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            xml += QStringLiteral("<property name=\"%1\" type=\"%2\" access=\"%3\"/>\n")
                       .arg(it.key(), QLatin1String(QDBusMetaType::typeToSignature(it->metaType())),
                            writable(interface, it.key()) ? QStringLiteral("readwrite")
                                                          : QStringLiteral("read"));
        }
        if (interface == kPlayer)
            xml += QStringLiteral("<signal name=\"Seeked\"><arg type=\"x\"/></signal>\n");
        xml += QStringLiteral("</interface>\n");
    }
    return xml;
}

bool Mpris::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    QDBusMessage reply;
    bool quit = false;
    if (message.interface() == kProperties) {
        reply = answerProperties(message);
    } else if (findMethod(message.interface(), message.member()) || message.interface() == kRoot ||
               message.interface() == kPlayer) {
        reply = answerCall(message, quit);
    } else {
        return false;  // introspection and ping are Qt's
    }
    if (message.isReplyRequired()) connection.send(reply);
    // After the answer, so the caller hears it before the program ends.
    if (quit) {
        if (PlayerSeam::Remote* remote = PlayerSeam::MainWindow()) remote->Afsluiten();
    }
    return true;
}

QDBusMessage Mpris::answerCall(const QDBusMessage& call, bool& quit) {
    const Method* method = findMethod(call.interface(), call.member());
    if (!method) {
        return call.createErrorReply(QDBusError::UnknownMethod,
                                     QStringLiteral("No method %1").arg(call.member()));
    }
    if (call.signature() != QLatin1String(method->in)) {
        return call.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("%1 takes (%2), not (%3)")
                .arg(call.member(), QLatin1String(method->in), call.signature()));
    }
    const QString name = QLatin1String(method->name);
    if (name == QLatin1String("OpenUri")) {
        return call.createErrorReply(QDBusError::NotSupported,
                                     QStringLiteral("Klankor plays its own stations only"));
    }
    PlayerSeam::Remote* remote = PlayerSeam::MainWindow();
    if (!remote) return call.createReply();  // the main window is going: nothing to drive
    const short station = remote->Station();
    if (name == QLatin1String("Raise")) {
        remote->Raise();
    } else if (name == QLatin1String("Quit")) {
        quit = true;
    } else if (name == QLatin1String("Next")) {
        remote->SelectStation(static_cast<short>(station % remote->Stations() + 1));
    } else if (name == QLatin1String("Previous")) {
        remote->SelectStation(station <= 1 ? remote->Stations() : static_cast<short>(station - 1));
    } else if (name == QLatin1String("Play") ||
               (name == QLatin1String("PlayPause") && !isPlaying())) {
        remote->PlayStation();
    } else if (name == QLatin1String("Pause") || name == QLatin1String("PlayPause") ||
               name == QLatin1String("Stop")) {
        // A live stream cannot be paused: it stops.
        PlayerSeam::Player().Stop();
    }
    // Seek and SetPosition: a live stream has no position to go to.
    return call.createReply();
}

QDBusMessage Mpris::answerProperties(const QDBusMessage& call) {
    const QList<QVariant> args = call.arguments();
    const QString member = call.member();
    const QString signature = call.signature();
    const bool get = member == QLatin1String("Get") && signature == QLatin1String("ss");
    const bool set = member == QLatin1String("Set") && signature == QLatin1String("ssv");
    const bool getAll = member == QLatin1String("GetAll") && signature == QLatin1String("s");
    if (!get && !set && !getAll) {
        return call.createErrorReply(QDBusError::UnknownMethod,
                                     QStringLiteral("No method %1(%2)").arg(member, signature));
    }
    const QString interface = args.at(0).toString();
    if (interface != kRoot && interface != kPlayer) {
        return call.createErrorReply(QDBusError::UnknownInterface,
                                     QStringLiteral("No interface %1").arg(interface));
    }
    const QVariantMap all = properties(interface);
    if (getAll) return call.createReply(all);
    const QString name = args.at(1).toString();
    if (!all.contains(name)) {
        return call.createErrorReply(QDBusError::UnknownProperty,
                                     QStringLiteral("No property %1").arg(name));
    }
    if (get) return call.createReply(QVariant::fromValue(QDBusVariant(all.value(name))));

    if (!writable(interface, name)) {
        return call.createErrorReply(QDBusError::PropertyReadOnly,
                                     QStringLiteral("%1 is read-only").arg(name));
    }
    const QVariant value = args.at(2).value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<double>() || std::isnan(value.toDouble())) {
        return call.createErrorReply(QDBusError::InvalidArgs,
                                     QStringLiteral("%1 is a number (d)").arg(name));
    }
    const double number = value.toDouble();
    if (name == QLatin1String("Volume")) {
        // Below 0 means 0 and above 1 means 1.
        if (PlayerSeam::Remote* remote = PlayerSeam::MainWindow())
            remote->SetVolume(static_cast<int>(std::lround(std::clamp(number, 0.0, 1.0) * 100)));
    } else if (number == 0.0) {
        // A rate of 0 is a pause; any other rate than 1 cannot be had.
        PlayerSeam::Player().Stop();
    }
    return call.createReply();
}

}  // namespace session
