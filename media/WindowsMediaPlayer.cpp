#include "media/WindowsMediaPlayer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "media/HttpSource.h"
#include "media/PlainText.h"

namespace media {

namespace {

// What the listener reads in the status line, and what an address became;
// for a report: QT_LOGGING_RULES="klankor.player.debug=true" klankor
Q_LOGGING_CATEGORY(lcPlayer, "klankor.player", QtWarningMsg)

// playbin's GstPlayFlags: audio only, volume applied by playbin itself.
constexpr guint kPlayFlagAudio = 1u << 1;
constexpr guint kPlayFlagSoftVolume = 1u << 4;

// What playbin's network queue aims to hold. Radio wants a quick start
// more than a deep buffer: GStreamer's default keeps a listener waiting for
// many seconds on a low bit rate. No more than a server's burst at connect
// (Icecast's 64 KiB): a queue that fills stays full, so the source reads a
// block at a time; one that never fills wakes the source, and libsoup's
// thread, for every packet (3 s cost the whole program a third more CPU).
constexpr gint64 kBufferNanoseconds = 2 * GST_SECOND;

// A request under way is answered, or given up by the source's own
// time-out, well within this; a stop waits no longer for it.
constexpr std::chrono::milliseconds kLongestAnswer{12000};

// Chosen with bench_player's jittery relay (its part j).
constexpr int kDefaultStartBufferMs = 1000;

// After the sound ran out, at least this much is gathered again.
constexpr int kMinRefillMs = 500;

// GStreamer starts, and its plugins load, this long after the first paint;
// where no window paints, this long after a player is made.
constexpr int kPreloadAfterPaintMs = 50;
constexpr int kPreloadLateMs = 500;

// An approved stream that has sent this much and still has no sound
// waiting at the sink is not being decoded: far more than any station
// needs for its first frame.
constexpr int kNoSoundMs = 6000;
constexpr gint64 kNoSoundBytes = 32 * 1024;

// A network queue holding less than this has run dry: less than one read.
constexpr guint kEmptyQueueBytes = 1024;

// The decoded sound waiting for the sink (playbin's own audio queue, which
// holds up to a second) is played out below this.
constexpr gint64 kPlayedOutNanoseconds = 100 * GST_MSECOND;

QString waitingText() {
    return QStringLiteral("Waiting for network");
}

const QEvent::Type kBusEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

// Where GStreamer's threads drop their messages: the player, for as long as
// it exists. The lock lets the player leave while a message is being posted.
struct Mailbox {
    std::mutex lock;
    QObject* target = nullptr;
};

struct BusLink {
    std::shared_ptr<Mailbox> mailbox;
    quint64 generation;
    GstElement* pipeline;  // not owned; only compared with message sources
};

class BusEvent : public QEvent {
public:
    BusEvent(GstMessage* msg, quint64 gen)
        : QEvent(kBusEventType), message(gst_message_ref(msg)), generation(gen) {}
    ~BusEvent() override { gst_message_unref(message); }
    BusEvent(const BusEvent&) = delete;
    BusEvent& operator=(const BusEvent&) = delete;

