#include "media/WindowsMediaPlayer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLoggingCategory>

#include <gst/gst.h>

#include "media/GStreamer.h"
#include "media/GstMessages.h"
#include "media/PlainText.h"
#include "media/StatusText.h"

namespace media {

namespace {

// What the listener reads in the status line, and what an address became;
// for a report: QT_LOGGING_RULES="klankor.player.debug=true" klankor
Q_LOGGING_CATEGORY(lcPlayer, "klankor.player", QtWarningMsg)

// Chosen with bench_player's jittery relay (its part j).
constexpr int kDefaultStartBufferMs = 1000;

// Where no window paints (a window calls gstreamer::Preload after its first
// frame), GStreamer starts and its plugins load this long after a player
// is made.
constexpr int kPreloadLateMs = 500;

// An approved stream that has sent this much and still has no sound
// waiting at the sink is not being decoded: far more than any station
// needs for its first frame.
constexpr int kNoSoundMs = 6000;
constexpr qint64 kNoSoundBytes = 32 * 1024;

// The plugin preload is over: a pipeline asked for meanwhile may be built.
const QEvent::Type kPreloadOver = static_cast<QEvent::Type>(QEvent::registerEventType());

QString& defaultAudioFile() {
    static QString file;
    return file;
}

int& defaultStartBufferMs() {
    static int ms = kDefaultStartBufferMs;
    return ms;
}

BufferingRules::Clock::time_point now() {
    return BufferingRules::Clock::now();
}

}  // namespace

void WindowsMediaPlayer::Controls::play() {
    player_.play();
}
void WindowsMediaPlayer::Controls::stop() {
    player_.stop();
}

void WindowsMediaPlayer::Settings::SetVolume(int volume) {
    volume_ = qBound(0, volume, 100);
    player_.pipeline_.SetVolume(volume_);
}

void WindowsMediaPlayer::Settings::SetBalance(int balance) {
    balance_ = qBound(-100, balance, 100);
    player_.pipeline_.SetBalance(balance_);
}

void WindowsMediaPlayer::SetDefaultAudioFile(const QString& file) {
    defaultAudioFile() = file;
}

void WindowsMediaPlayer::SetDefaultStartBuffer(int milliseconds) {
    defaultStartBufferMs() = qMax(0, milliseconds);
}

WindowsMediaPlayer::WindowsMediaPlayer(QObject* parent)
    : Player(parent),
      audioFile_(defaultAudioFile()),
      resolver_(this),
      mailbox_(std::make_shared<Mailbox>(this)),
      pipeline_(mailbox_),
      buffering_(std::chrono::milliseconds(defaultStartBufferMs())) {
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &WindowsMediaPlayer::startAttempt);
    noSoundTimer_.setSingleShot(true);
    connect(&noSoundTimer_, &QTimer::timeout, this, &WindowsMediaPlayer::checkForSound);
    bufferingTimer_.setSingleShot(true);
    connect(&bufferingTimer_, &QTimer::timeout, this, [this] {
        if (!pipeline_.exists()) return;
        const BufferingRules::Do answer = buffering_.Due(levels(0, nullptr), now());
        follow(answer);
        if (answer == BufferingRules::Do::Gather) {
            bufferPercent_ = 0;
            setState(State::Buffering);
        }
    });
    connect(&resolver_, &PlaylistResolver::fetching, this, &WindowsMediaPlayer::onFetching);
    connect(&resolver_, &PlaylistResolver::resolved, this, &WindowsMediaPlayer::onResolved);
    connect(&resolver_, &PlaylistResolver::failed, this, &WindowsMediaPlayer::onFailed);
    QTimer::singleShot(kPreloadLateMs, this, [] { gstreamer::Preload(); });
}

WindowsMediaPlayer::~WindowsMediaPlayer() {
    mailbox_->Close();
    retryTimer_.stop();
    resolver_.cancel();
    pipeline_.Teardown();
}

void WindowsMediaPlayer::SetURL(const QString& url) {
    url_ = url;
    if (url_.isEmpty()) {
        stop();
        return;
    }
    start();  // autoStart: a URL set is opened afresh, even the same one again
}

