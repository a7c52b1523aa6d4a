#include "zResultSheet.h"

Z_DEFINE_COMMAND_CLASS(TzNewSheet);
Z_DEFINE_COMMAND_CLASS(TzDelSheet);
Z_DEFINE_COMMAND_CLASS(TzInitSheet);
Z_DEFINE_COMMAND_CLASS(TzDelInActiveSheet);

TzNewSheet::TzNewSheet(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "新規結果シートの作成";
    Help.Add("新しく結果シートを作成します。");
    Help.Add("  使用方法");
    Help.Add("    Param  : 新規シート名  ※重複した場合は上書きになります。");
    Help.Add("    （パラメータなしの場合はデフォルトシート名で新規作成します）");
}

void TzNewSheet::Execute() {
    if (Params[0].empty())
        Host->NewResultSheet();
    else
        Host->AddResultSheet(Params[0]);
}

TzDelSheet::TzDelSheet(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "結果シートの削除";
    Help.Add("結果シートを削除します。");
    Help.Add("  使用方法");
    Help.Add("    Param  : 削除シート名");
    Help.Add("    （パラメータなしの場合はカレントシートが削除されます）");
    Help.Add("    ※指定同名のシートがある場合は全て削除します。");
}

void TzDelSheet::Execute() {
    if (Params[0].empty())
        Host->DeleteActiveResultSheet();
    else
        Host->DeleteResultSheet(Params[0]);
}

TzInitSheet::TzInitSheet(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "結果シートの初期化";
    Help.Add("全ての結果シートを削除し、新たに一つ結果シートを作成します。");
    Help.Add("  使用方法");
    Help.Add("    Param  : 初期シート名");
    Help.Add("    （パラメータなしの場合はデフォルト名で初期シートが作成されます）");
}

void TzInitSheet::Execute() { Host->InitResultSheets(Params[0]); }

TzDelInActiveSheet::TzDelInActiveSheet(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "アクティブシート以外の削除";
    Help.Add("現在アクティブなシート「以外」全てのシートを削除します。");
}

void TzDelInActiveSheet::Execute() { Host->DeleteInActiveResultSheets(); }