    GstMessage* const message;
    const quint64 generation;
};

// Runs on whichever GStreamer thread posts; hands the message to the
// player's thread. A GLib bus watch would need a GLib main loop, which Qt
// does not promise.
GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const auto* link = static_cast<const BusLink*>(data);
    bool wanted = false;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_BUFFERING:
        case GST_MESSAGE_TAG:
        case GST_MESSAGE_CLOCK_LOST: wanted = true; break;
        case GST_MESSAGE_STATE_CHANGED:
            wanted = GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(link->pipeline);
            break;
        default: break;
    }
    if (wanted) {
        std::lock_guard<std::mutex> guard(link->mailbox->lock);
        if (link->mailbox->target)
            QCoreApplication::postEvent(link->mailbox->target,
                                        new BusEvent(message, link->generation));
    }
    // A dropped message is the handler's to release; kept, it would hold
    // its source, and so the whole pipeline, for ever.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

struct SourceSetup {
    QByteArray caFile;  // SSL_CERT_FILE when the pipeline was made: trust as OpenSSL's tools do
    bool speculative;   // the resolver has not yet approved the address
    std::shared_ptr<SourceRequest> request;
};

void onSourceSetup(GstElement*, GstElement* source, gpointer data) {
    const auto* setup = static_cast<const SourceSetup*>(data);
    if (g_strcmp0(G_OBJECT_TYPE_NAME(source), "GstSoupHTTPSrc") != 0) return;
    setUpHttpSource(source, setup->caFile.isEmpty() ? nullptr : setup->caFile.constData(),
                    setup->request);
    // The resolver follows only the redirects it finds safe; until it has
    // approved the address, a redirect ends the attempt instead.
    if (setup->speculative) g_object_set(source, "automatic-redirect", FALSE, nullptr);
}

// GStreamer's own texts ("Internal data stream error", "missing a plug-in")
// mean nothing to a listener; name the cause instead.
MediaFailure failureFromError(const GError* error, const char* debug, bool fromSink,
                              const QString& host) {
    using K = MediaFailure::Kind;
    const QString details = QString::fromUtf8(debug ? debug : "").toLower() + QLatin1Char(' ') +
                            QString::fromUtf8(error->message ? error->message : "").toLower();
    if (fromSink) return MediaFailure(K::AudioDevice, QStringLiteral("Sound device not available"));
    if (error->domain == refusedSourceQuark())
        return MediaFailure(
            K::UnsupportedAddress,
            QStringLiteral("Playlist address refused (%1)").arg(QString::fromUtf8(error->message)));
    if (error->domain == GST_RESOURCE_ERROR) {
        switch (error->code) {
            case GST_RESOURCE_ERROR_NOT_FOUND:
                return MediaFailure(K::NotFound, QStringLiteral("Not found (404)"));
            case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                return MediaFailure(K::AccessDenied, QStringLiteral("Access denied"));
            default: break;
        }
        // souphttpsrc names an HTTP status as "Reason (302), URL: ...".
        static const QRegularExpression statusCode(QStringLiteral("\\((\\d{3})\\), url:"));
        const int status = statusCode.match(details).captured(1).toInt();
        if (status >= 300 && status < 400)  // a redirect it would not follow: not http(s)
            return MediaFailure(K::UnsupportedAddress,
                                QStringLiteral("Unsupported redirect at %1").arg(host));
        if (status >= 500) return MediaFailure::Http(status, host);
        if (details.contains(QLatin1String("resolve")))
            return MediaFailure::Network(K::HostNotFound, host);
        if (details.contains(QLatin1String("refused")))
            return MediaFailure::Network(K::ConnectionRefused, host);
        if (details.contains(QLatin1String("timed out")) ||
            details.contains(QLatin1String("timeout")))
            return MediaFailure::Network(K::ServerNotResponding, host);
        return MediaFailure::Network(K::ConnectionLost, host);
    }
    if (error->domain == GST_STREAM_ERROR) {
        switch (error->code) {
            case GST_STREAM_ERROR_TYPE_NOT_FOUND:
            case GST_STREAM_ERROR_WRONG_TYPE:
                return MediaFailure(K::NotAudio, QStringLiteral("Not an audio stream"));
            case GST_STREAM_ERROR_CODEC_NOT_FOUND:
            case GST_STREAM_ERROR_NOT_IMPLEMENTED:
            case GST_STREAM_ERROR_FORMAT:
                return MediaFailure(K::NotAudio, QStringLiteral("Unsupported audio format"));
            case GST_STREAM_ERROR_DEMUX:
            case GST_STREAM_ERROR_DECODE:
                return MediaFailure(K::NotAudio, QStringLiteral("Damaged or unknown audio stream"));
            default: break;
        }
    }
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return MediaFailure(K::NotAudio, QStringLiteral("Unsupported audio format"));
    return MediaFailure(K::ConnectionLost, QStringLiteral("Stream from %1 interrupted").arg(host));
}

// libav's typefinders (hundreds of container formats no station sends)
// would load libav and the codec libraries under it at the first stream a
// process meets: over a hundred milliseconds and many megabytes, for
// formats that GStreamer's own typefinders all know. Only this process's
// copy of the registry loses them.
void dropLibavTypefinders() {
    GstRegistry* registry = gst_registry_get();
    GList* features = gst_registry_get_feature_list_by_plugin(registry, "libav");
    for (GList* f = features; f; f = f->next) {
        if (GST_IS_TYPE_FIND_FACTORY(f->data))
            gst_registry_remove_feature(registry, GST_PLUGIN_FEATURE(f->data));
    }
    gst_plugin_feature_list_free(features);
}

// GStreamer starts once per process, on the main thread: when the first
// address opens, or else just after the first frame, so its start (reading
// the plugin registry, some 20 ms) keeps out of the way of the window.
// Started on a worker thread instead, a station started during a loaded
// start-up now and then failed with "Not found (404)", a cause not yet
// understood. False when it cannot start.
bool startEngine() {
    static const bool available = [] {
        GError* error = nullptr;
        const bool started = gst_init_check(nullptr, nullptr, &error);
        g_clear_error(&error);
        if (started) dropLibavTypefinders();
        return started;
    }();
    return available;
}

// Loading GStreamer's plugins (dlopen, libsoup, the typefinders ...) takes
// tens of milliseconds the first time; done while the listener is still
// choosing a station, once the window is up, so it does not compete with
// the start.
//
// Never beside a pipeline, though: GStreamer marks a plugin loaded before
// it has registered the plugin's features, and a pipeline that looks one
// up in between goes on without it. An AAC station started at login while
// the preload ran now and then stayed silent: its bytes came and went, and
// no decoder was ever made. So a pipeline waits for a preload under way,
// and none starts after a pipeline has.
struct Preload {
    enum class Stage { NotYet, Running, Over };
    std::mutex lock;
    std::condition_variable over;
    Stage stage = Stage::NotYet;
};

Preload& preload() {
    static Preload p;
    return p;
}

void preloadPlugins() {
    Preload& p = preload();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        if (p.stage != Preload::Stage::NotYet) return;
        p.stage = Preload::Stage::Running;
    }
    std::thread([&p] {
        for (const char* name :
             {"playbin", "uridecodebin", "souphttpsrc", "typefind", "decodebin", "queue2",
              "audiopanorama", "autoaudiosink", "audioconvert", "audioresample", "filesink",
              "icydemux", "mpegaudioparse", "mpg123audiodec"}) {
            GstPluginFeature* feature = gst_registry_lookup_feature(gst_registry_get(), name);
            if (!feature) continue;
            if (GstPluginFeature* loaded = gst_plugin_feature_load(feature))
                gst_object_unref(loaded);
            gst_object_unref(feature);
        }
        if (GstPlugin* typefinders = gst_plugin_load_by_name("typefindfunctions"))
            gst_object_unref(typefinders);
        {
            std::lock_guard<std::mutex> guard(p.lock);
            p.stage = Preload::Stage::Over;
        }
        p.over.notify_all();
    }).detach();
}

