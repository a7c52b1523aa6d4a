// Qt's own messages on the error output. One warning of the offscreen
// platform ("This plugin does not support propagateSizeHints()", printed
// whenever a window with a fixed size is shown) says nothing to the user and
// is dropped; every other message goes on to the handler that was there
// before, unchanged.
#pragma once
#include <QString>
#include <QtGlobal>

namespace qtmessages {

// Whether the message is the one dropped.
bool IsPlatformNoise(QtMsgType Type, const QString& Message);
// Installs the filter in front of the current message handler (when the
// filter is that handler already, nothing changes).
void DropPlatformNoise();

}  // namespace qtmessages