void WindowsMediaPlayer::play() {
    // Already opening or playing (as right after SetURL): carry on.
    if (resolver_.busy() || retryTimer_.isActive() || pipeline_.exists() || waitingToBuild_) return;
    start();
}

void WindowsMediaPlayer::start() {
    if (url_.isEmpty()) return;
    halt();
    reconnection_.Asked();
    resuming_ = false;
    reopenedSilent_ = false;
    host_.clear();
    setState(State::Connecting);
    startAttempt();
}

void WindowsMediaPlayer::stop() {
    halt();
    resuming_ = false;
    setState(State::Stopped);
}

// Nothing under way any more: no attempt, no pipeline, no title.
void WindowsMediaPlayer::halt() {
    retryTimer_.stop();
    bufferingTimer_.stop();
    noSoundTimer_.stop();
    resolver_.cancel();
    waitingToBuild_.reset();
    pipeline_.Teardown();
    setTitle(QString());
}

void WindowsMediaPlayer::NetworkChange(bool online) {
    if (online == reconnection_.online()) return;
    qCDebug(lcPlayer) << (online ? "the network is back" : "the network is gone");
    const bool retryPending = retryTimer_.isActive();
    reconnection_.NetworkChange(online, Reconnection::Clock::now(), retryPending);
    if (!online) {
        // A retry now would only fail; whatever is connected plays on for
        // as long as it can.
        if (retryPending) {
            retryTimer_.stop();
            setState(State::Waiting);
        }
        return;
    }
    if (state_ == State::Waiting && !asleep_) reconnectNow();
}

void WindowsMediaPlayer::Suspend() {
    if (asleep_) return;
    asleep_ = true;
    if (!WantsSound(state_)) return;
    qCDebug(lcPlayer) << "going to sleep";
    // The pipeline goes down on one of GStreamer's threads: the machine need
    // not wait for it.
    halt();
    reconnection_.Interrupted();
    setState(State::Waiting);
}

void WindowsMediaPlayer::Resume() {
    if (!asleep_) return;
    asleep_ = false;
    qCDebug(lcPlayer) << "awake";
    if (state_ == State::Waiting && reconnection_.online()) reconnectNow();
}

// Back from waiting, at once rather than after a pause.
void WindowsMediaPlayer::reconnectNow() {
    retryTimer_.stop();
    resuming_ = true;
    setState(State::Connecting);
    startAttempt();
}

void WindowsMediaPlayer::startAttempt() {
    resolver_.resolve(QUrl(url_, QUrl::TolerantMode));
}

void WindowsMediaPlayer::onFetching(const QUrl& address) {
    host_ = address.host();
    if (state_ == State::Connecting) setState(State::Connecting);  // names the new host
    // The resolver asks only for addresses it would play; the pipeline
    // started beside it keeps its sound to itself until it hears back.
    if (!PlaylistResolver::playableUrl(address).isEmpty()) open(address, false);
}

void WindowsMediaPlayer::onResolved(const QUrl& stream) {
    host_ = stream.host();
    if (waitingToBuild_ && waitingToBuild_->address == stream) {
        waitingToBuild_->confirmed = true;
        return;
    }
    if (pipeline_.exists() && pipeline_.address() == stream) {
        qCDebug(lcPlayer) << "approved" << stream.toDisplayString();
        pipeline_.confirmed = true;
        watchForSound();
        soundWhenReady();
        return;
    }
    open(stream, true);
    watchForSound();
}

void WindowsMediaPlayer::watchForSound() {
    if (pipeline_.exists() && !pipeline_.prerolled) noSoundTimer_.start(kNoSoundMs);
}

