#pragma once
// One Klankor per user session. The first start claims the session; a
// second one asks the first to show its main window and goes, before it
// has touched the store or the sound.

#include <QDBusConnection>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

namespace session {

class OneKlankor : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        First,     // this run is the session's Klankor
        Raised,    // another one runs and has shown its main window
        NoAnswer,  // another one runs but did not answer
    };

    // Claims the session: the MPRIS bus name when there is a session bus,
    // else a socket in a folder only the user can enter ($XDG_RUNTIME_DIR,
    // or a folder of our own under the temporary folder). When neither
    // can be had the run goes on unguarded, with a warning.
    Outcome Claim(const QDBusConnection& bus);

private:
    Outcome claimSocket();
    void answer();

    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace session
