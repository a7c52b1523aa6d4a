// The settings dialog: its captions, the shortcut rows loaded from a record
// and their colours, each page's fields written back into the record and the
// client window, saving, cancelling and refused input.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "Form_Main.h"
#include "KZNMessageDlg.h"
#include "LayoutCheck.h"
#include "MainTestUtil.h"
#include "QtTestApp.h"
#include "ShortCutText.h"
#include "TestUtil.h"
#include "U_EnvEditorLaunch.h"
#include "U_Environment.h"
#include "U_Form_EnvEditor.h"
#include "U_Form_Script.h"
#include "U_ClientMessages.h"
#include "U_Frame_SQLClient.h"
#include "U_ScriptSheetManager.h"

namespace {

using TRow = TFrame_ENVForm_ShortCutKey::TRow;

std::string S(const QString& q) { return cp932::FromQString(q); }
std::string KeysOf(const QAction* a) { return shortcut::ShortCutToText(shortcut::FromKeySequence(a->shortcut())); }

struct EnvEditorTest : ::testing::Test, testutil::WithApp {
    std::string dir = testutil::TempFolder("enveditor");
    std::string file = dir + "Zintavor.Environment";
    winmsg::TMessageWindow centre;
    std::unique_ptr<TFrameSQLClient> frame;
    std::unique_ptr<TEnvironment> env;
    std::unique_ptr<TForm_EnvEditor> dlg;
    std::vector<std::string> messages;
    testutil::THookScope hooks;

