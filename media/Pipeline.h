#pragma once
// One address as GStreamer plays it: a playbin with audio only, its HTTP
// source set up as the player wants it, a balance element, and a sink (the
// sound card, or a file in real time). Made paused, gathering; each has a
// generation of its own, and its bus goes to the player's mailbox.

#include <QString>
#include <QUrl>

#include <memory>

#include "media/BusBridge.h"

typedef struct _GstElement GstElement;
typedef struct _GstObject GstObject;

namespace media {

class SourceRequest;

class Pipeline {
public:
    explicit Pipeline(std::shared_ptr<Mailbox> mailbox) : mailbox_(std::move(mailbox)) {}
    ~Pipeline() { Teardown(); }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // A new pipeline for the address, in place of any there was. A
    // speculative one plays an address the resolver has not approved yet:
    // it follows no redirect. False when GStreamer cannot make one.
    bool Build(const QUrl& address, const QString& audioFile, bool speculative);
    // Gone at once for the player; the pipeline itself stops on one of
    // GStreamer's threads.
    void Teardown();

    bool exists() const { return pipeline_ != nullptr; }
    quint64 generation() const { return generation_; }
    const QUrl& address() const { return address_; }
    bool IsPipeline(const GstObject* object) const;

    void Play();
    void Pause();
    // The clock went (the sound device changed): a new one is chosen.
    void RestartClock();
    void SetVolume(int volume);    // 0..100, perceptual (cubic) loudness
    void SetBalance(int balance);  // -100 (left) .. 100 (right)
    // Whether only a full or an empty network queue matters now.
    void SetSteady(bool steady) { steady_->store(steady, std::memory_order_relaxed); }

    // What the source has read so far; 0 when it does not say.
    qint64 SourceBytes() const;
    // Decoded sound waiting for the sink, in nanoseconds; -1 when not known.
    qint64 DecodedNs();
    // Finite media (a file with a known length) ends; a live stream has no
    // duration, so its end means the connection dropped.
    bool Finite() const;

    // What the player knows of it.
    bool confirmed = false;       // the resolver found the address to be the stream
    bool prerolled = false;       // sound is waiting at the sink
    bool reachedPlaying = false;  // it has played

private:
    std::shared_ptr<Mailbox> mailbox_;
    std::shared_ptr<Steady> steady_ = std::make_shared<Steady>(false);
    GstElement* pipeline_ = nullptr;
    GstElement* panorama_ = nullptr;
    GstElement* soundQueue_ = nullptr;        // playbin's audio queue, once found
    std::shared_ptr<SourceRequest> request_;  // its source's, stopped only when settled
    QUrl address_;
    quint64 generation_ = 0;
};

}  // namespace media
