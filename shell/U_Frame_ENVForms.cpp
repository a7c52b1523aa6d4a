#include "U_Frame_ENVForms.h"

#include <algorithm>

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "ShortCutText.h"
#include "StringList.h"
#include "SysUtils.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"

namespace {

QString Q(const char* CP932) { return cp932::ToQString(CP932); }

QRadioButton* Radio(QWidget* Parent, const char* Name, const char* Caption) {
    auto* r = new QRadioButton(Q(Caption), Parent);
    r->setObjectName(QString::fromLatin1(Name));
    return r;
}

// The page's "back to defaults" button, alone at the right end of a row below the page.
QPushButton* AddDefaultButton(QWidget* Parent, QBoxLayout* Page) {
    auto* b = new QPushButton(Q("デフォルトに戻す"), Parent);
    b->setObjectName(QStringLiteral("Button_Default"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(b);
    Page->addLayout(row);
    return b;
}

// Exclusive buttons laid out in a row inside a group box of their own.
QGroupBox* RadioGroup(QWidget* Parent, const char* Caption, std::initializer_list<QRadioButton**> Buttons,
                      std::initializer_list<std::pair<const char*, const char*>> Names) {
    auto* g = new QGroupBox(Q(Caption), Parent);
    auto* l = new QHBoxLayout(g);
    auto* group = new QButtonGroup(g);
    auto name = Names.begin();
    for (QRadioButton** b : Buttons) {
        *b = Radio(g, name->first, name->second);
        group->addButton(*b);
        l->addWidget(*b);
        ++name;
    }
    l->addStretch(1);
    return g;
}

void ShowTabWidth(int32_t Count, QRadioButton* T2, QRadioButton* T4, QRadioButton* T6, QRadioButton* T8) {
    switch (Count) {
        case 4: T4->setChecked(true); break;
        case 6: T6->setChecked(true); break;
        case 8: T8->setChecked(true); break;
        default: T2->setChecked(true); break;
    }
}

int32_t TabWidth(const QRadioButton* T2, const QRadioButton* T4, const QRadioButton* T6, const QRadioButton* T8) {
    (void)T2;
    if (T4->isChecked()) return 4;
    if (T6->isChecked()) return 6;
    if (T8->isChecked()) return 8;
    return 2;
}

}  // namespace

// ---- shortcut keys ------------------------------------------------------------------------------------

const std::vector<std::string>& TFrame_ENVForm_ShortCutKey::ModifierItems() {
    static const std::vector<std::string> items{" ", "CTRL", "SHIFT", "ALT", "SHIFT+CTRL", "SHIFT+ALT", "CTRL+ALT"};
    return items;
}

const std::vector<std::string>& TFrame_ENVForm_ShortCutKey::KeyItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> v{" "};
        for (char c = 'A'; c <= 'Z'; ++c) v.emplace_back(1, c);
        for (int f = 1; f <= 12; ++f) v.push_back("F" + std::to_string(f));
        for (const char* s : {"-", "/", "\\", "^"}) v.emplace_back(s);
        return v;
    }();
    return items;
}

TFrame_ENVForm_ShortCutKey::TFrame_ENVForm_ShortCutKey(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("Frame_ENVForm_ShortCutKey"));
    auto* outer = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("Panel_Rows"));
    body->setLayout(new QVBoxLayout);
    // the rows' panel grows with its rows (and their texts), so that they
    // scroll instead of being squeezed into the page
    body->layout()->setSizeConstraint(QLayout::SetMinimumSize);
    scroll->setWidget(body);
    outer->addWidget(scroll, 1);
    Label_Legend = new QLabel(this);
    Label_Legend->setObjectName(QStringLiteral("Panel_Legend"));
    Label_Legend->setTextFormat(Qt::RichText);
    const QString blueLine = QStringLiteral("<b><i><u><font color=\"blue\">") + Q("青色文字") +
                             QStringLiteral("</font></u></i></b>") + Q(" ：推奨されないショートカットキーです。");
    // the slanted bold glyphs reach past the width the text is laid out in:
    // a space each side keeps the last one on the red
    const QString redLine = QStringLiteral("<b><i><u><span style=\"background-color:red\">&nbsp;") + Q("バックが赤") +
                            QStringLiteral("&nbsp;</span></u></i></b>") + Q("：ショートカットキーが重複しています。");
    Label_Legend->setText(Q("説明文が以下のような場合はショートカットキーを変更してください。") + QStringLiteral("<br>") +
                          blueLine + QStringLiteral("<br>") + redLine);
    outer->addWidget(Label_Legend);
    Button_Default = AddDefaultButton(this, outer);
    QObject::connect(Button_Default, &QPushButton::clicked, this, [this] {
        if (FData) ShowDefault(*FData);
    });
}

