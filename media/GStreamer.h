#pragma once
// GStreamer for the whole process: started once, on the thread that asks
// first, and its plugins loaded ahead on a thread of their own while the
// listener chooses a station, but never beside a pipeline.

#include <functional>

namespace media::gstreamer {

// Starts GStreamer once; later calls only answer. False when it cannot start.
bool Start();

// Starts GStreamer and loads the plugins a station needs on a thread of
// its own, unless a pipeline was asked for first. For a moment when the
// window is up and nothing plays yet.
void Preload();

// Whether a pipeline may be built now. While a preload runs it may not:
// then `whenOver` is called, on the preload's thread, as the preload ends.
// From the first pipeline on, no preload begins.
bool MayBuild(std::function<void()> whenOver);

}  // namespace media::gstreamer
