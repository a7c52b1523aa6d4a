// The screenshot driver of scripts/screenshots.sh: on a real display, starts
// the program's main form in the current folder (the demo, whose Hello.Script
// connects to the sample database), opens each window and dialog with real
// content, and saves each as a PNG picture of what the display shows. The
// layout faults of each window are printed as well; the exit code is 1 when
// any window had one or a picture could not be saved.
//
//   zintavor_screenshots PROGRAM-FOLDER OUTPUT-FOLDER [SHOT...]
//
// PROGRAM-FOLDER plays the program's folder (its settings, history and
// ObjectTree folder); OUTPUT-FOLDER receives SHOT.png for each shot named (all
// when none is).
#include <algorithm>
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CP932.h"
#include "CP932Qt.h"
#include "FileSystem.h"
#include "Form_Main.h"
#include "FormSearch.h"
#include "KZNEditorSearch.h"
#include "KZNMessageDlg.h"
#include "KZNTreeView.h"
#include "LayoutCheck.h"
#include "QtMessages.h"
#include "StringList.h"
#include "T_ObjectWrapper.h"
#include "U_Dialog_ConnectString.h"
#include "U_Dialog_Login.h"
#include "U_Dialog_ObjectTreeViewConfig.h"
#include "U_Dialog_Set.h"
#include "U_Environment.h"
#include "U_Form_Connect.h"
#include "U_Form_EnvEditor.h"
#include "U_Form_Grid.h"
#include "U_Form_History.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_Form_Splash.h"
#include "U_Form_Version.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultGridPages.h"
#include "U_RuntimeFatalError.h"
#include "U_StartUp.h"

namespace {

// Lets the display catch up: events for a while.
void Settle(int Ms = 400) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

struct TShooter {
    QString Folder;
    std::vector<std::string> Wanted;
    int Failures = 0;

    bool Wants(const std::string& Name) const {
        if (Wanted.empty()) return true;
        for (const std::string& w : Wanted)
            if (w == Name) return true;
        return false;
    }

    // Saves what the display shows of Window (or of Part, a widget inside it)
    // and reports the window's layout faults.
    void Shoot(const std::string& Name, QWidget* Window, QWidget* Part = nullptr) {
        Window->show();
        Window->raise();
        Settle();
        for (const std::string& f : layoutcheck::Faults(Window)) {
            std::printf("%s: %s\n", Name.c_str(), f.c_str());
            ++Failures;
        }
        QWidget* what = Part ? Part : Window;
        const QPoint at = what->mapToGlobal(QPoint(0, 0));
        QScreen* screen = Window->screen();
        const QPixmap picture = screen->grabWindow(0, at.x(), at.y(), what->width(), what->height());
        const QString file = Folder + QStringLiteral("/") + QString::fromStdString(Name) + QStringLiteral(".png");
        if (picture.isNull() || !picture.save(file)) {
            std::printf("%s: the picture could not be saved\n", Name.c_str());
            ++Failures;
        } else {
            std::printf("%s: %s (%dx%d)\n", Name.c_str(), file.toUtf8().constData(), picture.width(),
                        picture.height());
        }
    }

    // A modal dialog that Open shows: shot once it is up, then closed.
    void ShootModal(const std::string& Name, const std::function<void()>& Open) {
        bool shot = false;
        QTimer timer;
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (shot || !w || !w->isVisible()) return;
            shot = true;
            timer.stop();
            Shoot(Name, w);
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            else w->close();
        });
        timer.start();
        Open();
        if (!shot) {
            std::printf("%s: no dialog opened\n", Name.c_str());
            ++Failures;
        }
    }
};

std::string Native(const char* Arg) { return fs932::FromNative(Arg); }

// A key pressed and released on a widget, as the keyboard sends it.
void PressKey(QWidget* Target, int Key, const QString& Text = QString()) {
    if (!Target) return;
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Key, Qt::NoModifier, Text);
        QApplication::sendEvent(Target, &key);
    }
    QApplication::processEvents();
}

