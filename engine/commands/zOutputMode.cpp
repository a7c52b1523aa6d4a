#include "zOutputMode.h"

#include "SysUtils.h"

Z_DEFINE_COMMAND_CLASS(TzText);
Z_DEFINE_COMMAND_CLASS(TzTextGrid);
Z_DEFINE_COMMAND_CLASS(TzGrid);
Z_DEFINE_COMMAND_CLASS(TzSDF);
Z_DEFINE_COMMAND_CLASS(TzTAB);
Z_DEFINE_COMMAND_CLASS(TzSQLEcho);
Z_DEFINE_COMMAND_CLASS(TzSQLResultEchoOff);
Z_DEFINE_COMMAND_CLASS(TzCutSheet);

TOutputModeCommand::TOutputModeCommand(IScriptHost* Host, const TParamsArr& Params, TResultOutputMode Mode,
                                       const char* ModeName)
    : TNativCommand(Host, Params), Mode(Mode) {
    Title = std::string("データセット表示を") + ModeName + "に変更";
    Help.Add(std::string("SELECT文の結果であるデータセットの表示を") + ModeName + "に変更します。");
}

void TOutputModeCommand::Execute() { Host->SetResultOutputMode(Mode); }

TzText::TzText(IScriptHost* Host, const TParamsArr& Params)
    : TOutputModeCommand(Host, Params, rom_Text, "テキスト出力") {}
TzTextGrid::TzTextGrid(IScriptHost* Host, const TParamsArr& Params)
    : TOutputModeCommand(Host, Params, rom_TextGrid, "テキスト出力（区切り付き）") {}
TzGrid::TzGrid(IScriptHost* Host, const TParamsArr& Params)
    : TOutputModeCommand(Host, Params, rom_Grid, "グリッド出力") {}
TzSDF::TzSDF(IScriptHost* Host, const TParamsArr& Params)
    : TOutputModeCommand(Host, Params, rom_SDF, "SDF(CSV)出力") {}
TzTAB::TzTAB(IScriptHost* Host, const TParamsArr& Params)
    : TOutputModeCommand(Host, Params, rom_Tab, "TAB出力") {}

TzSQLEcho::TzSQLEcho(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "実行したコマンドやSQLを結果に表示";
    Help.Add("コマンド：命令行をはそのまま表示");
    Help.Add("SQL：実際にサーバに送信した文字列を表示");
    Help.Add("");
    Help.Add("  使用方法");
    Help.Add("    Param  : ON:表示する  : OFF:表示しない");
    Help.Add("    （パラメータなしの場合は現在状態を表示します)");
    Help.Add("");
    Help.Add("   例： #SQLEcho OFF   (「SQLEcho表示をしない」に変更)");
}

void TzSQLEcho::Execute() {
    const std::string& param = Params[0];
    if (param.empty()) {
        Output.Add(Host->GetActiveScriptOutputSQL() ? "SQLEcho は ON です。" : "SQLEcho は OFF です。");
        return;
    }
    const std::string value = sys::UpperCase(sys::Trim(param));
    if (value == "ON")
        Host->SetActiveScriptOutputSQL(true);
    else if (value == "OFF")
        Host->SetActiveScriptOutputSQL(false);
    else
        Output.Add("パラメータが無効です。 [" + param + "]");
}

TzSQLResultEchoOff::TzSQLResultEchoOff(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "次に実行するSQLの結果情報を制御する";
    Help.Add("このコマンドが実行された直後のSQL結果報告文字列の表示制御をする。");
    Help.Add("   （SQL実行結果の例：  「 結果:49件 (180ms) 」） ");
    Help.Add("");
    Help.Add("  使用方法");
    Help.Add("    Param  : ON:表示する  : OFF:表示しない");
    Help.Add("    （パラメータなしの場合は現在状態を表示します)");
    Help.Add("");
    Help.Add("   例： #SQLResultEcho OFF   (「SQLResultEcho表示をしない」に変更)");
    Help.Add("");
    Help.Add("   注意：このコマンドは、同一スクリプト内であり、かつ直後のＳＱＬ結果にのみ有効です。");
}

void TzSQLResultEchoOff::Execute() { Host->SetActiveScriptResultEcho(false); }

TzCutSheet::TzCutSheet(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "次に実行するSQLを単票出力する";
    Help.Add("このコマンドが実行された直後のSQL結果を単票出力する。");
    Help.Add("");
    Help.Add("   注意：このコマンドは、同一スクリプト内であり、かつ直後のＳＱＬ結果にのみ有効です。");
}

void TzCutSheet::Execute() { Host->SetActiveScriptCutSheet(true); }