    EnvEditorTest() {
        hooks.Set(SetMessageDlgPresenter, [this](const std::string& t, TMsgDlgType) { messages.push_back(t); });
        frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
        Reset();
    }
    // The window as the start-up leaves it with the defaults.
    void Reset() {
        TEnvironment start(file);
        start.ApplyToFrame(*frame);
        frame->EnvData->Assign(start.GetEnvData());
    }
    ~EnvEditorTest() override {
        dlg.reset();
        env.reset();
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The file's text before the dialog opens; empty: no file.
    void Open(const std::string& fileText = std::string()) {
        if (!fileText.empty()) {
            ASSERT_TRUE(fs932::WriteFileAtomic(file, fileText));
        }
        env = std::make_unique<TEnvironment>(file);
        env->Load();
        dlg = std::make_unique<TForm_EnvEditor>(frame.get(), env.get());
        dlg->show();
        QCoreApplication::processEvents();
    }
    TFrame_ENVForm_ShortCutKey& Keys() { return *dlg->Frame_ENVForm_ShortCutKey1; }
    TRow& Row(const std::string& name) {
        for (TRow& r : Keys().Rows)
            if (r.Name == name) return r;
        throw std::runtime_error("no row " + name);
    }
    // The row's selections as "MOD/KEY" ("?" for nothing selected).
    std::string Sel(const std::string& name) {
        TRow& r = Row(name);
        auto t = [](QComboBox* c) { return c->currentIndex() < 0 ? std::string("?") : S(c->currentText()); };
        return t(r.AsyncKey) + "/" + t(r.Key);
    }
    void Choose(const std::string& name, const std::string& mod, const std::string& key) {
        TRow& r = Row(name);
        r.AsyncKey->setCurrentIndex(r.AsyncKey->findText(cp932::ToQString(mod)));
        r.Key->setCurrentIndex(r.Key->findText(cp932::ToQString(key)));
    }
    std::string Marks() {
        std::string s;
        for (const TRow& r : Keys().Rows)
            if (r.Mark != TFrame_ENVForm_ShortCutKey::mkPlain)
                s += r.Name + (r.Mark == TFrame_ENVForm_ShortCutKey::mkDuplicate ? "=red " : "=blue ");
        return s;
    }
    std::string FileText() {
        std::string t;
        fs932::ReadFile(file, t);
        return t;
    }
};

}  // namespace

TEST_F(EnvEditorTest, CaptionsAndTexts) {
    Open();
    EXPECT_EQ(S(dlg->windowTitle()), "環境設定");
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowStaysOnTopHint);
    std::vector<std::string> tabs;
    for (int i = 0; i < dlg->PageControl1->count(); ++i) tabs.push_back(S(dlg->PageControl1->tabText(i)));
    EXPECT_EQ(tabs, (std::vector<std::string>{"ショートカットキー", "結果表示", "スクリプトエディタ", "マウスジェスチャー",
                                              "トランザクション制御"}));
    EXPECT_EQ(dlg->PageControl1->currentIndex(), 0);
    const std::pair<const char*, const char*> buttons[] = {
        {"Button_SaveAndUpdate", "保存＆更新"}, {"Button_UpdateOnly", "保存しないで更新"},
        {"Button_Cancel", "キャンセル"},        {"Button_DefaultAll", "全てデフォルトに戻す"}};
    for (auto [name, caption] : buttons) {
        auto* b = dlg->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(S(b->text()), caption) << name;
    }
    EXPECT_TRUE(dlg->Button_SaveAndUpdate->isDefault());
    for (QWidget* page : {static_cast<QWidget*>(dlg->Frame_ENVForm_ShortCutKey1),
                          static_cast<QWidget*>(dlg->Frame_ENVForm_ResultString1),
                          static_cast<QWidget*>(dlg->Frame_ENVForm_ScriptEditor1),
                          static_cast<QWidget*>(dlg->Frame_ENVForm_MouseJesture1),
                          static_cast<QWidget*>(dlg->Frame_ENVForm_Tranzaction1)}) {
        auto* b = page->findChild<QPushButton*>(QStringLiteral("Button_Default"));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(S(b->text()), "デフォルトに戻す");
    }
    // group boxes of every page, in order
    auto groups = [](QWidget* w) {
        std::vector<std::string> v;
        for (QGroupBox* g : w->findChildren<QGroupBox*>()) v.push_back(S(g->title()));
        return v;
    };
    EXPECT_EQ(groups(dlg->Frame_ENVForm_ShortCutKey1),
              (std::vector<std::string>{"メインアクション", "履歴", "結果シート", "環境", "接続", "トランザクション",
                                        "エディタ検索", "スクリプトエディタ"}));
    EXPECT_EQ(groups(dlg->Frame_ENVForm_ResultString1),
              (std::vector<std::string>{"初期フォントサイズ： [ 11 ]", "結果文字列内改行", "Tab文字", "表現方法",
                                        "タブ文字展開数", "形式"}));
    EXPECT_EQ(groups(dlg->Frame_ENVForm_ScriptEditor1),
              (std::vector<std::string>{"初期フォントサイズ： [ 11 ]", "Tab文字", "タブ文字展開数", "Tab表現"}));
    EXPECT_EQ(groups(dlg->Frame_ENVForm_MouseJesture1), (std::vector<std::string>{"マウスジェスチャーを"}));
    EXPECT_EQ(groups(dlg->Frame_ENVForm_Tranzaction1), (std::vector<std::string>{"コミットモード"}));
    const std::pair<const char*, const char*> radios[] = {
        {"RadioButton_CRLFPlastic", "改行文字があれば改行し、整形する"},
        {"RadioButton_CRLFReplace", "改行を以下の文字に置き換える"},
        {"RadioButton_ShowTabKind_Rep", "置き換え"},
        {"RadioButton_ShowTabKind_Tab", "タブ表現"},
        {"RadioButton_SoftTab", "ソフトタブ"},
        {"RadioButton_HardTab", "ハードタブ"},
        {"RadioButton_Active", "有効にする"},
        {"RadioButton_Deactive", "無効にする"},
        {"RadioButton_EndTime", "前回終了時の状態を復元"},
        {"RadioButton_Manual", "起動時は「明示コミット」状態にする"},
        {"RadioButton_Auto", "起動時は「オートコミット」状態にする"},
    };
    for (auto [name, caption] : radios) {
        auto* r = dlg->findChild<QRadioButton*>(QString::fromLatin1(name));
        ASSERT_NE(r, nullptr) << name;
        EXPECT_EQ(S(r->text()), caption) << name;
    }
    const std::string legend = S(Keys().Label_Legend->text());
    for (const char* part : {"説明文が以下のような場合はショートカットキーを変更してください。", "青色文字",
                             " ：推奨されないショートカットキーです。", "バックが赤",
                             "：ショートカットキーが重複しています。"})
        EXPECT_NE(legend.find(part), std::string::npos) << part;
    // the red background holds the whole of "バックが赤"
    dlg->show();
    QApplication::processEvents();
    EXPECT_EQ(layoutcheck::TextOutsideBand(Keys().Label_Legend->grab().toImage(), qRgb(255, 0, 0)), "");
    // 29 rows with their four controls named after the row
    ASSERT_EQ(Keys().Rows.size(), 29u);
    for (const TRow& r : Keys().Rows) {
        const QString n = QString::fromLatin1(r.Name.c_str());
        EXPECT_EQ(r.Image->objectName(), QStringLiteral("Image_") + n);
        EXPECT_EQ(r.Label->objectName(), QStringLiteral("Label_") + n + QStringLiteral("_Name"));
        EXPECT_EQ(r.AsyncKey->objectName(), QStringLiteral("ComboBox_") + n + QStringLiteral("_AsyncKey"));
        EXPECT_EQ(r.Key->objectName(), QStringLiteral("ComboBox_") + n + QStringLiteral("_Key"));
        EXPECT_NE(r.Action, nullptr) << r.Name;
        EXPECT_EQ(r.AsyncKey->count(), 7);
        EXPECT_EQ(r.Key->count(), 43);
        EXPECT_EQ(r.Key->maxVisibleItems(), 30);
        EXPECT_FALSE(r.Key->isEditable());
    }
    EXPECT_EQ(S(Row("Connect").AsyncKey->itemText(0)), " ");
    EXPECT_EQ(S(Row("Connect").AsyncKey->itemText(6)), "CTRL+ALT");
    EXPECT_EQ(S(Row("Connect").Key->itemText(42)), "^");
    EXPECT_EQ(S(Row("Connect").Key->itemText(41)), "\\");
    EXPECT_EQ(S(Row("Connect").Label->text()), "接続 : Ctrl+F2");
    // the gesture help text
    EXPECT_EQ(TStringList(TFrame_ENVForm_MouseJesture::HelpText()).Count(), 25);
    EXPECT_TRUE(dlg->Frame_ENVForm_MouseJesture1->Memo1->isReadOnly());
}

