#include "zRecordDisplaySetting.h"

#include "SysUtils.h"
#include "T_KZNUtil.h"

Z_DEFINE_COMMAND_CLASS(TzStepDisplayCount);

TzStepDisplayCount::TzStepDisplayCount(IScriptHost* Host, const TParamsArr& Params)
    : TNativCommand(Host, Params), Frame(Host) {
    Title = "実行結果をステップ表示";
    Help.Add("実行結果をステップ表示する行数の設定または表示します");
    Help.Add("  使用方法");
    Help.Add("    Param 1 : ステップ表示行数 または [OFF]");
    Help.Add("      ※Param 1 に何も指定しなかった場合は環境変数 StepDisplayCountの値を表示します");
    Help.Add("      ※Param 1 に [OFF]を記述した場合は環境変数 StepDisplayCountの値を 0 にします");
}

void TzStepDisplayCount::Execute() {
    Output.Clear();
    const std::string t = sys::Trim(Params[0]);
    if (t.empty()) {
        Output.Add(sys::IntToStr(Frame->GetStepDisplayCount()));
    } else if (TKZNUtil::IsInteger(t)) {
        const int32_t count = sys::StrToInt(t);
        Frame->SetStepDisplayCount(count);
        Output.Add(sys::IntToStr(count));
    } else if (sys::UpperCase(t) == "OFF") {
        Frame->SetStepDisplayCount(0);
        Output.Add("OFF");
    } else {
        Output.Add("パラメータが不正です [ " + Params[0] + " ]");
    }
}