// Grids folded to a strip of their tabs beside the text (a short screen, back
// in a text mode) are opened again as the user does it: a click on the tab
// of the grid shown.
void UnfoldGrids(TForm_Result& Page) {
    auto* strip = Page.Panel_PageBase->findChild<QTabBar*>(QStringLiteral("FoldBar"));
    if (!strip || !strip->isVisible()) return;
    const int shown = std::max(0, Page.Panel_PageBase->PageControl1->currentIndex());
    const QPoint at = strip->tabRect(std::min(shown, strip->count() - 1)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, strip->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, strip->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(strip, &press);
    QApplication::sendEvent(strip, &release);
}

// Runs a query in grid mode and shows its grid page (null when none came).
TForm_Grid* OpenGrid(TFrameSQLClient& Client, const std::string& Sql) {
    Client.ExecuteScriptTextWithParams("#Grid;\r\n" + Sql + ";\r\n#Text;\r\n", TStringList());
    TForm_Result* page = Client.ActiveResultPage();
    const int count = page ? page->Panel_PageBase->Count() : 0;
    TForm_Grid* grid = count > 0 ? page->Panel_PageBase->Grid(count - 1) : nullptr;
    if (!grid) return nullptr;
    page->Panel_PageBase->PageControl1->setCurrentWidget(grid->parentWidget());
    UnfoldGrids(*page);
    Client.show();
    Client.activateWindow();
    QApplication::setActiveWindow(&Client);
    Settle();
    return grid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROGRAM-FOLDER OUTPUT-FOLDER [SHOT...]\n", argv[0]);
        return 2;
    }
    startup::PrepareRuntimeFolder();
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    startup::LoadQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Zintavor"));
    QApplication::setQuitOnLastWindowClosed(false);

    TShooter shooter;
    shooter.Folder = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(shooter.Folder);
    for (int i = 3; i < argc; ++i) shooter.Wanted.push_back(argv[i]);

    std::vector<std::string> messages;
    SetMessageDlgPresenter([&](const std::string& Text, TMsgDlgType) {
        messages.push_back(Text);
        std::printf("message: %s\n", cp932::ToUtf8(Text).c_str());
    });
    std::string folder = Native(argv[1]);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    TMain::Hooks().ProgramPath = folder + "Zintavor";
    TMain::Hooks().ShowFatalError = [](QWidget*, const std::string& Msg) {
        std::printf("fatal: %s\n", cp932::ToUtf8(Msg).c_str());
    };

    std::unique_ptr<TMain> main;
    {
        TForm_Splash splash;
        if (shooter.Wants("splash")) shooter.Shoot("splash", &splash);
        main = std::make_unique<TMain>();
    }
    if (main->StartUpFailed()) return 1;
    main->ExecuteStartUp({});  // Hello.Script: the sample database, a query
    TFrameSQLClient& client = *main->SQLClient;
    client.ExecuteScriptTextWithParams("#Grid;\r\nSELECT * FROM 商品 ORDER BY 1;\r\n#Text;\r\n", TStringList());
    for (const char* script : {"SELECT * FROM 部署;", "SELECT 番号, 氏名 FROM 社員 WHERE 部署番号 = 1;",
                               "SELECT count(*) FROM 商品;"})
        main->AddHistory(TStringList(script));
    if (TKZNTreeView* tree = client.TreeView_Desc; tree && tree->topLevelItemCount() > 0) {
        tree->topLevelItem(0)->setExpanded(true);
        tree->setCurrentItem(tree->topLevelItem(0));
    }
    Settle();

    std::string here = fs932::GetCurrentDir();
    if (!here.empty() && here.back() != '/') here += '/';
    const std::string demoString = "DRIVER=SQLite3;Database=" + here + "sample.sqlite;";
    struct TShot {
        const char* Name;
        std::function<void()> Take;
    };
    const std::vector<TShot> shots = {
        {"client", [&] { shooter.Shoot("client", &client); }},
        {"grid",
         [&] {
             TForm_Result* page = client.ActiveResultPage();
             TForm_Grid* grid = page && page->Panel_PageBase->Count() > 0 ? page->Panel_PageBase->Grid(0) : nullptr;
             if (!grid) {
                 std::printf("grid: no grid page\n");
                 ++shooter.Failures;
                 return;
             }
             page->Panel_PageBase->PageControl1->setCurrentWidget(grid->parentWidget());
             UnfoldGrids(*page);
             shooter.Shoot("grid", &client, grid);
             shooter.Shoot("client-grid", &client);  // the whole window with the grid open
         }},
        {"grid-error",
         [&] {
             // in update mode over a join, F2 on a cell: the grid says why it cannot be written
             TForm_Grid* grid = OpenGrid(client,
                 "SELECT 社員.氏名, 部署.部署名 FROM 社員 JOIN 部署 ON 社員.部署番号 = 部署.部署番号 ORDER BY 1");
             if (!grid) {
                 std::printf("grid-error: no grid page\n");
                 ++shooter.Failures;
                 return;
             }
             grid->Action_UpdateTggle->trigger();
             grid->DBGrid1->setFocus();
             grid->DBGrid1->setCurrentIndex(grid->Model()->index(1, 1));
             PressKey(grid->DBGrid1, Qt::Key_F2);
             Settle(800);
             shooter.Shoot("grid-error", &client, grid);
         }},
        {"grid-post-error",
         [&] {
             // a new record with a number the table has: the database's message under the grid
             TForm_Grid* grid = OpenGrid(client, "SELECT * FROM 商品 ORDER BY 1");
             if (!grid || grid->Model()->rowCount() == 0) {
                 std::printf("grid-post-error: no grid page with records\n");
                 ++shooter.Failures;
                 return;
             }
             const QString taken = grid->Model()->data(grid->Model()->index(0, 0)).toString();
             grid->Action_UpdateTggle->trigger();
             grid->DBGrid1->setFocus();
             PressKey(grid->DBGrid1, Qt::Key_Insert);
             const int row = grid->Model()->rowCount() - 1;
             grid->DBGrid1->setCurrentIndex(grid->Model()->index(row, 0));
             Settle(100);
             // the first key opens the cell editor, the others go into it
             PressKey(grid->DBGrid1, Qt::Key_unknown, taken.left(1));
             QWidget* editor = grid->DBGrid1->viewport()->findChild<QLineEdit*>();
             for (const QChar ch : taken.mid(1)) PressKey(editor, Qt::Key_unknown, QString(ch));
             PressKey(editor, Qt::Key_Return);
             Settle(100);
             PressKey(grid->DBGrid1, Qt::Key_Up);   // leaving the record posts it
             Settle(800);
             shooter.Shoot("grid-post-error", &client, grid);
             grid->Action_CancelExecute();
         }},
        {"result-title",
         [&] {
             // an output longer than the page, scrolled into its records: the
             // strip above the text shows its header line, and nothing at the top
             client.ExecuteScriptTextWithParams(
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120) "
                 "SELECT i AS 番号, i * i AS 二乗 FROM n;\r\n",
                 TStringList());
             TForm_Result* page = client.ActiveResultPage();
             if (!page || page->StartLines.empty()) {
                 std::printf("result-title: no output\n");
                 ++shooter.Failures;
                 return;
             }
             Settle();
             const int head = page->StartLines.back() - 1;
             page->Editor->SetTopRow(head + 20);
             Settle(100);
             if (page->EDITOR_Title->ShownRow() != head) {
                 std::printf("result-title: the strip shows row %d, not the header row %d\n",
                             page->EDITOR_Title->ShownRow(), head);
                 ++shooter.Failures;
             }
             shooter.Shoot("result-title", &client, page);
             page->Editor->SetTopRow(0);  // scrolled back to the top
             Settle(100);
             if (page->EDITOR_Title->ShownRow() != -1) {
                 std::printf("result-title: at the top the strip shows row %d\n", page->EDITOR_Title->ShownRow());
                 ++shooter.Failures;
             }
         }},
        {"search-bar",
         [&] {
             // the search bar with its replace panel on the result page: the
             // object tree keeps its width, the bar wraps where it must
             TForm_Result* page = client.ActiveResultPage();
             if (!page) return;
             client.show();
             Settle();
             const int tree = client.Panel_DelcTreeBase->isVisible() ? client.Panel_DelcTreeBase->width() : -1;
             page->Editor->setFocus();
             page->Action_Search->trigger();
             TFrame_KZNEditorSearch* bar = page->Frame_KZNEditorSearch1();
             bar->BitBtn7->click();  // 置換
             Settle();
             const int now = client.Panel_DelcTreeBase->isVisible() ? client.Panel_DelcTreeBase->width() : -1;
             if (now != tree) {
                 std::printf("search-bar: the object tree went from %d to %d px\n", tree, now);
                 ++shooter.Failures;
             }
             shooter.Shoot("search-bar", &client);
             bar->BitBtn7->click();
             page->Action_Search->trigger();
             Settle();
         }},
        {"history",
         [&] {
             main->HistoryForm->ShowBeside(&client);
             shooter.Shoot("history", main->HistoryForm.get());
             main->HistoryForm->hide();
         }},
        {"settings",
         [&] {
             TEnvironment env(main->EnvFileName);
             env.Load();
             TForm_EnvEditor editor(&client, &env);
             editor.show();
             for (int i = 0; i < editor.PageControl1->count(); ++i) {
                 editor.PageControl1->setCurrentIndex(i);
                 shooter.Shoot("settings-" + std::to_string(i + 1), &editor);
             }
             // the legend's red background holds its text
             if (auto* legend = editor.findChild<QLabel*>(QStringLiteral("Panel_Legend"))) {
                 editor.PageControl1->setCurrentIndex(0);
                 Settle(100);
                 const QPoint at = legend->mapToGlobal(QPoint(0, 0));
                 const QImage seen =
                     editor.screen()->grabWindow(0, at.x(), at.y(), legend->width(), legend->height()).toImage();
                 const std::string fault = layoutcheck::TextOutsideBand(seen, qRgb(255, 0, 0));
                 if (!fault.empty()) {
                     std::printf("settings-1: the legend's %s\n", fault.c_str());
                     ++shooter.Failures;
                 }
             }
         }},
        {"connections",
         [&] {
             TForm_Connect form(nullptr, client.DriverInterfaceProp.get());
             TTreeNodeEx* n = form.ConnectTree->Add(nullptr, "サンプル");
             n->GetStringList()->SetText("DRIVER=SQLite3\r\nDatabase=" + here + "sample.sqlite");
             form.SelectNode("サンプル");
             shooter.Shoot("connections", &form);
         }},
        {"connection-string",
         [&] {
             TDialog_ConnectString d;
             d.SetConnectionString(demoString);
             shooter.Shoot("connection-string", &d);
         }},
        {"login",
         [&] {
             TDialog_Login d;
             d.Edit_UserName->setText(QStringLiteral("zintavor"));
             shooter.Shoot("login", &d);
         }},
        {"variables",
         [&] {
             TDialog_Set d;
             IStringMapPtr vars = TStringMapList::Create();
             vars->Add("TABLE", "社員");
             vars->Add("LIMIT", "100");
             d.SetData(vars);
             shooter.Shoot("variables", &d);
             // a flat header band about a row high
             if (d.HeaderControl1->height() > d.StringGrid1->rowHeight(1) + 6) {
                 std::printf("variables: the header is %d px high over rows of %d px\n", d.HeaderControl1->height(),
                             d.StringGrid1->rowHeight(1));
                 ++shooter.Failures;
             }
         }},
        {"search", [&] {
             TFormSearch d;
             shooter.Shoot("search", &d);
         }},
        {"view-config",
         [&] {
             TForm_ObjectTreeViewConfig d(nullptr, &client);
             shooter.Shoot("view-config", &d);
         }},
        {"about", [&] {
             TForm_Version d;
             shooter.Shoot("about", &d);
         }},
        {"fatal-error",
         [&] {
             TRuntimeFatalError d(nullptr, "TMain の作成中にエラーが発生しました：ファイル Zintavor.History を作成できません");
             shooter.Shoot("fatal-error", &d);
         }},
        {"file-open", [&] { shooter.ShootModal("file-open", [&] { client.ScriptFileOpen(); }); }},
        {"colour",
         [&] {
             shooter.ShootModal("colour", [&] {
                 QColorDialog::getColor(Qt::white, &client, QString(), QColorDialog::DontUseNativeDialog);
             });
         }},
    };
    for (const TShot& s : shots)
        if (shooter.Wants(s.Name) || (std::string(s.Name) == "settings" && shooter.Wants("settings-1"))) s.Take();

    main.reset();
    SetMessageDlgPresenter(nullptr);
    return shooter.Failures == 0 ? 0 : 1;
}