void TFrame_ENVForm_ShortCutKey::AddRow(QWidget* Group, const char* Name, QAction* Action, TShortcutKeyIndex Field,
                                        const TReadableEnvData& Defaults) {
    auto* grid = static_cast<QGridLayout*>(Group->layout());
    const int r = grid->rowCount();
    TRow row;
    row.Name = Name;
    row.Action = Action;
    row.Field = Field;
    row.DefaultText = Defaults.ShortcutKeys[Field];
    const QString n = QString::fromLatin1(Name);
    row.Image = new QLabel(Group);
    row.Image->setObjectName(QStringLiteral("Image_") + n);
    row.Image->setFixedSize(16, 16);
    row.Label = new QLabel(Group);
    row.Label->setObjectName(QStringLiteral("Label_") + n + QStringLiteral("_Name"));
    row.AsyncKey = new QComboBox(Group);
    row.AsyncKey->setObjectName(QStringLiteral("ComboBox_") + n + QStringLiteral("_AsyncKey"));
    row.Key = new QComboBox(Group);
    row.Key->setObjectName(QStringLiteral("ComboBox_") + n + QStringLiteral("_Key"));
    for (QComboBox* c : {row.AsyncKey, row.Key}) {
        c->setEditable(false);
        c->setMaxVisibleItems(30);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        QObject::connect(c, QOverload<int>::of(&QComboBox::activated), this, [this](int) { UpdateColors(); });
        QObject::connect(c, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int) { UpdateColors(); });
    }
    grid->addWidget(row.Image, r, 0);
    grid->addWidget(row.Label, r, 1);
    grid->addWidget(row.AsyncKey, r, 2);
    grid->addWidget(row.Key, r, 3);
    grid->setColumnStretch(1, 1);
    Rows.push_back(row);
}

