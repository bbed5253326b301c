#pragma once
// GStreamer's sources set up for radio: HTTP ones only, and ready for what
// radio servers send.
//
// What GStreamer decides a radio stream is rests on its first bytes. A live
// stream joined at any moment starts in the middle of an audio frame, and
// icydemux (every Icecast and SHOUTcast stream with titles) judges the type
// from the first piece the network hands over, however short, taking even
// a weak guess and ignoring the server's Content-Type: now and then an MP3
// station turned out to be H.264 video or LRC subtitles, and failed.

#include <gst/gst.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace media {

// Whether a source's request is out and not yet answered. libsoup 3.2
// crashes when a request is cancelled after the server's answer came but
// before souphttpsrc took it (the answer, freed with the cancelled task,
// closes a stream whose connection is already gone); stopping a pipeline
// cancels its request, so a pipeline is stopped only before its request
// went out or once it is answered. A server that never answers gives up
// at the source's time-out, which is shorter than any wait here.
class SourceRequest {
public:
    void sent();
    void answered();
    // Returns once the request is answered or was never sent, or after `most`.
    void waitUntilSettled(std::chrono::milliseconds most);

private:
    std::mutex lock_;
    std::condition_variable settled_;
    bool sent_ = false;
    bool answered_ = false;
};

// Sets up a souphttpsrc: our time-out, no retries of its own, trust in the
// authorities of `caFile` (a PEM file, as SSL_CERT_FILE names) when given
// instead of the system's, and a watch on its output: it holds back the
// first bytes until there are enough for a sure decision, and when the
// server declares audio but the typefinders, misled by the torn frame at
// the start, say otherwise, blanks that torn frame (it decodes to nothing
// anyway) until they agree. Byte counts stay as they are, so ICY metadata
// keeps its place. `request` learns when the request goes out and when it
// is answered. Runs on the thread that sets up the source.
void setUpHttpSource(GstElement* source, const char* caFile,
                     std::shared_ptr<SourceRequest> request);

// Live playlists change after the resolver checked them, and GStreamer's
// HLS demuxer opens whatever a new version names with any source it has:
// file:, and every scheme GIO knows. Makes every source that `pipeline`
// gains for another scheme than http or https fail before it opens
// anything, with an error in the domain below whose message names the
// scheme ("file:").
void refuseForeignSources(GstElement* pipeline);
GQuark refusedSourceQuark();

// The check on its own, in place: `data` is the start of a stream that the
// server declared to be audio, `audioBytes` how many of its bytes come
// before any ICY metadata. Returns true when it changed bytes.
bool unmisleadStreamStart(guint8* data, gsize audioBytes);

}  // namespace media