// Before a pipeline is made: a preload under way ends first, and one not
// yet begun never will; the pipelines load what they need themselves.
void noPreloadBeside() {
    Preload& p = preload();
    std::unique_lock<std::mutex> guard(p.lock);
    if (p.stage == Preload::Stage::NotYet) p.stage = Preload::Stage::Over;
    p.over.wait(guard, [&p] { return p.stage == Preload::Stage::Over; });
}

QString& defaultAudioFile() {
    static QString file;
    return file;
}

int& defaultStartBufferMs() {
    static int ms = kDefaultStartBufferMs;
    return ms;
}

// A file stands in for a sound card: each piece is written when it is due,
// not gathered in a stdio buffer first, so what the file holds is what a
// listener would have heard by then.
GstElement* makeAudioSink(const QString& fileName) {
    if (fileName.isEmpty()) return gst_element_factory_make("autoaudiosink", nullptr);
    const QByteArray file = QFile::encodeName(fileName);
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(
        "audioconvert ! audioresample ! "
        "capsfilter caps=audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved ! "
        "filesink name=out append=true sync=true buffer-mode=unbuffered",
        TRUE, &error);
    if (!bin) {
        g_clear_error(&error);
        return nullptr;
    }
    GstElement* out = gst_bin_get_by_name(GST_BIN(bin), "out");
    g_object_set(out, "location", file.constData(), nullptr);
    gst_object_unref(out);
    return bin;
}

}  // namespace