void TFrame_ENVForm_ShortCutKey::BuildRows(TFrameSQLClient& Frame, const TReadableEnvData& Defaults) {
    if (FBuilt) return;
    FBuilt = true;
    TForm_Script* page = Frame.ActiveScriptPage();
    auto pageAction = [page](QAction* TForm_Script::*Member) { return page ? page->*Member : nullptr; };
    struct TDef {
        const char* Name;
        QAction* Action;
        TShortcutKeyIndex Field;
    };
    const std::pair<const char*, std::vector<TDef>> groups[] = {
        {"メインアクション",
         {{"AllSQLExecute", pageAction(&TForm_Script::Action_ALLSQLExec), sk_ALLSQLExec},
          {"SelectedSQLExec", pageAction(&TForm_Script::Action_SelectedSQLExec), sk_SelectedSQLExec},
          {"NewScript", pageAction(&TForm_Script::Action_NewScript), sk_NewScript},
          {"ScriptStop", pageAction(&TForm_Script::Action_ScriptStop), sk_ScriptStop},
          {"ShowExecSQLToggle", pageAction(&TForm_Script::Action_OutputSQLToggle), sk_OutputSQLToggle},
          {"EveryTimeStopToggle", pageAction(&TForm_Script::Action_EveryTimeStopToggle), sk_EveryTimeStopToggle},
          {"ErrorTimeStopToggle", pageAction(&TForm_Script::Action_ErrorTimeStopToggle), sk_ErrorTimeStopToggle}}},
        {"履歴",
         {{"SendScriptToHistory", pageAction(&TForm_Script::Action_SendScriptToHistory), sk_SendScriptToHistory},
          {"PrevHistoryRevival", pageAction(&TForm_Script::Action_PrevHistoryRevival), sk_PrevHistorhyRevival},
          {"NextHistoryRevival", pageAction(&TForm_Script::Action_NextHistoryRevival), sk_NextHistorhyRevival},
          {"ShowHistoryForm", pageAction(&TForm_Script::Action_ShowHistoryForm), sk_ShowHistoryForm}}},
        {"結果シート",
         {{"AddResultSeet", Frame.Action_AddResultSeet, sk_AddResultSeet},
          {"DelActiveResultSeet", Frame.Action_DelActiveResultSeet, sk_DelActiveResultSeet},
          {"DelInActiveResultSeet", Frame.Action_DelInActiveResultSeet, sk_DelInActiveResultSeet}}},
        {"環境", {{"EnvEdit", Frame.Action_EnvEdit, sk_EnvEdit}}},
        {"接続",
         {{"Connect", Frame.Action_Connect, sk_Connect},
          {"ReConnect", Frame.Action_ReConnect, sk_ReConnect},
          {"DisConnect", Frame.Action_DisConnect, sk_DisConnect}}},
        {"トランザクション",
         {{"AutoCommitToggle", Frame.Action_AutoCommitToggle, sk_AutoCommitToggle},
          {"Commit", Frame.Action_Commit, sk_Commit},
          {"RollBack", Frame.Action_RollBack, sk_RollBack}}},
        {"エディタ検索",
         {{"EditorSearch", Frame.Action_EditorSearch, sk_EditorSearch},
          {"EditorSearchReverse", Frame.Action_EditorSearchReverse, sk_EditorSearchReverse},
          {"EditorSearchShow", Frame.Action_EditorSearchShow, sk_EditorSearchShow}}},
        {"スクリプトエディタ",
         {{"NewScriptEditor", Frame.Action_NewScriptEditor, sk_NewScriptEditor},
          {"CloneScriptEditor", Frame.Action_CloneScriptEditor, sk_CloneScriptEditor},
          {"DelActiveScriptSheet", Frame.Action_DelActiveScriptSheet, sk_DelActiveScriptSheet},
          {"ScriptEditorCommentOut", pageAction(&TForm_Script::Action_SelectedSQLCommentOut),
           sk_ScriptEditorCommentOut},
          {"ScriptEditorCommentReOut", pageAction(&TForm_Script::Action_SelectedSQLCommentReOut),
           sk_ScriptEditorCommentReOut}}},
    };
    QWidget* body = findChild<QWidget*>(QStringLiteral("Panel_Rows"));
    for (const auto& [caption, defs] : groups) {
        auto* g = new QGroupBox(Q(caption), body);
        g->setLayout(new QGridLayout);
        for (const TDef& d : defs) AddRow(g, d.Name, d.Action, d.Field, Defaults);
        body->layout()->addWidget(g);
    }
    static_cast<QVBoxLayout*>(body->layout())->addStretch(1);
}

