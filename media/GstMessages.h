#pragma once
// What a pipeline's messages say, as the player needs it: an error as the
// failure the listener reads, tags as the title of what plays.

#include <QString>

#include <optional>

#include "media/MediaFailure.h"

typedef struct _GstMessage GstMessage;

namespace media {

// The failure an error message stands for, naming `host` where the server
// is to blame; `said` gets GStreamer's own text, for the log. GStreamer's
// texts ("Internal data stream error", "missing a plug-in") mean nothing
// to a listener, so the failure names the cause instead.
MediaFailure FailureFromError(GstMessage* error, const QString& host, QString* said);

// The title a tag message gives what plays, with its artist where the
// stream names one apart; nothing when it gives none. As sent: not yet
// plain text.
std::optional<QString> TitleFromTags(GstMessage* tags);

}  // namespace media