// Bytes that come and go without sound: a stream GStreamer took for
// another format than it is, or a decoder that never came. A fresh
// connection starts at another byte and is judged afresh, once; then the
// station fails as a stream that cannot be played. A server that sends
// little or nothing is left to the source's own time-out.
void WindowsMediaPlayer::checkForSound() {
    if (!pipeline_.exists() || !pipeline_.confirmed || pipeline_.prerolled) return;
    const qint64 bytes = pipeline_.SourceBytes();
    qCDebug(lcPlayer) << "no sound yet after" << bytes << "bytes";
    if (bytes < kNoSoundBytes) {
        noSoundTimer_.start(kNoSoundMs);
        return;
    }
    if (reopenedSilent_) {
        onFailed(MediaFailure(MediaFailure::Kind::NotAudio,
                              QStringLiteral("Damaged or unknown audio stream")));
        return;
    }
    reopenedSilent_ = true;
    setState(State::Connecting);
    open(QUrl(pipeline_.address()), true);
    watchForSound();
}

void WindowsMediaPlayer::open(const QUrl& address, bool confirmed) {
    qCDebug(lcPlayer) << (confirmed ? "playing" : "trying") << address.toDisplayString();
    bufferingTimer_.stop();
    waitingToBuild_.reset();
    if (!gstreamer::Start()) {
        failToBuild(confirmed);
        return;
    }
    // Never beside the plugin preload: built when it is over, on this thread.
    if (!gstreamer::MayBuild([mailbox = mailbox_] { mailbox->Post(new QEvent(kPreloadOver)); })) {
        pipeline_.Teardown();
        waitingToBuild_ = Asked{address, confirmed};
        return;
    }
    build(address, confirmed);
}

void WindowsMediaPlayer::build(const QUrl& address, bool confirmed) {
    if (!pipeline_.Build(address, audioFile_, !confirmed)) {
        failToBuild(confirmed);
        return;
    }
    buffering_.Reset();
    pipeline_.SetVolume(settings_.volume_);
    pipeline_.SetBalance(settings_.balance_);
}

void WindowsMediaPlayer::failToBuild(bool confirmed) {
    pipeline_.Teardown();
    if (confirmed)
        onFailed(MediaFailure(MediaFailure::Kind::AudioDevice,
                              QStringLiteral("Audio system not available")));
}

// Sound starts once the address is approved and sound waits at the sink.
void WindowsMediaPlayer::soundWhenReady() {
    if (pipeline_.exists() && pipeline_.confirmed && pipeline_.prerolled)
        follow(buffering_.Ready(now()));
}

void WindowsMediaPlayer::follow(BufferingRules::Do answer) {
    if (answer == BufferingRules::Do::Play) pipeline_.Play();
    if (answer == BufferingRules::Do::Gather) pipeline_.Pause();
    if (const auto deadline = buffering_.deadline()) {
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(*deadline - BufferingRules::Clock::now());
        bufferingTimer_.start(std::max(wait, std::chrono::milliseconds(0)));
    } else {
        bufferingTimer_.stop();
    }
    pipeline_.SetSteady(pipeline_.reachedPlaying && buffering_.steady());
}

BufferingRules::Levels WindowsMediaPlayer::levels(int percent, GstObject* queue) {
    return {percent, QueuedBytes(queue), pipeline_.DecodedNs()};
}

void WindowsMediaPlayer::onFailed(const MediaFailure& failure) {
    halt();
    resuming_ = false;
    const Reconnection::Step step = reconnection_.Failed(failure, Reconnection::Clock::now());
    qCDebug(lcPlayer) << "failed:" << failure.text;
    switch (step.next) {
        case Reconnection::Next::Retry:
            setState(State::Connecting);
            retryTimer_.start(std::chrono::duration_cast<std::chrono::milliseconds>(step.delay));
            return;
        case Reconnection::Next::Wait: setState(State::Waiting); return;
        case Reconnection::Next::GiveUp:
            fail(QStringLiteral("Gave up after %1 retries: %2")
                     .arg(reconnection_.retries())
                     .arg(failure.text));
            return;
        case Reconnection::Next::Fail: fail(failure.text); return;
    }
}