void TFrame_ENVForm_ShortCutKey::ShowRow(TRow& Row, const std::string& Text) {
    if (Row.Action) {
        Row.Image->setPixmap(Row.Action->icon().pixmap(16, 16));
        const std::string keys = shortcut::ShortCutToText(shortcut::FromKeySequence(Row.Action->shortcut()));
        Row.Label->setText(Row.Action->text() + Q(" : ") + cp932::ToQString(keys));
    } else {
        Row.Image->clear();
        Row.Label->setText(QString::fromLatin1(Row.Name.c_str()));
    }
    const QSignalBlocker b1(Row.AsyncKey), b2(Row.Key);
    Row.AsyncKey->clear();
    for (const std::string& s : ModifierItems()) Row.AsyncKey->addItem(cp932::ToQString(s));
    Row.Key->clear();
    for (const std::string& s : KeyItems()) Row.Key->addItem(cp932::ToQString(s));
    // the text's parts are what stands between the "+" signs
    std::string comma = Text;
    for (char& c : comma)
        if (c == '+') c = ',';
    TStringList parts;
    parts.SetCommaText(comma);
    if (parts.Count() == 0) parts.Add("ショートカットとしてはありえない文字列をここに入れておく");
    const std::string key = parts.Items.back();
    std::string modifier;
    for (int i = 0; i + 1 < parts.Count(); ++i) {
        if (i) modifier += "+";
        modifier += parts.Items[static_cast<size_t>(i)];
    }
    auto select = [](QComboBox* Box, const std::vector<std::string>& Items, const std::string& Part) {
        Box->setCurrentIndex(-1);
        for (size_t i = 0; i < Items.size(); ++i)
            if (sys::SameText(Items[i], Part)) {
                Box->setCurrentIndex(static_cast<int>(i));
                break;
            }
    };
    select(Row.Key, KeyItems(), key);
    select(Row.AsyncKey, ModifierItems(), modifier);
}

void TFrame_ENVForm_ShortCutKey::ShowEnv(TWritableEnvData& Data) {
    FData = &Data;
    for (TRow& row : Rows) ShowRow(row, Data.ShortcutKeys[row.Field]);
    UpdateColors();
}

void TFrame_ENVForm_ShortCutKey::ShowDefault(TWritableEnvData& Data) {
    for (TRow& row : Rows) Data.ShortcutKeys[row.Field] = row.DefaultText;
    ShowEnv(Data);
}

std::string TFrame_ENVForm_ShortCutKey::RowText(const TRow& Row) {
    const std::string mod = sys::Trim(cp932::FromQString(Row.AsyncKey->currentText()));
    const std::string key = sys::Trim(cp932::FromQString(Row.Key->currentText()));
    std::string text = mod;
    if (!mod.empty() && !key.empty()) text += "+";
    text += key;
    return text;
}

void TFrame_ENVForm_ShortCutKey::SetEnv(TWritableEnvData& Data) {
    for (TRow& row : Rows) {
        const std::string text = RowText(row);
        if (row.Action) row.Action->setShortcut(shortcut::ToKeySequence(shortcut::TextToShortCut(text)));
        Data.ShortcutKeys[row.Field] = text;
    }
}

