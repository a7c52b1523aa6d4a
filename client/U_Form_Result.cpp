#include "U_Form_Result.h"

#include <QActionGroup>
#include <QVBoxLayout>

#include <QCoreApplication>

#include "AppException.h"
#include "KeyTypes.h"
#include "Reentrancy.h"
#include "SysUtils.h"
#include "U_Form_Script.h"
#include "U_ClientMessages.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultTextOutput.h"

namespace {

QAction* NewAction(QWidget* owner, const char16_t* caption) {
    auto* a = new QAction(QString::fromUtf16(caption), owner);
    owner->addAction(a);
    return a;
}

}  // namespace

TForm_Result::TForm_Result(QObject* AOwner, TPageFormManager* Manager) : TPageForm(AOwner, Manager) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ToolBar1 = new QToolBar(this);
    layout->addWidget(ToolBar1);
    layout->addStretch(1);

    Action_Mode_Text = NewAction(this, u"テキストモード");
    Action_Mode_TextGrid = NewAction(this, u"テキストグリッドモード");
    Action_Mode_Grid = NewAction(this, u"グリッドモード");
    Action_Mode_Tab = NewAction(this, u"Ｔａｂモード");
    Action_Mode_SDF = NewAction(this, u"ＳＤＦモード");
    Action_Mode_SDF->setToolTip(QString::fromUtf16(u"ＳＤＦモード（ＣＳＶモード）"));
    Action_SaveToFile = NewAction(this, u"ファイルに保存");
    Action_SaveToExcel = NewAction(this, u"Excel形式で保存");
    const std::pair<QAction*, TResultOutputMode> modes[] = {{Action_Mode_Text, rom_Text},
                                                            {Action_Mode_TextGrid, rom_TextGrid},
                                                            {Action_Mode_Grid, rom_Grid},
                                                            {Action_Mode_Tab, rom_Tab},
                                                            {Action_Mode_SDF, rom_SDF}};
    for (auto [action, mode] : modes) {
        action->setCheckable(true);
        ToolBar1->addAction(action);
        QObject::connect(action, &QAction::triggered, this, [this, m = mode] { SetOutputMode(m); });
    }
    ToolBar1->addAction(Action_SaveToFile);
    ToolBar1->addAction(Action_SaveToExcel);
    // Written with "#" whatever the command prefix is.
    QObject::connect(Action_SaveToFile, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) f->ExecuteScriptText("#SaveToFile;");
        });
    });
    QObject::connect(Action_SaveToExcel, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) f->ExecuteScriptText("#SaveToFileXLS;");
        });
    });
    Editor = MakeEditor<TKZNEditor>(this);
    layout->addWidget(Editor, 1);
    FEditorConsole = std::make_unique<TEditorResultConsole>(*Editor);
    FConsole = FEditorConsole.get();
    InitEditor();
    Editor->Lines().Clear();
    SetOutputMode(rom_Text);
}

TForm_Result::~TForm_Result() { FConsole = nullptr; }

void TForm_Result::InitEditor() {
    Editor->AcceptShellDorpFile = true;
    TEditorUtil::SetStandardOptions(*Editor);
    Editor->Caret().FreeCaret = false;
    int size = 11;
    if (TFrameSQLClient* f = Frame()) size = f->EnvData->ResultEditorFontSize;
    Editor->setFont(QFont(QStringLiteral("IPAGothic"), std::max(1, size)));
    Editor->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) { EditorKeyDown(Key, Shift); };
}

// Enter on the last non-blank line of the console runs it when it is a command or import line.
void TForm_Result::EditorKeyDown(uint16_t& Key, TShiftState Shift) {
    if (Key != VK_RETURN || Shift != 0) return;
    TFrameSQLClient* frame = Frame();
    if (!frame) return;
    std::string line;
    const TStringList lines(Editor->Lines().GetText());
    if (!CommandLineAtCaret(lines, Editor->LineOfRow(Editor->Row()), frame->CommandPrefix,
                            frame->ImportScriptFileNamePrefix, line))
        return;
    Key = 0;
    QPointer<TForm_Result> self = this;
    app::Guard([&] { frame->ExecuteScript(TStringList(line)); });
    if (self) self->Editor->setFocus();
}

TFrameSQLClient* TForm_Result::Frame() const { return dynamic_cast<TFrameSQLClient*>(Owner()); }

void TForm_Result::FocusEditor() { Editor->setFocus(); }

void TForm_Result::SetOutputMode(TResultOutputMode Mode) {
    FOutputMode = Mode;
    Action_Mode_Text->setChecked(Mode == rom_Text);
    Action_Mode_TextGrid->setChecked(Mode == rom_TextGrid);
    Action_Mode_Grid->setChecked(Mode == rom_Grid);
    Action_Mode_Tab->setChecked(Mode == rom_Tab);
    Action_Mode_SDF->setChecked(Mode == rom_SDF);
}

int TForm_Result::FindStartLine(int Row) const {
    if (StartLines.empty() || Row < StartLines.front()) return 0;
    for (auto it = StartLines.rbegin(); it != StartLines.rend(); ++it)
        if (*it <= Row) return *it;
    return 0;
}

bool TForm_Result::CommandLineAtCaret(const TStringList& Lines, int Row, char CommandPrefix, char ImportPrefix,
                                      std::string& Line) {
    if (Row < 0 || Row >= Lines.Count()) return false;
    const std::string t = sys::Trim(Lines[Row]);
    if (t.empty() || (t[0] != CommandPrefix && t[0] != ImportPrefix)) return false;
    for (int i = Row + 1; i < Lines.Count(); ++i)
        if (!sys::Trim(Lines[i]).empty()) return false;
    Line = t;
    return true;
}

void TForm_Result::SetBundleOptions(const std::string& StartText, const std::string& EndText, bool Adjust) {
    BundleStart = StartText;
    BundleEnd = EndText;
    BundleAdjust = Adjust;
    if (TFrameSQLClient* f = Frame())
        winmsg::SendMessage(f->MessageWindowHandle, mc::WM_MC_BUNDLECHANGE, reinterpret_cast<winmsg::WPARAM>(this), 0);
}

void TForm_Result::ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet) {
    if (!DataSet || !DataSet->Active()) return;
    TResultConsole* console = Console();
    TFrameSQLClient* frame = Frame();
    if (!console || !frame) return;
    if (FOutputMode == rom_Grid) {
        StartLines.push_back(console->LineCount() + 1);
        if (DataSet->IsUniDirectional()) console->AddLine("■単方向データセットはグリッド出力できません。");
        return;  // the grid pages come with the grid window
    }
    QPointer<TForm_Result> self = this;
    TResultTextOutput::TContext ctx;
    ctx.Console = console;
    ctx.EnvData = frame->EnvData.get();
    ctx.StepDisplayCount = frame->StepDisplayCount;
    ctx.Pause = [frame](const std::string& reason) {
        if (TForm_Script* page = frame->ActiveScriptPage()) page->Pause(reason);
    };
    ctx.StopRequested = [frame] {
        TForm_Script* page = frame->ActiveScriptPage();
        return (page && page->Stop()) || reentry::Terminating();
    };
    ctx.ProcessMessages = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    ctx.StartLines = &StartLines;
    TResultTextOutput::Show(std::move(DataSet), FOutputMode, CutSheet, ctx);
}
