// GIO first: its headers name fields "signals", which Qt makes a macro.
#include <gio/gio.h>

#include "media/HttpSource.h"

#include <gst/base/gstadapter.h>
#include <gst/base/gsttypefindhelper.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "media/Playlists.h"

namespace media {

namespace {

constexpr guint kTimeoutSeconds = 10;

// Measured on Icecast MP3 streams: a first piece of 1 KiB was taken for
// H.264 in one of eight connects, 2 KiB in one of six hundred, 4 KiB in
// none. Twice that, about a second of a 64 kbit/s station, at most.
constexpr gsize kHoldBytes = 8 * 1024;

// What is held goes on sooner when GStreamer's typefinders already take it
// for audio: the typefinders that judge it next (icydemux's, or the
// typefind element's, which wants 2 KiB) then see the same bytes and say
// the same. Tried again each time this much more has come.
constexpr gsize kFirstLookBytes = 2 * 1024;
constexpr gsize kLookAgainBytes = 1024;

// More than the longest MPEG audio frame, and than ADTS frames at any
// bit rate a station uses: the torn frame is shorter.
constexpr gsize kMaxBlankBytes = 4 * 1024;

bool audioCaps(const GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return false;
    const gchar* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    // Tags in front of the audio are fine: their demuxers find the audio.
    return g_str_has_prefix(name, "audio/") || g_str_equal(name, "application/ogg") ||
           g_str_equal(name, "application/x-id3") || g_str_equal(name, "application/x-apetag");
}

bool typefindsAsAudio(const guint8* data, gsize size) {
    GstCaps* caps = gst_type_find_helper_for_data(nullptr, data, size, nullptr);
    const bool audio = audioCaps(caps);
    if (caps) gst_caps_unref(caps);
    return audio;
}

bool declaresAudio(const gchar* contentType) {
    if (!contentType) return false;
    const QByteArray type = QByteArray(contentType).trimmed().toLower();
    return playlists::isStreamContentType(type) && !type.startsWith("video/");
}

struct Guard {
    std::shared_ptr<SourceRequest> request;
    GstAdapter* held = gst_adapter_new();
    gint metaInterval = 0;  // ICY: audio bytes before the first metadata block
    bool declaredAudio = false;
    bool released = false;
    gsize nextLook = kFirstLookBytes;

    explicit Guard(std::shared_ptr<SourceRequest> r) : request(std::move(r)) {}
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    ~Guard() { g_object_unref(held); }

    // Nothing to hold for a playlist or an error page: only streams.
    bool holding() const { return declaredAudio || metaInterval > 0; }

    // The first audio bytes (before any ICY metadata) read as audio.
    bool heldIsAudio() {
        const gsize available = gst_adapter_available(held);
        if (available < nextLook) return false;
        nextLook = available + kLookAgainBytes;
        const gsize audio =
            metaInterval > 0 ? qMin<gsize>(available, gsize(metaInterval)) : available;
        const auto* data = static_cast<const guint8*>(gst_adapter_map(held, audio));
        const bool sure = data && typefindsAsAudio(data, audio);
        if (data) gst_adapter_unmap(held);
        return sure;
    }

    GstBuffer* release() {
        GstBuffer* buffer = gst_adapter_take_buffer(held, gst_adapter_available(held));
        if (!declaredAudio) return buffer;
        buffer = gst_buffer_make_writable(buffer);
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
            const gsize audio =
                metaInterval > 0 ? qMin<gsize>(map.size, gsize(metaInterval)) : map.size;
            unmisleadStreamStart(map.data, audio);
            gst_buffer_unmap(buffer, &map);
        }
        return buffer;
    }

    void readEvent(GstEvent* event) {
        const GstStructure* s = gst_event_get_structure(event);
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            const GstStructure* c = gst_caps_get_structure(caps, 0);
            if (c && gst_structure_has_name(c, "application/x-icy")) {
                gst_structure_get_int(c, "metadata-interval", &metaInterval);
                if (declaresAudio(gst_structure_get_string(c, "content-type")))
                    declaredAudio = true;
            }
        } else if (s && gst_structure_has_name(s, "http-headers")) {
            request->answered();
            GstStructure* response = nullptr;
            if (!gst_structure_get(s, "response-headers", GST_TYPE_STRUCTURE, &response, nullptr))
                return;
            // Header names keep the server's spelling.
            for (int i = 0; i < gst_structure_n_fields(response); ++i) {
                const gchar* field = gst_structure_nth_field_name(response, i);
                if (g_ascii_strcasecmp(field, "Content-Type") == 0 &&
                    declaresAudio(gst_structure_get_string(response, field)))
                    declaredAudio = true;
            }
            gst_structure_free(response);
        }
    }
};