void TFrame_ENVForm_ShortCutKey::UpdateColors() {
    static const char* const reserved[] = {"CTRL+C", "CTRL+A", "CTRL+Z", "CTRL+X", "CTRL+V", "CTRL+B", "CTRL+K"};
    std::vector<std::string> texts;
    texts.reserve(Rows.size());
    for (TRow& row : Rows) {
        row.Mark = mkPlain;
        const std::string text = RowText(row);
        texts.push_back(text);
        const std::string mod = sys::Trim(cp932::FromQString(row.AsyncKey->currentText()));
        const std::string key = sys::Trim(cp932::FromQString(row.Key->currentText()));
        if (mod.empty() && key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') row.Mark = mkNotRecommended;
        for (const char* r : reserved)
            if (text == r) row.Mark = mkNotRecommended;
    }
    // two rows that stand for the same keys (or both for none) collide
    for (size_t i = 0; i < Rows.size(); ++i)
        for (size_t j = i + 1; j < Rows.size(); ++j)
            if (texts[i] == texts[j]) Rows[i].Mark = Rows[j].Mark = mkDuplicate;
    for (TRow& row : Rows) {
        QFont f = row.Label->font();
        const bool marked = row.Mark != mkPlain;
        f.setBold(marked);
        f.setItalic(marked);
        f.setUnderline(marked);
        row.Label->setFont(f);
        QPalette p = row.Label->palette();
        p.setColor(QPalette::WindowText, row.Mark == mkNotRecommended ? QColor(Qt::blue)
                                         : row.Mark == mkDuplicate    ? QColor(Qt::red)
                                                                      : palette().color(QPalette::WindowText));
        row.Label->setPalette(p);
    }
}

// ---- the font size track bar -----------------------------------------------------------------------------

TFontSizeGroup::TFontSizeGroup(QWidget* Parent) : QGroupBox(Q("初期フォント"), Parent) {
    setObjectName(QStringLiteral("GroupBox_Font"));
    auto* l = new QVBoxLayout(this);
    TrackBar_FontSize = new QSlider(Qt::Horizontal, this);
    TrackBar_FontSize->setObjectName(QStringLiteral("TrackBar_FontSize"));
    TrackBar_FontSize->setRange(2, 72);
    TrackBar_FontSize->setFont(Parent ? Parent->font() : font());
    l->addWidget(TrackBar_FontSize);
    QObject::connect(TrackBar_FontSize, &QSlider::valueChanged, this, [this](int) { SizeChanged(); });
}

void TFontSizeGroup::SizeChanged() {
    const int size = TrackBar_FontSize->value();
    setTitle(Q("初期フォントサイズ： [ ") + QString::number(size) + Q(" ]"));
    QFont f = font();
    f.setPointSize(size);
    setFont(f);
    // about one and a half lines of the caption, the bar and a margin; never
    // less than the caption and the bar need, or the bar is squeezed away
    const int planned = static_cast<int>(1.5 * size) + TrackBar_FontSize->sizeHint().height() + 10;
    setFixedHeight(std::max(planned, minimumSizeHint().height()));
}

// ---- result display --------------------------------------------------------------------------------------

TFrame_ENVForm_ResultString::TFrame_ENVForm_ResultString(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("Frame_ENVForm_ResultString"));
    auto* l = new QVBoxLayout(this);
    GroupBox_Font = new TFontSizeGroup(this);
    TrackBar_FontSize = GroupBox_Font->TrackBar_FontSize;
    l->addWidget(GroupBox_Font);

    auto* crlf = new QGroupBox(Q("結果文字列内改行"), this);
    auto* cl = new QVBoxLayout(crlf);
    auto* crlfButtons = new QButtonGroup(crlf);
    RadioButton_CRLFPlastic = Radio(crlf, "RadioButton_CRLFPlastic", "改行文字があれば改行し、整形する");
    RadioButton_CRLFReplace = Radio(crlf, "RadioButton_CRLFReplace", "改行を以下の文字に置き換える");
    crlfButtons->addButton(RadioButton_CRLFPlastic);
    crlfButtons->addButton(RadioButton_CRLFReplace);
    Edit_CRLFStr = new QLineEdit(crlf);
    Edit_CRLFStr->setObjectName(QStringLiteral("Edit_CRLFStr"));
    cl->addWidget(RadioButton_CRLFPlastic);
    cl->addWidget(RadioButton_CRLFReplace);
    cl->addWidget(Edit_CRLFStr);
    l->addWidget(crlf);

    auto* tab = new QGroupBox(Q("Tab文字"), this);
    auto* tl = new QVBoxLayout(tab);
    tl->addWidget(RadioGroup(tab, "表現方法", {&RadioButton_ShowTabKind_Rep, &RadioButton_ShowTabKind_Tab},
                             {{"RadioButton_ShowTabKind_Rep", "置き換え"}, {"RadioButton_ShowTabKind_Tab", "タブ表現"}}));
    Edit_TabReprace = new QLineEdit(tab);
    Edit_TabReprace->setObjectName(QStringLiteral("Edit_TabReprace"));
    tl->addWidget(Edit_TabReprace);
    tl->addWidget(RadioGroup(tab, "タブ文字展開数",
                             {&RadioButton_Tab_2, &RadioButton_Tab_4, &RadioButton_Tab_6, &RadioButton_Tab_8},
                             {{"RadioButton_Tab_2", "2"}, {"RadioButton_Tab_4", "4"}, {"RadioButton_Tab_6", "6"},
                              {"RadioButton_Tab_8", "8"}}));
    tl->addWidget(RadioGroup(tab, "形式", {&RadioButton_SoftTab, &RadioButton_HardTab},
                             {{"RadioButton_SoftTab", "ソフトタブ"}, {"RadioButton_HardTab", "ハードタブ"}}));
    l->addWidget(tab);
    l->addStretch(1);
    Button_Default = AddDefaultButton(this, l);

    for (QRadioButton* r : {RadioButton_CRLFPlastic, RadioButton_CRLFReplace, RadioButton_ShowTabKind_Rep,
                            RadioButton_ShowTabKind_Tab})
        QObject::connect(r, &QRadioButton::toggled, this, [this](bool) { UpdateEnabled(); });
    QObject::connect(Button_Default, &QPushButton::clicked, this, [this] { ShowDefault(); });
}

