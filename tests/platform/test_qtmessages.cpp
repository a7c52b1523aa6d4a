#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QtGlobal>

#include "QtMessages.h"

namespace {
std::vector<std::string> seen;
void Capture(QtMsgType Type, const QMessageLogContext&, const QString& Message) {
    seen.push_back(std::to_string(static_cast<int>(Type)) + " " + Message.toStdString());
}
}  // namespace

// The offscreen platform's size-hint warning is dropped; everything else
// reaches the handler that was there before, as it was said.
TEST(QtMessages, OnlyThePlatformsSizeHintWarningIsDropped) {
    const QtMessageHandler before = qInstallMessageHandler(Capture);
    qtmessages::DropPlatformNoise();
    qtmessages::DropPlatformNoise();  // a second time changes nothing
    seen.clear();
    qWarning("This plugin does not support propagateSizeHints()");
    qWarning("This plugin does not support raise()");
    qDebug("This plugin does not support propagateSizeHints()");
    qCritical("This plugin does not support propagateSizeHints() on screen 2");
    const std::vector<std::string> expected = {
        std::to_string(QtWarningMsg) + " This plugin does not support raise()",
        std::to_string(QtDebugMsg) + " This plugin does not support propagateSizeHints()",
        std::to_string(QtCriticalMsg) + " This plugin does not support propagateSizeHints() on screen 2",
    };
    EXPECT_EQ(seen, expected);
    qInstallMessageHandler(before);
}