TEST_F(EnvEditorTest, ShortcutRowsShowTheRecordsTexts) {
    Open("[SHORTCUTKEYS]\r\nALLSQLExec=\r\nSelectedSQLExec=\r\nNewScript=shift+ctrl+f10\r\nScriptStop=Ctrl+/\r\n"
         "SendScriptToHistory=ALT+^\r\n");
    struct Case {
        const char* Row;
        const char* Sel;
    } cases[] = {
        {"Connect", "CTRL/F2"},            // read back from the window in its notation
        {"CloneScriptEditor", "SHIFT+CTRL/F10"},
        {"AllSQLExecute", "?/?"},          // an empty text selects nothing
        {"SelectedSQLExec", "?/?"},
        {"NewScript", "SHIFT+CTRL/F10"},
        {"ScriptStop", "CTRL//"},
        {"SendScriptToHistory", "ALT/^"},
        {"ShowExecSQLToggle", "CTRL/Q"},   // the SQL-echo row shows OutputSQLToggle
        {"EditorSearch", "?/F3"},          // no modifier selects no modifier item
        {"ScriptEditorCommentReOut", "SHIFT+CTRL/-"},
    };
    for (const auto& c : cases) EXPECT_EQ(Sel(c.Row), c.Sel) << c.Row;
    // the two empty rows collide, and so do NewScript and CloneScriptEditor
    EXPECT_EQ(Marks(), "AllSQLExecute=red SelectedSQLExec=red NewScript=red CloneScriptEditor=red ");
}