// The GStreamer side: one playbin per address tried. Each pipeline has its
// own generation, so messages still under way from an earlier one are
// ignored.
struct WindowsMediaPlayer::Engine {
    std::shared_ptr<Mailbox> mailbox = std::make_shared<Mailbox>();
    GstElement* pipeline = nullptr;
    GstElement* panorama = nullptr;
    GstElement* soundQueue = nullptr;        // playbin's audio queue, once found
    std::shared_ptr<SourceRequest> request;  // its source's, stopped only when settled
    QUrl address;                            // what the pipeline plays
    bool confirmed = false;                  // the resolver found the address to be the stream
    quint64 generation = 0;
    bool prerolled = false;       // sound is waiting at the sink
    bool sounding = false;        // asked to play (PLAYING), not gathering
    bool refilling = false;       // paused because the sound ran out
    bool queueFull = false;       // the network queue reported 100 % since the sound last started
    bool reachedPlaying = false;  // this pipeline has played

    bool build(const QUrl& stream, const QString& audioFile, bool speculative) {
        teardown();
        GstElement* playbin = gst_element_factory_make("playbin", nullptr);
        GstElement* sink = makeAudioSink(audioFile);
        if (!playbin || !sink) {
            if (playbin) gst_object_unref(gst_object_ref_sink(playbin));
            if (sink) gst_object_unref(gst_object_ref_sink(sink));
            return false;
        }
        pipeline = GST_ELEMENT(gst_object_ref_sink(playbin));
        request = std::make_shared<SourceRequest>();
        address = stream;
        confirmed = !speculative;
        ++generation;
        prerolled = sounding = refilling = queueFull = reachedPlaying = false;
        g_object_set(pipeline, "uri", stream.toEncoded().constData(), "flags",
                     kPlayFlagAudio | kPlayFlagSoftVolume, "audio-sink", sink, "buffer-duration",
                     kBufferNanoseconds, nullptr);
        // Without sinks of its own choosing playbin still makes video sinks
        // (DirectFB, KMS, Wayland) to ask what they take whenever a stream
        // looks like video for a moment, and DirectFB crashed doing so.
        for (const char* property : {"video-sink", "text-sink"}) {
            if (GstElement* nothing = gst_element_factory_make("fakesink", nullptr))
                g_object_set(pipeline, property, nothing, nullptr);
        }
        panorama = gst_element_factory_make("audiopanorama", nullptr);
        if (panorama) {
            gst_object_ref_sink(panorama);
            gst_util_set_object_arg(G_OBJECT(panorama), "method", "simple");
            g_object_set(pipeline, "audio-filter", panorama, nullptr);
        }
        refuseForeignSources(pipeline);
        g_signal_connect_data(
            pipeline, "source-setup", G_CALLBACK(onSourceSetup),
            new SourceSetup{qgetenv("SSL_CERT_FILE"), speculative, request},
            [](gpointer setup, GClosure*) { delete static_cast<SourceSetup*>(setup); },
            GConnectFlags(0));
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, onBusMessage, new BusLink{mailbox, generation, pipeline},
                                 [](gpointer link) { delete static_cast<BusLink*>(link); });
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_PAUSED);
        return true;
    }

    void setState(GstState state) {
        if (pipeline) gst_element_set_state(pipeline, state);
    }

    void play() {
        sounding = true;
        refilling = false;
        queueFull = false;
        setState(GST_STATE_PLAYING);
    }

    void teardown() {
        if (!pipeline) return;
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        // With no handler left, messages would pile up on the bus, each holding
        // the pipeline that holds the bus: drop them, and any still to come.
        gst_bus_set_flushing(bus, TRUE);
        gst_object_unref(bus);
        // Stopping can wait on a streaming thread stuck in a dead socket, and
        // waits for an answer under way; let one of GStreamer's pool threads
        // wait instead of the window.
        gst_element_call_async(
            pipeline,
            [](GstElement* e, gpointer data) {
                (*static_cast<std::shared_ptr<SourceRequest>*>(data))
                    ->waitUntilSettled(kLongestAnswer);
                gst_element_set_state(e, GST_STATE_NULL);
            },
            new std::shared_ptr<SourceRequest>(std::move(request)),
            [](gpointer data) { delete static_cast<std::shared_ptr<SourceRequest>*>(data); });
        if (panorama) gst_object_unref(panorama);
        if (soundQueue) gst_object_unref(soundQueue);
        gst_object_unref(pipeline);
        panorama = nullptr;
        soundQueue = nullptr;
        pipeline = nullptr;
        address.clear();
        ++generation;
    }

    // Decoded sound still waiting for the sink (-1: not known): the network
    // queue may run low while the second behind it plays on.
    gint64 queuedSound() {
        if (!soundQueue && pipeline) soundQueue = gst_bin_get_by_name(GST_BIN(pipeline), "aqueue");
        if (!soundQueue) return -1;
        guint64 queued = 0;
        g_object_get(soundQueue, "current-level-time", &queued, nullptr);
        return gint64(queued);
    }

    // Finite media (a file with a known length) ends; a live stream has no
    // duration, so its end means the connection dropped.
    bool finite() const {
        gint64 duration = 0;
        return pipeline && gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration) &&
               duration > 0;
    }
};

