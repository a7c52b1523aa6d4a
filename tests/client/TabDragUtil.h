// Dragging a tab with the mouse, as the user does: press on the tab, move
// in a few steps, let go.
#pragma once
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include "U_EditorResultConsole.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"

#include "ScreenMetrics.h"

namespace clienttest {

// Presses tab Index of Bar, moves the mouse to To (global) in a few steps, lets go there.
inline void DragTab(QTabBar* Bar, int Index, QPoint To) {
    const QPoint from = Bar->mapToGlobal(Bar->tabRect(Index).center());
    auto send = [Bar](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, Bar->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(Bar, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i) send(QEvent::MouseMove, from + (To - from) * i / 4, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
}

// The client window's size when the settings give none: nine tenths of the screen.
inline QSize DefaultClientSize() {
    const screen::TScreenSize s = screen::VirtualScreenSize();
    return {static_cast<int>(s.Width * 0.9 + 0.5), static_cast<int>(s.Height * 0.9 + 0.5)};
}

// With ZINTAVOR_SCREENSHOT_DIR set, the screen as it is now is saved there as
// Name.png (the screenshot script runs the floating tests on a virtual display),
// once Frame's result consoles show what they held back and every shown window
// has been exposed.
inline void SaveScreen(TFrameSQLClient& Frame, const char* Name) {
    const char* dir = std::getenv("ZINTAVOR_SCREENSHOT_DIR");
    if (!dir || !*dir) return;
    for (int i = 0; i < Frame.ResultSeetManager->GetCount(); ++i)
        if (auto* console = dynamic_cast<TEditorResultConsole*>(Frame.ResultSeetManager->GetForm(i)->Console()))
            console->ApplyView();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w)) << Name;
        }
    }
    QApplication::processEvents();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(Name) + QStringLiteral(".png"));
}

}  // namespace clienttest
