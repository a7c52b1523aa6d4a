#include "U_CloseTimeSaves.h"

#include <exception>

#include "Exception.h"

void TCloseTimeSaves::Add(std::string Name, std::string FileName, std::function<void()> Save) {
    FSteps.push_back(TStep{std::move(Name), std::move(FileName), std::move(Save)});
}

std::string TCloseTimeSaves::Run() const {
    std::string failures;
    for (const TStep& step : FSteps) {
        std::string error;
        try {
            if (step.Save) step.Save();
            continue;
        } catch (const Exception& e) {
            error = e.Message;
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            error = "不明なエラー";
        }
        failures += step.Name + "の保存に失敗しました。[" + step.FileName + "]\r\n" + error + "\r\n";
    }
    return failures;
}