void WindowsMediaPlayer::Controls::play() {
    player_.play();
}
void WindowsMediaPlayer::Controls::stop() {
    player_.stop();
}

void WindowsMediaPlayer::Settings::SetVolume(int volume) {
    volume_ = qBound(0, volume, 100);
    player_.applyVolume();
}

void WindowsMediaPlayer::Settings::SetBalance(int balance) {
    balance_ = qBound(-100, balance, 100);
    player_.applyBalance();
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
      startBufferMs_(defaultStartBufferMs()),
      engine_(std::make_unique<Engine>()) {
    engine_->mailbox->target = this;
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &WindowsMediaPlayer::startAttempt);
    noSoundTimer_.setSingleShot(true);
    connect(&noSoundTimer_, &QTimer::timeout, this, &WindowsMediaPlayer::checkForSound);
    startBufferTimer_.setSingleShot(true);
    connect(&startBufferTimer_, &QTimer::timeout, this, [this] {
        if (!engine_->pipeline || engine_->sounding) return;
        // Gathering again, a stream that sent nothing for so long is waited
        // for rather than played bare.
        const gint64 queued = engine_->queuedSound();
        if (engine_->refilling && queued >= 0 && queued < kMinRefillMs * GST_MSECOND) {
            startBufferTimer_.start(qMax(startBufferMs_, kMinRefillMs));
            return;
        }
        engine_->play();
    });
    playOutTimer_.setSingleShot(true);
    connect(&playOutTimer_, &QTimer::timeout, this, [this] {
        if (!engine_->pipeline || !engine_->sounding || !gatherAgainOncePlayedOut()) return;
        bufferPercent_ = 0;
        setState(State::Buffering);
    });
    connect(&resolver_, &PlaylistResolver::fetching, this, &WindowsMediaPlayer::onFetching);
    connect(&resolver_, &PlaylistResolver::resolved, this, &WindowsMediaPlayer::onResolved);
    connect(&resolver_, &PlaylistResolver::failed, this, &WindowsMediaPlayer::onFailed);
    // While the listener chooses, not during the start: after the first
    // frame, or a while after being made where nothing paints.
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    QTimer::singleShot(kPreloadLateMs, this, &WindowsMediaPlayer::preloadSoon);
}