TEST_F(EnvEditorTest, DefaultsColourNothingAndChoicesColourRows) {
    Open();
    EXPECT_EQ(Marks(), "");
    struct Case {
        const char* Name;
        std::vector<std::tuple<const char*, const char*, const char*>> Choices;
        std::string Marks;
    } cases[] = {
        {"CTRL and C", {{"Connect", "CTRL", "C"}}, "Connect=blue "},
        {"CTRL and K", {{"RollBack", "CTRL", "K"}}, "RollBack=blue "},
        {"no modifier and Q", {{"Commit", " ", "Q"}}, "Commit=blue "},
        {"SHIFT and Q is fine", {{"Commit", "SHIFT", "Q"}}, ""},
        {"F9 twice", {{"NewScript", " ", "F9"}}, "AllSQLExecute=red NewScript=red "},
        {"red wins over blue", {{"Connect", "CTRL", "C"}, {"ReConnect", "CTRL", "C"}}, "Connect=red ReConnect=red "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        dlg->ShowPages();
        for (const auto& [row, mod, key] : c.Choices) Choose(row, mod, key);
        EXPECT_EQ(Marks(), c.Marks);
    }
    // the style of a marked label
    dlg->ShowPages();
    Choose("Connect", "CTRL", "C");
    const QLabel* l = Row("Connect").Label;
    EXPECT_TRUE(l->font().bold() && l->font().italic() && l->font().underline());
    EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_FALSE(Row("ReConnect").Label->font().bold());
}

TEST_F(EnvEditorTest, UpdateWritesEveryPageBackIntoTheRecordAndTheWindow) {
    Open();
    struct Field {
        const char* Name;
        std::function<void(TForm_EnvEditor&)> Edit;
        std::function<bool(const TWritableEnvData&)> Check;
    };
    const std::vector<Field> fields = {
        {"blank modifier and F9 is the text F9",
         [this](TForm_EnvEditor&) { Choose("Connect", " ", "F11"); },
         [](const TWritableEnvData& d) { return d.ShortcutKeys[sk_Connect] == "F11"; }},
        {"modifier and key",
         [this](TForm_EnvEditor&) { Choose("ScriptStop", "SHIFT+ALT", "/"); },
         [](const TWritableEnvData& d) { return d.ShortcutKeys[sk_ScriptStop] == "SHIFT+ALT+/"; }},
        {"the SQL-echo row sets OutputSQLToggle",
         [this](TForm_EnvEditor&) { Choose("ShowExecSQLToggle", "CTRL", "W"); },
         [](const TWritableEnvData& d) {
             return d.ShortcutKeys[sk_OutputSQLToggle] == "CTRL+W" && d.ShortcutKeys[sk_ShowExecSQLToggle] == "CTRL+I";
         }},
        {"nothing chosen removes the shortcut",
         [this](TForm_EnvEditor&) { Choose("EnvEdit", " ", " "); },
         [](const TWritableEnvData& d) { return d.ShortcutKeys[sk_EnvEdit].empty(); }},
        {"result font size", [](TForm_EnvEditor& f) { f.Frame_ENVForm_ResultString1->TrackBar_FontSize->setValue(20); },
         [](const TWritableEnvData& d) { return d.ResultEditorFontSize == 20; }},
        {"line breaks replaced",
         [](TForm_EnvEditor& f) {
             f.Frame_ENVForm_ResultString1->RadioButton_CRLFReplace->setChecked(true);
             f.Frame_ENVForm_ResultString1->Edit_CRLFStr->setText(QString::fromUtf8(u8"⇒ "));
         },
         [](const TWritableEnvData& d) { return d.CRLFReplace && d.CRLFReplaceStr == "\x81\xcb "; }},
        {"tabs shown as tabs, hard, 8 wide",
         [](TForm_EnvEditor& f) {
             f.Frame_ENVForm_ResultString1->RadioButton_ShowTabKind_Tab->setChecked(true);
             f.Frame_ENVForm_ResultString1->RadioButton_HardTab->setChecked(true);
             f.Frame_ENVForm_ResultString1->RadioButton_Tab_8->setChecked(true);
         },
         [](const TWritableEnvData& d) {
             return !d.TabReplace && !d.ResultEditorSoftTab && d.ResultEditorSoftTabSpaceCount == 8;
         }},
        {"tab replacement text",
         [](TForm_EnvEditor& f) { f.Frame_ENVForm_ResultString1->Edit_TabReprace->setText(QString::fromUtf8(u8"→")); },
         [](const TWritableEnvData& d) { return d.TabReplace && d.TabRepraceStr == "\x81\xa8"; }},
        {"script editor font, soft tabs 6 wide",
         [](TForm_EnvEditor& f) {
             f.Frame_ENVForm_ScriptEditor1->TrackBar_FontSize->setValue(2);
             f.Frame_ENVForm_ScriptEditor1->RadioButton_SoftTab->setChecked(true);
             f.Frame_ENVForm_ScriptEditor1->RadioButton_Tab_6->setChecked(true);
         },
         [](const TWritableEnvData& d) {
             return d.ScriptEditorFontSize == 2 && d.ScriptEditorSoftTab && d.ScriptEditorSoftTabSpaceCount == 6;
         }},
        {"gestures off", [](TForm_EnvEditor& f) { f.Frame_ENVForm_MouseJesture1->RadioButton_Deactive->setChecked(true); },
         [](const TWritableEnvData& d) { return !d.MouseGestureActive; }},
        {"commit mode: last state", [](TForm_EnvEditor& f) { f.Frame_ENVForm_Tranzaction1->RadioButton_EndTime->setChecked(true); },
         [](const TWritableEnvData& d) { return d.CommitMode == acmk_Env; }},
        {"commit mode: manual", [](TForm_EnvEditor& f) { f.Frame_ENVForm_Tranzaction1->RadioButton_Manual->setChecked(true); },
         [](const TWritableEnvData& d) { return d.CommitMode == acmk_Manual; }},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.Name);
        Reset();
        Open();
        f.Edit(*dlg);
        ASSERT_TRUE(dlg->Update(false));
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_TRUE(f.Check(env->GetEnvData())) << "the record";
        EXPECT_TRUE(f.Check(*frame->EnvData)) << "the window's own record";
        EXPECT_FALSE(fs932::FileExists(file)) << "update only writes no file";
    }
    // the window took them: its actions, the page's actions and its switches
    Open();
    Choose("Connect", " ", "F11");
    Choose("AllSQLExecute", "CTRL", "F9");
    Choose("ShowExecSQLToggle", "CTRL", "W");
    dlg->Frame_ENVForm_MouseJesture1->RadioButton_Deactive->setChecked(true);
    dlg->Frame_ENVForm_ScriptEditor1->TrackBar_FontSize->setValue(15);
    ASSERT_TRUE(dlg->Update(false));
    TForm_Script* page = frame->ActiveScriptPage();
    EXPECT_EQ(KeysOf(frame->Action_Connect), "F11");
    EXPECT_EQ(KeysOf(page->Action_ALLSQLExec), "Ctrl+F9");
    EXPECT_EQ(KeysOf(page->Action_OutputSQLToggle), "Ctrl+W");
    EXPECT_FALSE(frame->MouseGestureActive);
    EXPECT_EQ(page->ScriptEditor->font().pointSize(), 15);
}

