#include "media/Pipeline.h"

#include <QFile>

#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <chrono>

#include "media/HttpSource.h"

namespace media {
namespace {

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

bool Pipeline::Build(const QUrl& address, const QString& audioFile, bool speculative) {
    Teardown();
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* sink = makeAudioSink(audioFile);
    if (!playbin || !sink) {
        if (playbin) gst_object_unref(gst_object_ref_sink(playbin));
        if (sink) gst_object_unref(gst_object_ref_sink(sink));
        return false;
    }
    pipeline_ = GST_ELEMENT(gst_object_ref_sink(playbin));
    request_ = std::make_shared<SourceRequest>();
    address_ = address;
    confirmed = !speculative;
    prerolled = reachedPlaying = false;
    steady_->store(false);
    ++generation_;
    g_object_set(pipeline_, "uri", address.toEncoded().constData(), "flags",
                 kPlayFlagAudio | kPlayFlagSoftVolume, "audio-sink", sink, "buffer-duration",
                 kBufferNanoseconds, nullptr);
    // Without sinks of its own choosing playbin still makes video sinks
    // (DirectFB, KMS, Wayland) to ask what they take whenever a stream
    // looks like video for a moment, and DirectFB crashed doing so.
    for (const char* property : {"video-sink", "text-sink"}) {
        if (GstElement* nothing = gst_element_factory_make("fakesink", nullptr))
            g_object_set(pipeline_, property, nothing, nullptr);
    }
    panorama_ = gst_element_factory_make("audiopanorama", nullptr);
    if (panorama_) {
        gst_object_ref_sink(panorama_);
        gst_util_set_object_arg(G_OBJECT(panorama_), "method", "simple");
        g_object_set(pipeline_, "audio-filter", panorama_, nullptr);
    }
    refuseForeignSources(pipeline_);
    g_signal_connect_data(
        pipeline_, "source-setup", G_CALLBACK(onSourceSetup),
        new SourceSetup{qgetenv("SSL_CERT_FILE"), speculative, request_},
        [](gpointer setup, GClosure*) { delete static_cast<SourceSetup*>(setup); },
        GConnectFlags(0));
    BridgeBus(pipeline_, mailbox_, generation_, steady_);
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    return true;
}

void Pipeline::Teardown() {
    if (!pipeline_) return;
    CloseBus(pipeline_);
    // Stopping can wait on a streaming thread stuck in a dead socket, and
    // waits for an answer under way; let one of GStreamer's pool threads
    // wait instead of the window.
    gst_element_call_async(
        pipeline_,
        [](GstElement* e, gpointer data) {
            (*static_cast<std::shared_ptr<SourceRequest>*>(data))->waitUntilSettled(kLongestAnswer);
            gst_element_set_state(e, GST_STATE_NULL);
        },
        new std::shared_ptr<SourceRequest>(std::move(request_)),
        [](gpointer data) { delete static_cast<std::shared_ptr<SourceRequest>*>(data); });
    if (panorama_) gst_object_unref(panorama_);
    if (soundQueue_) gst_object_unref(soundQueue_);
    gst_object_unref(pipeline_);
    panorama_ = nullptr;
    soundQueue_ = nullptr;
    pipeline_ = nullptr;
    address_.clear();
    ++generation_;
}

bool Pipeline::IsPipeline(const GstObject* object) const {
    return pipeline_ && object == GST_OBJECT_CAST(pipeline_);
}

void Pipeline::Play() {
    if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

void Pipeline::Pause() {
    if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_PAUSED);
}

void Pipeline::RestartClock() {
    Pause();
    Play();
}

void Pipeline::SetVolume(int volume) {
    if (!pipeline_) return;
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(pipeline_), GST_STREAM_VOLUME_FORMAT_CUBIC,
                                 volume / 100.0);
}

void Pipeline::SetBalance(int balance) {
    if (panorama_) g_object_set(panorama_, "panorama", gfloat(balance / 100.0), nullptr);
}

qint64 Pipeline::SourceBytes() const {
    gint64 bytes = 0;
    GstElement* source = nullptr;
    if (pipeline_) g_object_get(pipeline_, "source", &source, nullptr);
    if (source) {
        if (!gst_element_query_position(source, GST_FORMAT_BYTES, &bytes)) bytes = 0;
        gst_object_unref(source);
    }
    return bytes;
}

qint64 Pipeline::DecodedNs() {
    if (!soundQueue_ && pipeline_) soundQueue_ = gst_bin_get_by_name(GST_BIN(pipeline_), "aqueue");
    if (!soundQueue_) return -1;
    guint64 queued = 0;
    g_object_get(soundQueue_, "current-level-time", &queued, nullptr);
    return qint64(queued);
}

bool Pipeline::Finite() const {
    gint64 duration = 0;
    return pipeline_ && gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &duration) &&
           duration > 0;
}

}  // namespace media
