#include "QtMessages.h"

#include <QMessageLogContext>

namespace qtmessages {

namespace {
QtMessageHandler& Previous() {
    static QtMessageHandler previous = nullptr;
    return previous;
}

void Filter(QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
    if (IsPlatformNoise(Type, Message)) return;
    if (QtMessageHandler previous = Previous()) previous(Type, Context, Message);
}
}  // namespace

bool IsPlatformNoise(QtMsgType Type, const QString& Message) {
    return Type == QtWarningMsg && Message == QLatin1String("This plugin does not support propagateSizeHints()");
}

void DropPlatformNoise() {
    const QtMessageHandler current = qInstallMessageHandler(Filter);
    if (current != Filter) Previous() = current;
}

}  // namespace qtmessages