bool WindowsMediaPlayer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        QCoreApplication::instance()->removeEventFilter(this);
        // A moment after the paint that starts now, so that the frame is
        // out and the window's first events are handled before the thread
        // is taken.
        QTimer::singleShot(kPreloadAfterPaintMs, this, &WindowsMediaPlayer::preloadSoon);
    }
    return Player::eventFilter(watched, event);
}

void WindowsMediaPlayer::preloadSoon() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    if (startEngine()) preloadPlugins();
}

WindowsMediaPlayer::~WindowsMediaPlayer() {
    {
        std::lock_guard<std::mutex> guard(engine_->mailbox->lock);
        engine_->mailbox->target = nullptr;
    }
    retryTimer_.stop();
    resolver_.cancel();
    engine_->teardown();
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
    if (resolver_.busy() || retryTimer_.isActive() || engine_->pipeline) return;
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
    startBufferTimer_.stop();
    playOutTimer_.stop();
    noSoundTimer_.stop();
    resolver_.cancel();
    engine_->teardown();
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
    if (engine_->pipeline && engine_->address == stream) {
        qCDebug(lcPlayer) << "approved" << stream.toDisplayString();
        engine_->confirmed = true;
        watchForSound();
        startSoundWhenReady();
        return;
    }
    open(stream, true);
    watchForSound();
}

void WindowsMediaPlayer::watchForSound() {
    if (engine_->pipeline && !engine_->prerolled) noSoundTimer_.start(kNoSoundMs);
}

// Bytes that come and go without sound: a stream GStreamer took for
// another format than it is, or a decoder that never came. A fresh
// connection starts at another byte and is judged afresh, once; then the
// station fails as a stream that cannot be played. A server that sends
// little or nothing is left to the source's own time-out.
void WindowsMediaPlayer::checkForSound() {
    if (!engine_->pipeline || !engine_->confirmed || engine_->prerolled) return;
    gint64 bytes = 0;
    GstElement* source = nullptr;
    g_object_get(engine_->pipeline, "source", &source, nullptr);
    if (source) {
        if (!gst_element_query_position(source, GST_FORMAT_BYTES, &bytes)) bytes = 0;
        gst_object_unref(source);
    }
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
    open(QUrl(engine_->address), true);
    watchForSound();
}

void WindowsMediaPlayer::open(const QUrl& address, bool confirmed) {
    qCDebug(lcPlayer) << (confirmed ? "playing" : "trying") << address.toDisplayString();
    startBufferTimer_.stop();
    playOutTimer_.stop();
    const bool engine = startEngine();
    if (engine) noPreloadBeside();
    if (!engine || !engine_->build(address, audioFile_, !confirmed)) {
        engine_->teardown();
        if (confirmed)
            onFailed(MediaFailure(MediaFailure::Kind::AudioDevice,
                                  QStringLiteral("Audio system not available")));
        return;
    }
    applyVolume();
    applyBalance();
}