GstPadProbeReturn onSourceData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* guard = static_cast<Guard*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        switch (GST_EVENT_TYPE(event)) {
            // pushed just before the source's first request
            case GST_EVENT_STREAM_START: guard->request->sent(); break;
            case GST_EVENT_FLUSH_STOP: gst_adapter_clear(guard->held); break;
            case GST_EVENT_EOS:
                // what follows a failed request, too
                guard->request->answered();
                // A stream shorter than the hold: hand over what came.
                if (!guard->released && gst_adapter_available(guard->held) > 0) {
                    guard->released = true;
                    gst_pad_push(pad, guard->release());
                }
                break;
            default: guard->readEvent(event); break;
        }
        return GST_PAD_PROBE_OK;
    }
    if (guard->released) return GST_PAD_PROBE_OK;  // what the end handed over
    guard->request->answered();
    if (!(info->type & GST_PAD_PROBE_TYPE_BUFFER) || !guard->holding()) return GST_PAD_PROBE_REMOVE;
    gst_adapter_push(guard->held, GST_PAD_PROBE_INFO_BUFFER(info));
    if (gst_adapter_available(guard->held) < kHoldBytes && !guard->heldIsAudio())
        return GST_PAD_PROBE_HANDLED;
    GST_PAD_PROBE_INFO_DATA(info) = guard->release();
    return GST_PAD_PROBE_REMOVE;
}

void onElementAdded(GstBin* pipeline, GstBin*, GstElement* element, gpointer) {
    if (!GST_IS_URI_HANDLER(element) ||
        gst_uri_handler_get_uri_type(GST_URI_HANDLER(element)) != GST_URI_SRC)
        return;
    gchar* uri = gst_uri_handler_get_uri(GST_URI_HANDLER(element));
    gchar* scheme = uri ? g_uri_parse_scheme(uri) : nullptr;
    if (scheme && g_ascii_strcasecmp(scheme, "http") != 0 &&
        g_ascii_strcasecmp(scheme, "https") != 0) {
        // Added is not yet started; locked, its bin never starts it.
        gst_element_set_locked_state(element, TRUE);
        // Straight to the pipeline's bus: a demuxer would take an error
        // from its own source for a failed download and try the next.
        GError* error = g_error_new(refusedSourceQuark(), 0, "%s:", scheme);
        if (GstBus* bus = gst_element_get_bus(GST_ELEMENT(pipeline))) {
            gst_bus_post(bus, gst_message_new_error(GST_OBJECT(element), error, uri));
            gst_object_unref(bus);
        }
        g_error_free(error);
    }
    g_free(scheme);
    g_free(uri);
}

// The database of a PEM file, read once per file: reading a system bundle
// takes milliseconds, and a new connection needs it again. Null when the
// file is unreadable (the system's trust stays, and says no).
GTlsDatabase* trustedAuthorities(const char* caFile) {
    static std::mutex lock;
    static QByteArray file;
    static GTlsDatabase* database = nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (!database || file != caFile) {
        g_clear_object(&database);
        file = caFile;
        GError* error = nullptr;
        database = g_tls_file_database_new(caFile, &error);
        g_clear_error(&error);
    }
    return database ? G_TLS_DATABASE(g_object_ref(database)) : nullptr;
}

}  // namespace

void SourceRequest::sent() {
    std::lock_guard<std::mutex> guard(lock_);
    sent_ = true;
}

void SourceRequest::answered() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        answered_ = true;
    }
    settled_.notify_all();
}

void SourceRequest::waitUntilSettled(std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> guard(lock_);
    settled_.wait_for(guard, most, [this] { return !sent_ || answered_; });
}

GQuark refusedSourceQuark() {
    return g_quark_from_static_string("klankor-refused-source");
}

void refuseForeignSources(GstElement* pipeline) {
    g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(onElementAdded), nullptr);
}

bool unmisleadStreamStart(guint8* data, gsize audioBytes) {
    if (audioBytes == 0 || typefindsAsAudio(data, audioBytes)) return false;
    // Blank 1, 2, 4 ... bytes: a stray '[' or NAL start code is gone early.
    const gsize most = qMin(kMaxBlankBytes, audioBytes / 2);
    const auto original = std::make_unique<guint8[]>(most);
    std::memcpy(original.get(), data, most);
    for (gsize blank = 1; blank <= most; blank *= 2) {
        std::memset(data, 0, blank);
        if (typefindsAsAudio(data, audioBytes)) return true;
    }
    // No better for it: let GStreamer judge the bytes as they came.
    std::memcpy(data, original.get(), most);
    return false;
}

void setUpHttpSource(GstElement* source, const char* caFile,
                     std::shared_ptr<SourceRequest> request) {
    // We reconnect ourselves; souphttpsrc's own retries would only hide a
    // stalled server for several time-outs in a row.
    g_object_set(source, "timeout", kTimeoutSeconds, "retries", 0, "user-agent", "Klankor/0.1",
                 nullptr);
    // With libsoup 3 souphttpsrc ignores its ssl-ca-file property; a
    // database of our own is what it uses. Only https needs one.
    gchar* location = nullptr;
    g_object_get(source, "location", &location, nullptr);
    const bool secure = location && g_ascii_strncasecmp(location, "https:", 6) == 0;
    g_free(location);
    if (caFile && secure) {
        if (GTlsDatabase* trusted = trustedAuthorities(caFile)) {
            g_object_set(source, "tls-database", trusted, nullptr);
            g_object_unref(trusted);
        }
    }
    GstPad* pad = gst_element_get_static_pad(source, "src");
    if (!pad) return;
    gst_pad_add_probe(
        pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        onSourceData, new Guard(std::move(request)),
        [](gpointer guard) { delete static_cast<Guard*>(guard); });
    gst_object_unref(pad);
}

}  // namespace media