TEST_F(EnvEditorTest, SaveAndUpdateWritesTheFile) {
    Open("[USER]\r\nmine=1\r\n[TRANSACTION]\r\nCommitMode=Auto\r\n");
    Choose("Commit", "SHIFT+CTRL", "F6");
    dlg->Frame_ENVForm_Tranzaction1->RadioButton_Manual->setChecked(true);
    ASSERT_TRUE(dlg->Button_SaveAndUpdate->isEnabled());
    dlg->Button_SaveAndUpdate->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    TWritableEnvData back;
    TEnvironment::LoadFromFile(file, back);
    EXPECT_EQ(back.ShortcutKeys[sk_Commit], "SHIFT+CTRL+F6");
    EXPECT_EQ(back.CommitMode, acmk_Manual);
    EXPECT_EQ(back.ShortcutKeys[sk_Connect], "CTRL+F2") << "the rows write their lists' texts";
    EXPECT_NE(FileText().find("[USER]"), std::string::npos) << "unknown sections stay";
    // the commit mode takes effect at the next start only
    EXPECT_TRUE(frame->IsAutoCommit);
    EXPECT_EQ(frame->AutoCommitMode, acmk_Manual);
}

TEST_F(EnvEditorTest, CancelAndEscapeApplyNothing) {
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        Open("[SHORTCUTKEYS]\r\nCommit=CTRL+F6\r\n");
        const std::string before = FileText();
        Choose("Commit", " ", "F1");
        dlg->Frame_ENVForm_MouseJesture1->RadioButton_Deactive->setChecked(true);
        QWidget* focus = Row("Commit").Key;
        if (how == 0) {
            dlg->Button_Cancel->click();
        } else {
            // keys reach the form before the focused list
            QKeyEvent k(QEvent::KeyPress, how == 1 ? Qt::Key_Escape : Qt::Key_Pause,
                        how == 1 ? Qt::NoModifier : Qt::ControlModifier);
            QApplication::sendEvent(focus, &k);
        }
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(KeysOf(frame->Action_Commit), "Ctrl+F6");
        EXPECT_TRUE(frame->MouseGestureActive);
        EXPECT_EQ(FileText(), before);
    }
}

