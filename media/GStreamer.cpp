#include "media/GStreamer.h"

#include <gst/gst.h>

#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace media::gstreamer {
namespace {

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

// Loading GStreamer's plugins (dlopen, libsoup, the typefinders ...) takes
// tens of milliseconds the first time; done while the listener is still
// choosing a station, once the window is up, so it does not compete with
// the start.
//
// Never beside a pipeline, though: GStreamer marks a plugin loaded before
// it has registered the plugin's features, and a pipeline that looks one
// up in between goes on without it. An AAC station started at login while
// the preload ran now and then stayed silent: its bytes came and went, and
// no decoder was ever made. So a pipeline asked for meanwhile is built when
// the preload is over, and none begins after a pipeline has. Waiting for
// it instead kept the window from answering for up to a second.
struct Preloading {
    enum class Stage { NotYet, Running, Over };
    std::mutex lock;
    Stage stage = Stage::NotYet;
    std::vector<std::function<void()>> whenOver;
};

Preloading& preloading() {
    static Preloading p;
    return p;
}

void loadPlugins() {
    for (const char* name :
         {"playbin", "uridecodebin", "souphttpsrc", "typefind", "decodebin", "queue2",
          "audiopanorama", "autoaudiosink", "audioconvert", "audioresample", "filesink", "icydemux",
          "mpegaudioparse", "mpg123audiodec"}) {
        GstPluginFeature* feature = gst_registry_lookup_feature(gst_registry_get(), name);
        if (!feature) continue;
        if (GstPluginFeature* loaded = gst_plugin_feature_load(feature)) gst_object_unref(loaded);
        gst_object_unref(feature);
    }
    if (GstPlugin* typefinders = gst_plugin_load_by_name("typefindfunctions"))
        gst_object_unref(typefinders);
}

}  // namespace

// Started on a worker thread instead, a station started during a loaded
// start-up now and then failed with "Not found (404)", a cause not yet
// understood; on the window's thread its start (reading the plugin
// registry, some 20 ms) comes when the first station opens, or just after
// the first frame.
bool Start() {
    static const bool available = [] {
        GError* error = nullptr;
        const bool started = gst_init_check(nullptr, nullptr, &error);
        g_clear_error(&error);
        if (started) dropLibavTypefinders();
        return started;
    }();
    return available;
}

void Preload() {
    if (!Start()) return;
    Preloading& p = preloading();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        if (p.stage != Preloading::Stage::NotYet) return;
        p.stage = Preloading::Stage::Running;
    }
    std::thread([&p] {
        loadPlugins();
        std::vector<std::function<void()>> waiting;
        {
            std::lock_guard<std::mutex> guard(p.lock);
            p.stage = Preloading::Stage::Over;
            waiting.swap(p.whenOver);
        }
        for (const std::function<void()>& then : waiting) then();
    }).detach();
}

bool MayBuild(std::function<void()> whenOver) {
    Preloading& p = preloading();
    std::lock_guard<std::mutex> guard(p.lock);
    switch (p.stage) {
        case Preloading::Stage::NotYet: p.stage = Preloading::Stage::Over; return true;
        case Preloading::Stage::Over: return true;
        case Preloading::Stage::Running: p.whenOver.push_back(std::move(whenOver)); return false;
    }
    return true;
}

}  // namespace media::gstreamer
