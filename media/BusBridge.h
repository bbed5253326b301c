#pragma once
// From GStreamer's threads to the player's. A pipeline's bus hands the
// messages the player acts on to the player's thread, stamped with the
// pipeline's generation, so that messages still under way from an earlier
// pipeline are known as such. A GLib bus watch would need a GLib main loop,
// which Qt does not promise.

#include <QEvent>
#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstObject GstObject;

namespace media {

// Where GStreamer's threads drop what they have for the player, for as long
// as the player exists: the lock lets it leave while something is posted.
class Mailbox {
public:
    explicit Mailbox(QObject* target) : target_(target) {}
    void Post(QEvent* event);  // dropped once the target is gone
    void Close();              // the target goes

private:
    std::mutex lock_;
    QObject* target_;
};

// A message of a pipeline's bus, on the player's thread.
class BusEvent : public QEvent {
public:
    static const QEvent::Type kType;
    BusEvent(GstMessage* message, quint64 generation);
    ~BusEvent() override;
    BusEvent(const BusEvent&) = delete;
    BusEvent& operator=(const BusEvent&) = delete;

    GstMessage* const message;
    const quint64 generation;
};

// Set by the player as it plays along, read on GStreamer's threads: while
// true, a buffering report whose network queue is neither full nor empty
// changes nothing, and stays where it is. A server that sends no burst
// keeps the queue in between, and reports some thirty times a second.
using Steady = std::atomic<bool>;

// Hands the pipeline's messages that the player acts on to the mailbox.
void BridgeBus(GstElement* pipeline, std::shared_ptr<Mailbox> mailbox, quint64 generation,
               std::shared_ptr<const Steady> steady);
// The bytes in the network queue that sent a buffering report; -1 when it
// does not say.
qint64 QueuedBytes(GstObject* queue);

// No more messages: none is handed on, and what is on the bus or still
// comes is dropped, so nothing holds the pipeline.
void CloseBus(GstElement* pipeline);

}  // namespace media