void TFrame_ENVForm_ResultString::UpdateEnabled() {
    Edit_CRLFStr->setEnabled(RadioButton_CRLFReplace->isChecked());
    const bool rep = RadioButton_ShowTabKind_Rep->isChecked();
    Edit_TabReprace->setEnabled(rep);
    for (QRadioButton* r : {RadioButton_Tab_2, RadioButton_Tab_4, RadioButton_Tab_6, RadioButton_Tab_8,
                            RadioButton_SoftTab, RadioButton_HardTab})
        r->setEnabled(!rep);
}

void TFrame_ENVForm_ResultString::ShowEnv(const TReadableEnvData& Data) {
    TrackBar_FontSize->setValue(Data.ResultEditorFontSize);
    GroupBox_Font->SizeChanged();
    (Data.CRLFReplace ? RadioButton_CRLFReplace : RadioButton_CRLFPlastic)->setChecked(true);
    Edit_CRLFStr->setText(cp932::ToQString(Data.CRLFReplaceStr));
    (Data.TabReplace ? RadioButton_ShowTabKind_Rep : RadioButton_ShowTabKind_Tab)->setChecked(true);
    Edit_TabReprace->setText(cp932::ToQString(Data.TabRepraceStr));
    (Data.ResultEditorSoftTab ? RadioButton_SoftTab : RadioButton_HardTab)->setChecked(true);
    ShowTabWidth(Data.ResultEditorSoftTabSpaceCount, RadioButton_Tab_2, RadioButton_Tab_4, RadioButton_Tab_6,
                 RadioButton_Tab_8);
    UpdateEnabled();
}

void TFrame_ENVForm_ResultString::ShowDefault() {
    TWritableEnvData defaults;
    ShowEnv(defaults);
}

std::string TFrame_ENVForm_ResultString::Validate() const {
    bool lossy = false;
    cp932::FromQString(Edit_CRLFStr->text(), &lossy);
    if (lossy) return "「改行を以下の文字に置き換える」の文字に、シフトJISで表せない文字が含まれています。";
    cp932::FromQString(Edit_TabReprace->text(), &lossy);
    if (lossy) return "タブの置き換え文字に、シフトJISで表せない文字が含まれています。";
    const std::string tab = cp932::FromQString(Edit_TabReprace->text());
    if (!tab.empty() && (static_cast<unsigned char>(tab.front()) <= ' ' || static_cast<unsigned char>(tab.back()) <= ' '))
        return "タブの置き換え文字の前後に空白は使えません（設定ファイルに残りません）。";
    return std::string();
}

void TFrame_ENVForm_ResultString::SetEnv(TWritableEnvData& Data) const {
    Data.ResultEditorFontSize = TrackBar_FontSize->value();
    Data.CRLFReplace = RadioButton_CRLFReplace->isChecked();
    Data.CRLFReplaceStr = cp932::FromQString(Edit_CRLFStr->text());
    Data.TabReplace = RadioButton_ShowTabKind_Rep->isChecked();
    Data.TabRepraceStr = cp932::FromQString(Edit_TabReprace->text());
    Data.ResultEditorSoftTab = RadioButton_SoftTab->isChecked();
    Data.ResultEditorSoftTabSpaceCount = TabWidth(RadioButton_Tab_2, RadioButton_Tab_4, RadioButton_Tab_6,
                                                  RadioButton_Tab_8);
}