TEST_F(EnvEditorTest, DefaultButtons) {
    // the result display and the gesture switch show the window's live values
    frame->EnvData->ResultEditorFontSize = 30;
    frame->MouseGestureActive = false;
    Open("[SHORTCUTKEYS]\r\nOutputSQLToggle=F5\r\n[RESULTEDITOR]\r\nFontSize=40\r\n");
    EXPECT_EQ(Sel("ShowExecSQLToggle"), "?/F5");
    Keys().Button_Default->click();
    EXPECT_EQ(Sel("ShowExecSQLToggle"), "CTRL/Q");
    EXPECT_EQ(env->GetEnvData().ShortcutKeys[sk_OutputSQLToggle], "CTRL+Q");
    EXPECT_EQ(Sel("Connect"), "CTRL/F2");
    EXPECT_EQ(Marks(), "");
    EXPECT_EQ(dlg->Frame_ENVForm_ResultString1->TrackBar_FontSize->value(), 30);
    dlg->Frame_ENVForm_ResultString1->Button_Default->click();
    EXPECT_EQ(dlg->Frame_ENVForm_ResultString1->TrackBar_FontSize->value(), 11);
    EXPECT_EQ(env->GetEnvData().ResultEditorFontSize, 30) << "nothing is written before an update";
    EXPECT_TRUE(dlg->Frame_ENVForm_MouseJesture1->RadioButton_Deactive->isChecked());
    dlg->Button_DefaultAll->click();
    EXPECT_TRUE(dlg->Frame_ENVForm_MouseJesture1->RadioButton_Active->isChecked());
    EXPECT_TRUE(dlg->Frame_ENVForm_Tranzaction1->RadioButton_Auto->isChecked());
    EXPECT_TRUE(dlg->isVisible()) << "nothing applied until an update";
}