void WindowsMediaPlayer::onBuffering(GstMessage* message) {
    gint percent = 0;
    gst_message_parse_buffering(message, &percent);
    const bool wasSounding = buffering_.sounding();
    const BufferingRules::Do answer =
        buffering_.Report(levels(percent, GST_MESSAGE_SRC(message)), now());
    follow(answer);
    if (percent >= 100 || !pipeline_.confirmed) return;
    if (wasSounding && answer != BufferingRules::Do::Gather) return;
    // A retry keeps saying so until sound is back.
    const bool retrying = state_ == State::Connecting && reconnection_.retries() > 0;
    if (!retrying && (buffering_.refilling() || !pipeline_.reachedPlaying)) {
        bufferPercent_ = percent;
        setState(State::Buffering);
    }
}

void WindowsMediaPlayer::customEvent(QEvent* event) {
    if (event->type() == kPreloadOver) {
        if (!waitingToBuild_) return;
        const Asked asked = *std::exchange(waitingToBuild_, std::nullopt);
        build(asked.address, asked.confirmed);
        if (asked.confirmed) watchForSound();
        return;
    }
    if (event->type() != BusEvent::kType) {
        QObject::customEvent(event);
        return;
    }
    const auto* bus = static_cast<BusEvent*>(event);
    if (!pipeline_.exists() || bus->generation != pipeline_.generation()) return;  // stale
    onBusMessage(bus->message);
}

void WindowsMediaPlayer::onBusMessage(GstMessage* message) {
    // Until the resolver approves the address, an end or an error only
    // ends the attempt beside it: the resolver's word is the one shown.
    if (!pipeline_.confirmed && (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR ||
                                 GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)) {
        qCDebug(lcPlayer) << "the attempt beside the resolver ended:"
                          << GST_MESSAGE_TYPE_NAME(message);
        pipeline_.Teardown();
        return;
    }
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            QString said;
            const MediaFailure failure = FailureFromError(message, host_, &said);
            qCDebug(lcPlayer) << "GStreamer:" << said;
            onFailed(failure);
            break;
        }
        case GST_MESSAGE_EOS:
            if (pipeline_.Finite()) {
                pipeline_.Teardown();
                setState(State::Ready);
            } else {
                onFailed(MediaFailure(MediaFailure::Kind::ConnectionLost,
                                      QStringLiteral("Connection closed by %1").arg(host_)));
            }
            break;
        case GST_MESSAGE_BUFFERING: onBuffering(message); break;
        case GST_MESSAGE_STATE_CHANGED: {
            GstState oldState = GST_STATE_VOID_PENDING, newState = GST_STATE_VOID_PENDING;
            gst_message_parse_state_changed(message, &oldState, &newState, nullptr);
            if (newState == GST_STATE_PAUSED && !pipeline_.prerolled) {
                pipeline_.prerolled = true;
                noSoundTimer_.stop();
                soundWhenReady();
            } else if (newState == GST_STATE_PLAYING) {
                pipeline_.reachedPlaying = true;
                pipeline_.SetSteady(buffering_.steady());
                reconnection_.Played(Reconnection::Clock::now());
                resuming_ = false;
                setState(State::Playing);
            }
            break;
        }
        case GST_MESSAGE_TAG:
            if (const std::optional<QString> title = TitleFromTags(message)) setTitle(*title);
            break;
        case GST_MESSAGE_CLOCK_LOST:
            if (buffering_.sounding()) pipeline_.RestartClock();
            break;
        default: break;
    }
}

void WindowsMediaPlayer::setState(State state) {
    state_ = state;
    const QString text = status();
    // StatusChange comes with each change of the status text, and only then.
    if (text == shownStatus_) return;
    shownStatus_ = text;
    qCDebug(lcPlayer) << "status:" << text;
    emit StatusChange();
}

void WindowsMediaPlayer::setTitle(const QString& title) {
    const QString plain = plainText(title);
    if (plain == title_) return;
    title_ = plain;
    emit TitleChange();
}

void WindowsMediaPlayer::fail(const QString& text) {
    setTitle(QString());
    failure_ = text;
    setState(State::Failed);
}

QString WindowsMediaPlayer::status() const {
    return StatusText({state_, reconnection_.retries(),
                       host_.isEmpty() ? QUrl(url_, QUrl::TolerantMode).host() : host_,
                       bufferPercent_, failure_, resuming_});
}

}  // namespace media
