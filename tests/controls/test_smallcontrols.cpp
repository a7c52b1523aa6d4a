#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include "KZNDragObject.h"
#include "KZNDropTarget.h"
#include "KZNInVisibleWindow.h"
#include "KZNMessageDlg.h"
#include "KZNPanelEx.h"
#include "KZNRectangle.h"
#include "QtTestApp.h"
#include "TestUtil.h"

TEST(Rectangle, EveryBoundCountsAsInside) {
    const TRect r{10, 20, 30, 40};
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {
        {10, 20, true},  {30, 40, true},  {30, 20, true},  {10, 40, true}, {20, 30, true},
        {9, 30, false},  {31, 30, false}, {20, 19, false}, {20, 41, false},
    };
    for (const auto& c : cases) EXPECT_EQ(TRectangle::IsPointInRect(r, {c.x, c.y}), c.inside) << c.x << "," << c.y;

    testutil::App();
    QWidget w;
    w.resize(50, 20);
    EXPECT_TRUE(TRectangle::IsPointInControl(&w, {50, 20}));
    EXPECT_TRUE(TRectangle::IsPointInControl(&w, {0, 0}));
    EXPECT_FALSE(TRectangle::IsPointInControl(&w, {51, 0}));
    EXPECT_FALSE(TRectangle::IsPointInControl(&w, {-1, 5}));
}

struct PanelFixture : ::testing::Test, testutil::WithApp {
    TKZNPanelEx panel;
    PanelFixture() {
        panel.resize(300, 30);
        panel.SetCaption("ConnectionInfo");
        panel.show();
    }
};

TEST_F(PanelFixture, CaptionPlacement) {
    TLabelEx* label = panel.Label();
    QRect client = panel.contentsRect();
    EXPECT_EQ(label->x(), client.left() + (client.width() - label->width()) / 2);
    EXPECT_EQ(label->y(), client.top() + (client.height() - label->height()) / 2);

    panel.SetAlignment(taLeftJustify);
    panel.SetAlignOffset(8);
    EXPECT_EQ(label->x(), client.left() + 8);
    panel.SetAlignOffset(-5);  // ignored: the caption stays
    EXPECT_EQ(panel.GetAlignOffset(), 8);
    EXPECT_EQ(label->x(), client.left() + 8);

    panel.SetAlignment(taRightJustify);
    panel.SetShadowOffset(2);
    EXPECT_EQ(label->x() + label->width(), client.left() + client.width() - 8 - 2);

    panel.SetShowShadow(true);
    EXPECT_TRUE(label->Shadow()->isVisible());
    EXPECT_EQ(label->Shadow()->pos(), label->pos() + QPoint(2, 2));
    EXPECT_EQ(label->Shadow()->text(), label->text());

    panel.resize(400, 50);  // follows the size
    client = panel.contentsRect();
    EXPECT_EQ(label->x() + label->width(), client.left() + client.width() - 8 - 2);
}

TEST_F(PanelFixture, SelectedHighlightsAndRestores) {
    std::vector<std::string> log;
    panel.SelectedChange = [&](TKZNPanelEx* p, bool v) {
        log.push_back(std::string(v ? "to true" : "to false") + (p->GetSelected() ? " from true" : " from false"));
    };
    panel.SetShowShadow(true);
    panel.SetColor(clWhite);
    panel.SetFontColor(clNavy);
    panel.SetSelected(true);
    EXPECT_EQ(panel.GetColor(), clHighlight);
    EXPECT_EQ(panel.GetFontColor(), clHighlightText);
    EXPECT_FALSE(panel.Label()->Shadow()->isVisible());
    panel.SetSelected(true);  // no change, no event
    panel.SetSelected(false);
    EXPECT_EQ(panel.GetColor(), clWhite);
    EXPECT_EQ(panel.GetFontColor(), clNavy);
    EXPECT_TRUE(panel.Label()->Shadow()->isVisible());
    EXPECT_EQ(log, (std::vector<std::string>{"to true from false", "to false from true"}));

    // grey text stays grey while highlighted
    panel.SetFontColor(clGrayText);
    panel.SetSelected(true);
    EXPECT_EQ(panel.GetFontColor(), clGrayText);
    panel.SetSelected(false);
    EXPECT_EQ(panel.GetFontColor(), clGrayText);
}

TEST_F(PanelFixture, MouseOverFiresOnEnterAndLeave) {
    std::vector<bool> log;
    panel.OnMouseOver = [&](TKZNPanelEx*, bool inside) { log.push_back(inside); };
    QRect inner = panel.InnerScreenRect();
    panel.PollMouse(inner.topLeft() - QPoint(1, 1));
    panel.PollMouse(inner.topLeft());
    panel.PollMouse(inner.center());
    panel.PollMouse(QPoint(inner.left() + inner.width(), inner.top() + inner.height()));  // the far edges count
    panel.PollMouse(QPoint(inner.left() + inner.width() + 1, inner.top()));
    EXPECT_EQ(log, (std::vector<bool>{true, false}));
}

