#pragma once
// Klankor on the session bus as an MPRIS 2.2 media player, so the
// desktop's media keys, panels and playerctl can drive it. Every request
// goes to the main window's remote and player, as a user's click would.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QVariantMap>

namespace session {

inline constexpr char kMprisService[] = "org.mpris.MediaPlayer2.klankor";
inline constexpr char kMprisPath[] = "/org/mpris/MediaPlayer2";
inline constexpr char kMprisRoot[] = "org.mpris.MediaPlayer2";
inline constexpr char kMprisPlayer[] = "org.mpris.MediaPlayer2.Player";

class Mpris : public QDBusVirtualObject {
    Q_OBJECT
public:
    explicit Mpris(QDBusConnection bus) : bus_(std::move(bus)) {}
    ~Mpris() override;

    // Puts the player's object on the bus (the bus name is the session
    // guard's); false without a session bus.
    bool Register();
    // Follows the main window and its player from now on; they exist once
    // the main window is loaded.
    void Attach();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QVariantMap properties(const QString& interface) const;
    QVariantMap metadata() const;
    QDBusMessage answerProperties(const QDBusMessage& call);
    QDBusMessage answerCall(const QDBusMessage& call, bool& quit);
    void announce();

    QDBusConnection bus_;
    bool registered_ = false;
    QVariantMap shown_;  // the player's properties as last announced
};

// The logo of station 1..32 as a PNG file in the user's cache folder,
// written the first time it is asked for; empty when it cannot be written.
QString LogoFile(short station);

}  // namespace session
