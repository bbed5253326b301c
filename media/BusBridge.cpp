#include "media/BusBridge.h"

#include <QCoreApplication>

#include <gst/gst.h>

#include "media/BufferingRules.h"

namespace media {
namespace {

struct BusLink {
    std::shared_ptr<Mailbox> mailbox;
    quint64 generation;
    GstElement* pipeline;  // not owned; only compared with message sources
    std::shared_ptr<const Steady> steady;
};

// A report of the network queue that would change nothing while the player
// plays steadily: neither full nor run dry. Read here, on the queue's own
// thread, which posts its reports without holding its lock.
bool unchanging(GstMessage* message) {
    gint percent = 0;
    gst_message_parse_buffering(message, &percent);
    return percent < 100 &&
           QueuedBytes(GST_MESSAGE_SRC(message)) >= BufferingRules::kEmptyQueueBytes;
}

// Runs on whichever GStreamer thread posts.
GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const auto* link = static_cast<const BusLink*>(data);
    bool wanted = false;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_TAG:
        case GST_MESSAGE_CLOCK_LOST: wanted = true; break;
        case GST_MESSAGE_BUFFERING:
            wanted = !(link->steady->load(std::memory_order_relaxed) && unchanging(message));
            break;
        case GST_MESSAGE_STATE_CHANGED:
            wanted = GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(link->pipeline);
            break;
        default: break;
    }
    if (wanted) link->mailbox->Post(new BusEvent(message, link->generation));
    // A dropped message is the handler's to release; kept, it would hold
    // its source, and so the whole pipeline, for ever.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

}  // namespace

const QEvent::Type BusEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

BusEvent::BusEvent(GstMessage* msg, quint64 gen)
    : QEvent(kType), message(gst_message_ref(msg)), generation(gen) {}

BusEvent::~BusEvent() {
    gst_message_unref(message);
}

void Mailbox::Post(QEvent* event) {
    std::lock_guard<std::mutex> guard(lock_);
    if (target_) {
        QCoreApplication::postEvent(target_, event);
    } else {
        delete event;
    }
}

void Mailbox::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    target_ = nullptr;
}

void BridgeBus(GstElement* pipeline, std::shared_ptr<Mailbox> mailbox, quint64 generation,
               std::shared_ptr<const Steady> steady) {
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(
        bus, onBusMessage, new BusLink{std::move(mailbox), generation, pipeline, std::move(steady)},
        [](gpointer link) { delete static_cast<BusLink*>(link); });
    gst_object_unref(bus);
}

qint64 QueuedBytes(GstObject* queue) {
    if (!queue || !g_object_class_find_property(G_OBJECT_GET_CLASS(queue), "current-level-bytes"))
        return -1;
    guint bytes = 0;
    g_object_get(queue, "current-level-bytes", &bytes, nullptr);
    return bytes;
}

void CloseBus(GstElement* pipeline) {
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    // With no handler left, messages would pile up on the bus, each holding
    // the pipeline that holds the bus: drop them, and any still to come.
    gst_bus_set_flushing(bus, TRUE);
    gst_object_unref(bus);
}

}  // namespace media