TEST(InVisibleWindow, HandsEveryMessageToItsEvent) {
    testutil::App();
    TKZNInVisibleWindow w;
    EXPECT_EQ(winmsg::SendMessage(w.Handle(), winmsg::WM_APP + 3, 1, 2), 0);  // no handler: ignored
    std::vector<uint32_t> seen;
    w.OnReceiveMessage = [&](winmsg::TMessage& m) {
        seen.push_back(m.Msg);
        m.Result = static_cast<winmsg::LRESULT>(m.LParam + 1);
    };
    EXPECT_EQ(winmsg::SendMessage(w.Handle(), winmsg::WM_APP + 2001, 0, 41), 42);
    winmsg::PostMessage(w.Handle(), winmsg::WM_APP + 1, 0, 0);
    QApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<uint32_t>{0x87D1, 0x8001}));
}

TEST(HistoryItemDragObj, CarriesACopyOfTheLines) {
    testutil::App();
    TStringList lines("SELECT 1\r\nFROM dual\r\n");
    THistoryItemDragObj obj(nullptr, lines, 6, nullptr);
    lines.Clear();
    EXPECT_EQ(obj.Lines.Text(), "SELECT 1\r\nFROM dual\r\n");
    EXPECT_EQ(obj.Kind, 6);
    const QMimeData* data = &obj;
    EXPECT_EQ(THistoryItemDragObj::From(data), &obj);
    EXPECT_TRUE(data->hasFormat(THistoryItemDragObj::Format));
    EXPECT_EQ(data->text(), QString("SELECT 1\r\nFROM dual\r\n"));
    QMimeData plain;
    EXPECT_EQ(THistoryItemDragObj::From(&plain), nullptr);
}

TEST(DropTarget, EffectsFollowTheKeysAndOnlyAcceptedFormatsCount) {
    testutil::App();
    TDropTarget target({"text/uri-list"});
    std::string log;
    auto note = [&](const char* tag) {
        return [&log, tag](const QMimeData*, TDragKeyState, QPoint, Qt::DropAction&) { log += tag; };
    };
    target.OnDragEnter = note("enter ");
    target.OnDragOver = note("over ");
    target.OnDrop = note("drop ");

    QMimeData text;
    text.setText("x");
    EXPECT_EQ(target.DragEnter(&text, {}, QPoint()), Qt::IgnoreAction);
    EXPECT_EQ(target.DragOver({}, QPoint()), Qt::IgnoreAction);
    EXPECT_EQ(target.Drop({}, QPoint()), Qt::IgnoreAction);
    EXPECT_EQ(log, "");

    QMimeData files;
    files.setData("text/uri-list", "file:///tmp/a.sql\r\n");
    struct Case {
        Qt::KeyboardModifiers keys;
        Qt::DropAction effect;
    } cases[] = {
        {Qt::NoModifier, Qt::MoveAction},
        {Qt::ShiftModifier, Qt::MoveAction},
        {Qt::ControlModifier, Qt::CopyAction},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::LinkAction},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(target.DragEnter(&files, {c.keys, Qt::LeftButton}, QPoint()), c.effect);
        EXPECT_EQ(target.DragOver({c.keys, Qt::LeftButton}, QPoint()), c.effect);
    }
    EXPECT_EQ(target.HeldFormat(), QString("text/uri-list"));
    target.OnDragOver = [](const QMimeData*, TDragKeyState, QPoint, Qt::DropAction& e) { e = Qt::IgnoreAction; };
    EXPECT_EQ(target.DragOver({}, QPoint()), Qt::IgnoreAction);  // a handler may refuse
    EXPECT_EQ(target.Drop({Qt::ControlModifier, Qt::LeftButton}, QPoint()), Qt::CopyAction);
    EXPECT_EQ(target.HeldData(), nullptr);  // released after the drop
    EXPECT_EQ(target.Drop({}, QPoint()), Qt::IgnoreAction);
    target.DragEnter(&files, {}, QPoint());
    target.DragLeave();
    EXPECT_EQ(target.DragOver({}, QPoint()), Qt::IgnoreAction);
}

TEST(MessageDlg, GoesToAnInstalledPresenter) {
    testutil::App();
    std::vector<std::string> seen;
    testutil::THookScope hooks;
    hooks.Set(SetMessageDlgPresenter, [&](const std::string& text, TMsgDlgType type) {
        seen.push_back(text + (type == TMsgDlgType::mtError ? " (error)" : ""));
    });
    MessageDlg("ファイルの保存に失敗しました。[x]", TMsgDlgType::mtError);
    EXPECT_EQ(seen, std::vector<std::string>{"ファイルの保存に失敗しました。[x] (error)"});
}

TEST(DropTarget, TakesTheDragEventsOfItsWidget) {
    testutil::App();
    QWidget w;
    w.resize(100, 100);
    TDropTarget target({"application/x-zintavor-test"}, &w);
    target.RegisterDragDrop(&w);
    EXPECT_TRUE(w.acceptDrops());
    std::string dropped;
    target.OnDrop = [&](const QMimeData* data, TDragKeyState, QPoint p, Qt::DropAction&) {
        dropped = data->data("application/x-zintavor-test").toStdString() + "@" + std::to_string(p.x());
    };
    QMimeData files;
    files.setData("application/x-zintavor-test", "file:///tmp/a.sql");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &files, Qt::LeftButton,
                          Qt::ControlModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(7, 5), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    EXPECT_EQ(drop.dropAction(), Qt::MoveAction);
    EXPECT_EQ(dropped, "file:///tmp/a.sql@7");

    QMimeData text;
    text.setText("x");
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &refused);
    EXPECT_FALSE(refused.isAccepted());
}