TEST_F(EnvEditorTest, ResultAndScriptPagesShowTheirRecord) {
    struct Case {
        const char* Name;
        std::string File;
        std::function<void(TWritableEnvData&)> Window;  // the window's live result settings
        std::function<void(TForm_EnvEditor&)> Check;
    } cases[] = {
        {"defaults", "", [](TWritableEnvData&) {},
         [](TForm_EnvEditor& f) {
             auto* r = f.Frame_ENVForm_ResultString1;
             EXPECT_TRUE(r->RadioButton_CRLFPlastic->isChecked());
             EXPECT_FALSE(r->Edit_CRLFStr->isEnabled());
             EXPECT_EQ(S(r->Edit_CRLFStr->text()), "・・");
             EXPECT_TRUE(r->RadioButton_ShowTabKind_Rep->isChecked());
             EXPECT_TRUE(r->Edit_TabReprace->isEnabled());
             EXPECT_FALSE(r->RadioButton_Tab_4->isEnabled());
             EXPECT_FALSE(r->RadioButton_SoftTab->isEnabled());
             EXPECT_TRUE(r->RadioButton_SoftTab->isChecked());
             EXPECT_TRUE(r->RadioButton_Tab_4->isChecked());
             EXPECT_TRUE(f.Frame_ENVForm_ScriptEditor1->RadioButton_HardTab->isChecked());
             EXPECT_TRUE(f.Frame_ENVForm_ScriptEditor1->RadioButton_Tab_4->isChecked());
             EXPECT_TRUE(f.Frame_ENVForm_Tranzaction1->RadioButton_Auto->isChecked());
         }},
        {"odd tab widths show 2; sizes out of range are held to the bar",
         "[SCRIPTEDITOR]\r\nSoftTabSpaceCount=8\r\nSoftTab=1\r\n[TRANSACTION]\r\nCommitMode=UnKnown\r\n",
         [](TWritableEnvData& d) {
             d.ResultEditorSoftTabSpaceCount = 5;
             d.CRLFReplace = true;
             d.TabReplace = false;
             d.ResultEditorFontSize = 200;
         },
         [](TForm_EnvEditor& f) {
             auto* r = f.Frame_ENVForm_ResultString1;
             EXPECT_TRUE(r->RadioButton_Tab_2->isChecked());
             EXPECT_TRUE(r->RadioButton_CRLFReplace->isChecked());
             EXPECT_TRUE(r->Edit_CRLFStr->isEnabled());
             EXPECT_TRUE(r->RadioButton_ShowTabKind_Tab->isChecked());
             EXPECT_FALSE(r->Edit_TabReprace->isEnabled());
             EXPECT_TRUE(r->RadioButton_Tab_2->isEnabled());
             EXPECT_EQ(r->TrackBar_FontSize->value(), 72);
             EXPECT_TRUE(f.Frame_ENVForm_ScriptEditor1->RadioButton_Tab_8->isChecked());
             EXPECT_TRUE(f.Frame_ENVForm_ScriptEditor1->RadioButton_SoftTab->isChecked());
             EXPECT_TRUE(f.Frame_ENVForm_Tranzaction1->RadioButton_Auto->isChecked());
         }},
        {"commit mode Env", "[TRANSACTION]\r\nCommitMode=env\r\n", [](TWritableEnvData&) {},
         [](TForm_EnvEditor& f) { EXPECT_TRUE(f.Frame_ENVForm_Tranzaction1->RadioButton_EndTime->isChecked()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs932::DeleteFile(file);
        frame->EnvData->SetDefaults();
        c.Window(*frame->EnvData);
        Open(c.File);
        c.Check(*dlg);
    }
    // the font group follows its bar, and the bar keeps the room it needs under the caption
    const std::pair<QWidget*, TFontSizeGroup*> groups[] = {
        {dlg->Frame_ENVForm_ScriptEditor1, dlg->Frame_ENVForm_ScriptEditor1->GroupBox_Font},
        {dlg->Frame_ENVForm_ResultString1, dlg->Frame_ENVForm_ResultString1->GroupBox_Font}};
    for (const auto& [page, g] : groups) {
        dlg->PageControl1->setCurrentWidget(page);
        for (int size : {2, 9, 20, 40, 72}) {
            SCOPED_TRACE(size);
            g->TrackBar_FontSize->setValue(size);
            QCoreApplication::processEvents();
            EXPECT_EQ(S(g->title()), "初期フォントサイズ： [ " + std::to_string(size) + " ]");
            EXPECT_EQ(g->font().pointSize(), size);
            const int planned = static_cast<int>(1.5 * size) + g->TrackBar_FontSize->sizeHint().height() + 10;
            EXPECT_EQ(g->height(), std::max(planned, g->minimumSizeHint().height()));
            EXPECT_GE(g->TrackBar_FontSize->height(), g->TrackBar_FontSize->minimumSizeHint().height());
            EXPECT_TRUE(g->rect().contains(g->TrackBar_FontSize->geometry()));
        }
    }
}

TEST_F(EnvEditorTest, RefusedInputAppliesNothing) {
    struct Case {
        const char* Name;
        QString CRLF, Tab;
        std::string Message;
    } cases[] = {
        {"a line-break text outside Shift_JIS", QString::fromUtf8(u8"😀"), QString::fromUtf8(u8"・"),
         "「改行を以下の文字に置き換える」の文字に、シフトJISで表せない文字が含まれています。"},
        {"a tab text outside Shift_JIS", QString::fromUtf8(u8"・"), QString::fromUtf8(u8"한"),
         "タブの置き換え文字に、シフトJISで表せない文字が含まれています。"},
        {"a tab text with a blank at its end", QString(), QStringLiteral("> "),
         "タブの置き換え文字の前後に空白は使えません（設定ファイルに残りません）。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        messages.clear();
        Open();
        Choose("Connect", " ", "F11");
        dlg->PageControl1->setCurrentIndex(0);
        dlg->Frame_ENVForm_ResultString1->Edit_CRLFStr->setText(c.CRLF);
        dlg->Frame_ENVForm_ResultString1->Edit_TabReprace->setText(c.Tab);
        dlg->Button_SaveAndUpdate->click();
        EXPECT_EQ(messages, std::vector<std::string>{c.Message});
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->PageControl1->currentWidget(), dlg->Frame_ENVForm_ResultString1);
        EXPECT_EQ(KeysOf(frame->Action_Connect), "Ctrl+F2");
        EXPECT_EQ(env->GetEnvData().ShortcutKeys[sk_Connect], "Ctrl+F2");
        EXPECT_FALSE(fs932::FileExists(file));
    }
}

TEST_F(EnvEditorTest, AnUnwritableFileDisablesSaving) {
    file = dir + "missing/folder/Zintavor.Environment";
    Open();
    EXPECT_FALSE(dlg->Button_SaveAndUpdate->isEnabled());
    Choose("Connect", " ", "F11");
    dlg->Button_UpdateOnly->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(KeysOf(frame->Action_Connect), "F11");
}

TEST_F(EnvEditorTest, TheMainFormsEntryShowsTheDialogModally) {
    TEnvironment e(file);
    e.Load();
    std::string title;
    testutil::AnswerModal<TForm_EnvEditor>([&](TForm_EnvEditor* d) {
        title = S(d->windowTitle());
        d->Frame_ENVForm_MouseJesture1->RadioButton_Deactive->setChecked(true);
        d->Button_UpdateOnly->click();
    });
    ShowEnvEditorDialog(*frame, e);
    EXPECT_EQ(title, "環境設定");
    EXPECT_FALSE(frame->MouseGestureActive);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The dialog as the program opens it, while another copy of the program saves
// the same settings file: a key this copy did not change keeps what the file
// holds by then, and what this copy saved is what it compares with next.
namespace {

struct EnvEditorTwoCopiesTest : maintest::TMainFolderTest {
    EnvEditorTwoCopiesTest() : TMainFolderTest("enveditor-two") {}
    // Opens the dialog as Ctrl+E does, lets Edit change it and presses Button.
    void EditAndPress(const std::function<void(TForm_EnvEditor&)>& Edit, QPushButton* TForm_EnvEditor::*Button) {
        bool pressed = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dlg = dynamic_cast<TForm_EnvEditor*>(QApplication::activeModalWidget());
            if (!dlg || pressed) return;
            pressed = true;
            Edit(*dlg);
            (dlg->*Button)->click();
        });
        timer.start(10);
        Send(mc::WM_MC_ENVEDIT, Me());
        EXPECT_TRUE(pressed);
    }
    std::string Value(const std::string& Key) {
        TKZNMemIniFile ini;
        ini.SetRunTimeFileName(dir + "Zintavor.Environment");
        ini.Open();
        return ini.ReadString("RESULTEDITOR", Key, "-");
    }
};

}  // namespace

TEST_F(EnvEditorTwoCopiesTest, AKeyThisCopyDidNotChangeKeepsAnotherCopysSave) {
    Write("Zintavor.Environment", "[RESULTEDITOR]\r\nNullStr=(NULL)\r\nTabRepraceStr=t\r\n");
    main = std::make_unique<TMain>();
    ASSERT_TRUE(main->SQLClient);
    auto nothing = [](TForm_EnvEditor&) {};
    const auto save = &TForm_EnvEditor::Button_SaveAndUpdate;

    // another copy saves; this one saves with nothing changed
    Write("Zintavor.Environment", "[RESULTEDITOR]\r\nNullStr=<<B>>\r\nTabRepraceStr=t\r\n");
    EditAndPress(nothing, save);
    EXPECT_EQ(Value("NullStr"), "<<B>>");
    EXPECT_EQ(Value("TabRepraceStr"), "t");

    // this copy changes a key and saves; another copy then saves that key
    EditAndPress([](TForm_EnvEditor& d) { d.Frame_ENVForm_ResultString1->Edit_TabReprace->setText("mine"); }, save);
    EXPECT_EQ(Value("TabRepraceStr"), "mine");
    Write("Zintavor.Environment", "[RESULTEDITOR]\r\nNullStr=<<C>>\r\nTabRepraceStr=<<C>>\r\n");
    // neither an update without saving nor a save with nothing changed writes this copy's old values back
    EditAndPress(nothing, &TForm_EnvEditor::Button_UpdateOnly);
    EditAndPress(nothing, save);
    EXPECT_EQ(Value("NullStr"), "<<C>>");
    EXPECT_EQ(Value("TabRepraceStr"), "<<C>>");
}