// Sound starts once the address is approved and sound waits at the sink:
// at once when the network queue is full (a server's burst at connect),
// else after gathering the start buffer, as a server without a burst sends
// no faster than it plays.
void WindowsMediaPlayer::startSoundWhenReady() {
    if (!engine_->pipeline || !engine_->confirmed || !engine_->prerolled || engine_->sounding)
        return;
    if (engine_->queueFull || startBufferMs_ == 0) {
        startBufferTimer_.stop();
        engine_->play();
    } else if (!startBufferTimer_.isActive()) {
        startBufferTimer_.start(startBufferMs_);
    }
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
    if (percent >= 100) {
        engine_->queueFull = true;
        playOutTimer_.stop();
        startSoundWhenReady();
        return;
    }
    if (!engine_->confirmed) return;
    if (engine_->sounding) {
        // Below 100 % while playing: either the queue fell under its low
        // mark after being full, or it never was full since the start (its
        // rate estimate after a burst climbs slowly) and only a queue that
        // holds almost nothing has run out. A server without a burst keeps
        // it near empty all along, so the sound has run out only once the
        // decoded sound behind it has played out too; pausing earlier made
        // a gap that the stream never had.
        bool dry = engine_->queueFull;
        GObject* source = G_OBJECT(GST_MESSAGE_SRC(message));
        if (!dry &&
            g_object_class_find_property(G_OBJECT_GET_CLASS(source), "current-level-bytes")) {
            guint bytes = G_MAXUINT;
            g_object_get(source, "current-level-bytes", &bytes, nullptr);
            dry = bytes < kEmptyQueueBytes;
        }
        if (!dry) {
            playOutTimer_.stop();
            return;
        }
        if (!gatherAgainOncePlayedOut()) return;
    } else if (engine_->refilling && !engine_->queueFull) {
        // Each report below 100 % while gathering again starts the wait
        // over: sound comes back once the level has not moved for that
        // long, or the queue is full, so a long gap in the stream is not
        // followed by a bare start.
        startBufferTimer_.start(qMax(startBufferMs_, kMinRefillMs));
    }
    // A retry keeps saying so until sound is back.
    const bool retrying = state_ == State::Connecting && reconnection_.retries() > 0;
    if (!retrying && (engine_->refilling || !engine_->reachedPlaying)) {
        bufferPercent_ = percent;
        setState(State::Buffering);
    }
}

// Gathers again before playing on, as at the start, once the decoded sound
// has played out; until then looks again when it will have.
bool WindowsMediaPlayer::gatherAgainOncePlayedOut() {
    const gint64 queued = engine_->queuedSound();
    if (queued >= kPlayedOutNanoseconds) {
        playOutTimer_.start(int((queued - kPlayedOutNanoseconds) / GST_MSECOND) + 1);
        return false;
    }
    playOutTimer_.stop();
    engine_->setState(GST_STATE_PAUSED);
    engine_->sounding = false;
    engine_->refilling = true;
    engine_->queueFull = false;
    startBufferTimer_.start(qMax(startBufferMs_, kMinRefillMs));
    return true;
}

