#include "U_Form_DesctreeProperty.h"

#include <QVBoxLayout>

#include "AppException.h"
#include "U_DataSetStrings.h"
#include "U_Frame_SQLClient.h"

TForm_DesctreeProperty::TForm_DesctreeProperty(QWidget* Owner) : QWidget(Owner) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Editor_DescTreeParams = MakeEditor<TKZNEditor>(this);
    layout->addWidget(Editor_DescTreeParams);
    Editor_DescTreeParams->setFrameShape(QFrame::NoFrame);
    Editor_DescTreeParams->SetScrollBars(ssBoth);
    Editor_DescTreeParams->setFont(QFont(QStringLiteral("IPAGothic"), 10));
    TEditorUtil::SetStandardOptions(*Editor_DescTreeParams);
    Editor_DescTreeParams->SetReadOnly(true);
    // A double click selects the token at the caret.
    TKZNEditor* editor = Editor_DescTreeParams;
    editor->OnDblClick = [editor](TObject*) {
        app::Guard([editor] { editor->SelectTokenFromPos(TPoint{editor->Col(), editor->Row()}); });
    };
}

void TForm_DesctreeProperty::ShowText(const std::string& Text) {
    TEditorStrings& lines = Editor_DescTreeParams->Lines();
    lines.Clear();
    lines.Add(Text);
    Editor_DescTreeParams->SetReadOnly(true);
}

void TForm_DesctreeProperty::ShowSQL(TFrameSQLClient* Frame, const std::string& SQL) {
    TKZNEditor* editor = Editor_DescTreeParams;
    editor->Lines().Clear();
    std::unique_ptr<TDataSet> dataSet;
    try {
        if (!Frame->OnExecuteSQL) throw Exception("ユーザ実装エラー：SQL発行が実装されていません");
        std::string msg;
        Frame->OnExecuteSQL(Frame, SQL, TSQLKind::Query, dataSet, msg);
        TStringList lines;
        if (dataSet && dataSet->Active()) WriteDataSet(Frame->GetEnvData(), dataSet.get(), lines);
        editor->Lines().SetText(lines.Text());
    } catch (const std::exception& e) {
        editor->Lines().Add("■" + std::string(e.what()) + "\r\n" + SQL);
    }
    editor->SetRow(0);
    editor->SetCol(0);
    editor->ScrollCaretIntoView();
    dataSet.reset();
}

void TForm_DesctreeProperty::WriteDataSet(const TReadableEnvData& EnvData, TDataSet* DataSet, TStringList& Lines) {
    Lines.Clear();
    TResultSetSeparateStrings layout(EnvData, true, DataSet);
    Lines.Add(layout.GetHeaderLine());
    Lines.Add(layout.GetScaleLine());
    DataSet->First();
    std::string block;
    int records = 0;
    while (!DataSet->Eof()) {
        layout.AppendRecordText(block);
        ++records;
        DataSet->Next();
    }
    Lines.AddStrings(TStringList(block));
    if (records != 1) return;

    // One record: one "name : value" line per field.
    Lines.Clear();
    DataSet->First();
    TStringList value;
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        FieldValueToLines(DataSet, i, EnvData, value, true, "");
        std::string line = DataSet->Fields(i).FieldName() + " : ";
        if (value.Count() > 1) line += "\r\n";
        for (int k = 0; k < value.Count(); ++k) {
            if (k) line += "\r\n";
            line += value[k];
        }
        Lines.Add(line);
    }
}