// ---- script editor ----------------------------------------------------------------------------------------

TFrame_ENVForm_ScriptEditor::TFrame_ENVForm_ScriptEditor(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("Frame_ENVForm_ScriptEditor"));
    auto* l = new QVBoxLayout(this);
    GroupBox_Font = new TFontSizeGroup(this);
    TrackBar_FontSize = GroupBox_Font->TrackBar_FontSize;
    l->addWidget(GroupBox_Font);
    auto* tab = new QGroupBox(Q("Tab文字"), this);
    auto* tl = new QVBoxLayout(tab);
    tl->addWidget(RadioGroup(tab, "タブ文字展開数",
                             {&RadioButton_Tab_2, &RadioButton_Tab_4, &RadioButton_Tab_6, &RadioButton_Tab_8},
                             {{"RadioButton_Tab_2", "2"}, {"RadioButton_Tab_4", "4"}, {"RadioButton_Tab_6", "6"},
                              {"RadioButton_Tab_8", "8"}}));
    tl->addWidget(RadioGroup(tab, "Tab表現", {&RadioButton_SoftTab, &RadioButton_HardTab},
                             {{"RadioButton_SoftTab", "ソフトタブ"}, {"RadioButton_HardTab", "ハードタブ"}}));
    l->addWidget(tab);
    l->addStretch(1);
    Button_Default = AddDefaultButton(this, l);
    QObject::connect(Button_Default, &QPushButton::clicked, this, [this] { ShowDefault(); });
}

void TFrame_ENVForm_ScriptEditor::ShowEnv(const TReadableEnvData& Data) {
    TrackBar_FontSize->setValue(Data.ScriptEditorFontSize);
    GroupBox_Font->SizeChanged();
    (Data.ScriptEditorSoftTab ? RadioButton_SoftTab : RadioButton_HardTab)->setChecked(true);
    ShowTabWidth(Data.ScriptEditorSoftTabSpaceCount, RadioButton_Tab_2, RadioButton_Tab_4, RadioButton_Tab_6,
                 RadioButton_Tab_8);
}

void TFrame_ENVForm_ScriptEditor::ShowDefault() {
    TWritableEnvData defaults;
    ShowEnv(defaults);
}

void TFrame_ENVForm_ScriptEditor::SetEnv(TWritableEnvData& Data) const {
    Data.ScriptEditorFontSize = TrackBar_FontSize->value();
    Data.ScriptEditorSoftTab = RadioButton_SoftTab->isChecked();
    Data.ScriptEditorSoftTabSpaceCount = TabWidth(RadioButton_Tab_2, RadioButton_Tab_4, RadioButton_Tab_6,
                                                  RadioButton_Tab_8);
}

// ---- mouse gestures ---------------------------------------------------------------------------------------

const char* TFrame_ENVForm_MouseJesture::HelpText() {
    return "マウスジェスチャーは、右ボタンを押したままマウスを動かして操作します。\r\n"
           "上下左右の動きを続けて描いたものが、一つのジェスチャーになります。\r\n"
           "\r\n"
           "■スクリプトエディタ\r\n"
           "　↓　　　：実行（範囲を選択していれば選択範囲を実行）\r\n"
           "　→　　　：履歴に追加保存してから次の履歴\r\n"
           "　←　　　：履歴に追加保存してから前の履歴\r\n"
           "　←→　　：新しいスクリプト\r\n"
           "　↑　　　：履歴画面表示\r\n"
           "　↑→　　：指定範囲をコメントアウト\r\n"
           "　↑←　　：指定範囲のコメント解除\r\n"
           "　→↑↓　：スクリプトエディタを複製\r\n"
           "\r\n"
           "■結果表示\r\n"
           "　↓　　　：結果シートを追加\r\n"
           "　←→　　：表示中の結果シートを削除\r\n"
           "　→　　　：次の結果シート\r\n"
           "　←　　　：前の結果シート\r\n"
           "\r\n"
           "■円スクロール\r\n"
           "　右ボタンを押したまま円を描くと、時計回りで右へ、\r\n"
           "　反時計回りで左へスクロールします。\r\n"
           "　速く回すほど大きくスクロールします。\r\n"
           "\r\n"
           "ジェスチャーを無効にしても、円スクロールは使えます。";
}