void WindowsMediaPlayer::customEvent(QEvent* event) {
    if (event->type() != kBusEventType) {
        QObject::customEvent(event);
        return;
    }
    const auto* bus = static_cast<BusEvent*>(event);
    if (!engine_->pipeline || bus->generation != engine_->generation) return;  // stale
    GstMessage* message = bus->message;
    const QString& host = host_;

    // Until the resolver approves the address, an end or an error only
    // ends the attempt beside it: the resolver's word is the one shown.
    if (!engine_->confirmed && (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR ||
                                GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)) {
        qCDebug(lcPlayer) << "the attempt beside the resolver ended:"
                          << GST_MESSAGE_TYPE_NAME(message);
        engine_->teardown();
        return;
    }
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(message, &error, &debug);
            const GstObject* source = GST_MESSAGE_SRC(message);
            const bool fromSink = source && GST_IS_ELEMENT(source) &&
                                  GST_OBJECT_FLAG_IS_SET(source, GST_ELEMENT_FLAG_SINK);
            const MediaFailure failure = failureFromError(error, debug, fromSink, host);
            qCDebug(lcPlayer) << "GStreamer:" << error->message << debug;
            g_clear_error(&error);
            g_free(debug);
            onFailed(failure);
            break;
        }
        case GST_MESSAGE_EOS:
            if (engine_->finite()) {
                engine_->teardown();
                setState(State::Ready);
            } else {
                onFailed(MediaFailure(MediaFailure::Kind::ConnectionLost,
                                      QStringLiteral("Connection closed by %1").arg(host)));
            }
            break;
        case GST_MESSAGE_BUFFERING: onBuffering(message); break;
        case GST_MESSAGE_STATE_CHANGED: {
            GstState oldState = GST_STATE_VOID_PENDING, newState = GST_STATE_VOID_PENDING;
            gst_message_parse_state_changed(message, &oldState, &newState, nullptr);
            if (newState == GST_STATE_PAUSED && !engine_->prerolled) {
                engine_->prerolled = true;
                noSoundTimer_.stop();
                startSoundWhenReady();
            } else if (newState == GST_STATE_PLAYING) {
                engine_->reachedPlaying = true;
                reconnection_.Played(Reconnection::Clock::now());
                resuming_ = false;
                setState(State::Playing);
            }
            break;
        }
        case GST_MESSAGE_TAG: {
            GstTagList* tags = nullptr;
            gst_message_parse_tag(message, &tags);
            gchar* title = nullptr;
            gchar* artist = nullptr;
            if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)) {
                QString text = QString::fromUtf8(title);
                // Ogg streams name the artist apart; ICY titles hold both.
                if (gst_tag_list_get_string(tags, GST_TAG_ARTIST, &artist) &&
                    !text.contains(QString::fromUtf8(artist)))
                    text = QString::fromUtf8(artist) + QStringLiteral(" - ") + text;
                setTitle(text);
            }
            g_free(title);
            g_free(artist);
            gst_tag_list_unref(tags);
            break;
        }
        case GST_MESSAGE_CLOCK_LOST:
            if (engine_->sounding) {
                engine_->setState(GST_STATE_PAUSED);
                engine_->setState(GST_STATE_PLAYING);
            }
            break;
        default: break;
    }
}

void WindowsMediaPlayer::applyVolume() {
    if (!engine_->pipeline) return;
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(engine_->pipeline),
                                 GST_STREAM_VOLUME_FORMAT_CUBIC, settings_.volume_ / 100.0);
}

void WindowsMediaPlayer::applyBalance() {
    if (!engine_->panorama) return;
    g_object_set(engine_->panorama, "panorama", gfloat(settings_.balance_ / 100.0), nullptr);
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
    // Host names and failure reasons come from servers and playlists.
    return plainText(statusText());
}

QString WindowsMediaPlayer::statusText() const {
    const int retries = reconnection_.retries();
    if (resuming_ && (state_ == State::Connecting || state_ == State::Buffering))
        return waitingText();
    switch (state_) {
        case State::Undefined: return QString();
        case State::Connecting:
            return retries > 0 ? QStringLiteral("%1 (retry %2)").arg(connectingText()).arg(retries)
                               : connectingText();
        case State::Buffering: return QStringLiteral("Buffering (%1%)").arg(bufferPercent_);
        case State::Waiting: return waitingText();
        case State::Playing: return QStringLiteral("Playing");
        case State::Stopped: return QStringLiteral("Stopped");
        case State::Ready: return QStringLiteral("Ready");
        case State::Failed: return failure_;
    }
    return QString();
}

QString WindowsMediaPlayer::connectingText() const {
    const QString host = host_.isEmpty() ? QUrl(url_, QUrl::TolerantMode).host() : host_;
    return host.isEmpty() ? QStringLiteral("Connecting...")
                          : QStringLiteral("Connecting to %1...").arg(host);
}

}  // namespace media