TFrame_ENVForm_MouseJesture::TFrame_ENVForm_MouseJesture(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("Frame_ENVForm_MouseJesture"));
    auto* l = new QVBoxLayout(this);
    l->addWidget(RadioGroup(this, "マウスジェスチャーを", {&RadioButton_Active, &RadioButton_Deactive},
                            {{"RadioButton_Active", "有効にする"}, {"RadioButton_Deactive", "無効にする"}}));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(cp932::ToQString(HelpText()));
    l->addWidget(Memo1, 1);
    Button_Default = AddDefaultButton(this, l);
    QObject::connect(Button_Default, &QPushButton::clicked, this, [this] { ShowDefault(); });
}

void TFrame_ENVForm_MouseJesture::ShowEnv(const TReadableEnvData& Data) {
    ShowDefault();
    (Data.MouseGestureActive ? RadioButton_Active : RadioButton_Deactive)->setChecked(true);
}

void TFrame_ENVForm_MouseJesture::ShowDefault() {
    TWritableEnvData defaults;
    (defaults.MouseGestureActive ? RadioButton_Active : RadioButton_Deactive)->setChecked(true);
}

void TFrame_ENVForm_MouseJesture::SetEnv(TWritableEnvData& Data) const {
    Data.MouseGestureActive = RadioButton_Active->isChecked();
}

// ---- transaction control ----------------------------------------------------------------------------------

TFrame_ENVForm_Tranzaction::TFrame_ENVForm_Tranzaction(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("Frame_ENVForm_Tranzaction"));
    auto* l = new QVBoxLayout(this);
    auto* g = new QGroupBox(Q("コミットモード"), this);
    auto* gl = new QVBoxLayout(g);
    auto* group = new QButtonGroup(g);
    RadioButton_EndTime = Radio(g, "RadioButton_EndTime", "前回終了時の状態を復元");
    RadioButton_Manual = Radio(g, "RadioButton_Manual", "起動時は「明示コミット」状態にする");
    RadioButton_Auto = Radio(g, "RadioButton_Auto", "起動時は「オートコミット」状態にする");
    for (QRadioButton* r : {RadioButton_EndTime, RadioButton_Manual, RadioButton_Auto}) {
        group->addButton(r);
        gl->addWidget(r);
    }
    l->addWidget(g);
    l->addStretch(1);
    Button_Default = AddDefaultButton(this, l);
    QObject::connect(Button_Default, &QPushButton::clicked, this, [this] { ShowDefault(); });
}

void TFrame_ENVForm_Tranzaction::ShowEnv(const TReadableEnvData& Data) {
    ShowDefault();
    switch (Data.CommitMode) {
        case acmk_UnKnown:
        case acmk_Auto: RadioButton_Auto->setChecked(true); break;
        case acmk_Manual: RadioButton_Manual->setChecked(true); break;
        case acmk_Env: RadioButton_EndTime->setChecked(true); break;
    }
}

void TFrame_ENVForm_Tranzaction::ShowDefault() {
    TWritableEnvData defaults;
    switch (defaults.CommitMode) {
        case acmk_Manual: RadioButton_Manual->setChecked(true); break;
        case acmk_Env: RadioButton_EndTime->setChecked(true); break;
        default: RadioButton_Auto->setChecked(true); break;
    }
}

void TFrame_ENVForm_Tranzaction::SetEnv(TWritableEnvData& Data) const {
    if (RadioButton_EndTime->isChecked())
        Data.CommitMode = acmk_Env;
    else if (RadioButton_Auto->isChecked())
        Data.CommitMode = acmk_Auto;
    else
        Data.CommitMode = acmk_Manual;
}
