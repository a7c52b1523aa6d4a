#include "U_ScriptExecutor.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include <sys/prctl.h>
#include <time.h>

#include "Headless.h"
#include "OdbcConnectString.h"
#include "Reentrancy.h"
#include "ScopeExit.h"
#include "SysUtils.h"
#include "U_DataSetStrings.h"
#include "U_SQL99.h"
#include "U_ScriptManager.h"

namespace {

const char* const kBannerRule = "*******************************************************";
const char* const kBannerText = "**** Oracle SQLPlus 仕様でスクリプトを解析しました ****";
const char* const kParseDebugHeader = "************スクリプト解析エラーデバッグ出力************";
const char* const kFatal = "■■■致命的エラーが発生しました■■■";
const char* const kErrorPause = "エラーが発生しました";
const char* const kStepPause = "一時停止";

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The pause is one millisecond from now, and not much more: the kernel wakes a
// sleeper some tens of microseconds late (more on a busy machine), which over
// thousands of statements adds up. So the thread sleeps to an absolute
// deadline less the lateness seen so far and waits out the rest on the clock.
void SleepOneMillisecond() {
    static const bool precise = [] { return prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0; }();
    (void)precise;
    constexpr int64_t kPauseNs = 1000000, kMinMarginNs = 20000, kMaxMarginNs = 300000;
    static int64_t lateNs = 50000;  // the kernel's recent wake-up lateness, smoothed
    const int64_t deadline = MonotonicNs() + kPauseNs;
    const int64_t margin = std::clamp(lateNs + lateNs / 2 + 10000, kMinMarginNs, kMaxMarginNs);
    const int64_t wake = deadline - margin;
    const timespec at{static_cast<time_t>(wake / 1000000000), static_cast<long>(wake % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
    int64_t now = MonotonicNs();
    lateNs += (std::max<int64_t>(now - wake, 0) - lateNs) / 8;
    while (now < deadline) now = MonotonicNs();
}

// A failure of the run: counted for the exit code; without a display its
// message goes to the error output, where someone may read it.
void RunFailed(const std::string& Message) {
    headless::NoteFailure();
    if (headless::NoDisplay()) headless::ErrorLine(Message);
}

std::string ClassNameOf(const std::exception& e) {
    if (auto* ex = dynamic_cast<const Exception*>(&e)) return ex->ClassName();
    return "Exception";
}

// What an error says: its message, or the out-of-memory text for a bare std::bad_alloc.
std::string ErrorMessageOf(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e)) return kOutOfMemoryText;
    return e.what();
}

}  // namespace

TResultConsole* TScriptExecutor::Console() {
    TResultConsole* c = Page.ResultConsole();
    return c ? c : &NullResultConsole();
}

TStringList TScriptExecutor::ReplaceParams(const TStringList& Script, const TStringList& Params) {
    TStringList L(Script);
    for (int i = 0; i < Params.Count(); ++i)
        L.SetText(sys::StringReplaceAll(L.Text(), "{%" + std::to_string(i) + "}", Params[i]));
    return L;
}

std::string TScriptExecutor::SQLErrorPositionText(const ESQL99Exception& E) {
    const int32_t pos = E.ErrorPosition;
    const size_t n = std::min(static_cast<size_t>(pos > 0 ? pos : 0), E.SQL.size());
    int line = 1;
    for (size_t k = 0; k < n; ++k)
        if (E.SQL[k] == '\r') ++line;
    // Bytes after the nearest LF before the position, up to the position.
    int32_t column = pos;
    for (size_t k = n; k-- > 1;)
        if (E.SQL[k - 1] == '\n') {
            column = pos - static_cast<int32_t>(k);
            break;
        }
    return E.Message + "[Line:" + std::to_string(line) + ",Pos:" + std::to_string(column) + "]" + " [Byte" +
           std::to_string(pos) + "]";
}

void TScriptExecutor::Execute(const TStringList& Script, const TStringList& Params) {
    reentry::TBusyGuard busy;
    TScriptRunFlags& f = Page.RunFlags();
    IScriptHost& host = Page.Host();
    const bool outermost = f.Depth == 0;
    ++f.Depth;

    f.CutSheet = false;
    if (outermost) Page.SendScriptToHistory();
    char delimiter = Page.SQLDelimiter();
    if (outermost) {
        host.SetScreenCursor(crHourGlass);
        f.Executing = true;
        Page.SetRunning(true);
        f.Stop = false;
        f.EndRun = false;
    }

    TStringList scratch;
    try {
        TStringList L = ReplaceParams(Script, Params);
        TSQL99Splitter::TSplitMode mode = TSQL99Splitter::smDelimiter;
        for (const std::string& line : L.Items) {
            if (sys::Trim(line).empty()) continue;
            if (line == "/") {
                mode = TSQL99Splitter::smBlock;
                delimiter = '/';
                TResultConsole* c = Console();
                c->AddLine(kBannerRule);
                c->AddLine(kBannerText);
                c->AddLine(kBannerRule);
            }
            break;
        }
        std::unique_ptr<TScriptManager> manager;
        {
            auto debug = ScopeFail([&] {
                TResultConsole* c = Console();
                c->AddLine(kParseDebugHeader);
                c->AddLines(L);
                c->AddLine("");
            });
            manager = std::make_unique<TScriptManager>(&host, L, delimiter, mode);
        }
        RunItems(*manager, scratch);
    } catch (const ESQL99Exception& e) {
        Console()->FormatLinesToWidth(SQLErrorPositionText(e), scratch);
        Console()->AddLines(scratch);
        RunFailed(SQLErrorPositionText(e));
    } catch (const std::exception& e) {
        TResultConsole* c = Console();
        c->AddLine(kFatal);
        c->FormatLinesToWidth(ClassNameOf(e) + ":" + ErrorMessageOf(e), scratch);
        c->AddLines(scratch);
        c->ScrollToEnd();
        RunFailed(std::string(kFatal) + "\r\n" + ClassNameOf(e) + ":" + ErrorMessageOf(e));
    } catch (...) {
        Console()->AddLine(kFatal);
        RunFailed(kFatal);
    }

    --f.Depth;
    if (outermost) {
        Page.SetRunning(false);
        f.Executing = false;
        f.EndRun = false;
    }
    f.ResultEcho = true;
    f.CutSheet = false;
    if (outermost) host.SetScreenCursor(crDefault);
    TResultConsole* c = Console();
    c->CaretToEnd();
    c->SetCol(0);
    c->ScrollCaretIntoView();
    c->ScrollToEnd();
}

void TScriptExecutor::RunItems(TScriptManager& Manager, TStringList& Scratch) {
    TScriptRunFlags& f = Page.RunFlags();
    const int count = Manager.Count();
    for (int i = 0; i < count; ++i) {
        {
            TResultConsole* c = Console();
            c->CaretToEnd();
            c->ScrollToEnd();
        }
        const bool isSQL = Manager.GetItem(i).GetKind() == sikSQL;
        auto settle = [&] {
            if (isSQL) {
                f.CutSheet = false;
                f.ResultEcho = true;
            }
            SleepOneMillisecond();
            Page.ProcessMessagesAfterItem();
        };
        if (f.Stop || MustEnd()) {
            if (!reentry::Terminating()) headless::NoteFailure();  // stopped before its end
            settle();
            break;
        }

        bool error = false;
        std::string errorText, lossLine;
        std::unique_ptr<TDataSet> dataSet;
        try {
            if (f.OutputSQL) {
                Scratch.Assign(Manager.GetItem(i).Lines);
                Manager.GetItem(i).ReplaceUserVariables(Scratch);
                // a command's parameter may be a connection string: its password is not shown
                if (Manager.GetItem(i).GetKind() == sikCommand)
                    for (std::string& line : Scratch.Items) line = odbc::MaskPasswordsInLine(line);
                TResultConsole* c = Console();
                c->AddLine("");
                c->AddLines(Scratch);
                c->CaretToEnd();
            }
            dataSet = Manager.Execute(i);
            TResultConsole* c = Console();
            c->CaretToEnd();
            if (!dataSet) {
                c->FormatLinesToWidth(Manager.GetMessageLines(i).Text(), Scratch);
                c->AddLines(Scratch);
            } else {
                lossLine = TextLossLine(dataSet.get());
                c->AddLine("");
                if (dataSet->Active())
                    Page.ShowDataSet(std::move(dataSet), f.CutSheet);
                else
                    dataSet.reset();
            }
            c = Console();
            c->CaretToEnd();
            c->ScrollToEnd();
        } catch (const std::exception& e) {
            dataSet.reset();
            TResultConsole* c = Console();
            c->CaretToEnd();
            c->ScrollToEnd();
            std::string text;
            Manager.GetErrorText(i, text);
            text = sys::Trim(text);
            // a result that ran out of memory while it was shown has no error text of its item
            if (text.empty()) text = ErrorMessageOf(e);
            c->FormatLinesToWidth(text, Scratch);
            c->AddLines(Scratch);
            c->AddLine("");
            error = true;
            errorText = text;
        }

        std::string result;
        Manager.GetResultText(i, result);
        result = sys::Trim(result);
        if (!result.empty() && f.ResultEcho) {
            TResultConsole* c = Console();
            c->AddLine("");
            c->AddLine(result);
        }
        // said whether the count line is shown or not
        if (!lossLine.empty()) Console()->AddLine(lossLine);
        f.Stop = false;

        settle();
        Page.Host().SetScreenCursor(crAppStart);

        const bool last = i == count - 1;
        const bool errorPause = error && f.ErrorTimeStop && !last;
        if (error) {
            headless::NoteFailure();
            // the pause says it with its reason
            if (!errorPause && headless::NoDisplay()) headless::ErrorLine(errorText);
        }
        if (errorPause) {
            Console()->ScrollToEnd();
            Pause(kErrorPause, errorText);
        } else if (f.EveryTimeStop && !last) {
            Console()->ScrollToEnd();
            Pause(kStepPause);
        }
    }
}

void TScriptExecutor::Pause(const std::string& Reason, const std::string& Detail) {
    TScriptRunFlags& f = Page.RunFlags();
    if (headless::NoDisplay()) {
        headless::ErrorLine("一時停止（" + Reason + "）：画面がないため「中断」しました。" +
                            (Detail.empty() ? std::string() : "\r\n" + Detail));
        headless::NoteFailure();
        f.Pausing = false;
        f.Stop = true;
        return;
    }
    // Nobody could answer a pause in a page that has gone: the run ends.
    if (MustEnd()) {
        f.Pausing = false;
        f.Stop = true;
        return;
    }
    Page.ShowPausePanel(Reason);
    // Waiting already while the panel blinks: an answer, or the page's end, may come meanwhile.
    f.Pausing = true;
    Page.BlinkPausePanel();
    Console()->ScrollToEnd();
    while (f.Pausing && !MustEnd() && Page.PausePanelShown()) {
        Page.ProcessMessages();
        SleepOneMillisecond();
    }
    if (MustEnd()) f.Stop = true;
    f.Pausing = false;
    Page.HidePausePanel();
}

void TScriptExecutor::Continue() {
    Page.HidePausePanel();
    Page.RunFlags().Pausing = false;
    Page.ProcessMessages();
}

void TScriptExecutor::DisContinue() {
    Page.HidePausePanel();
    Page.RunFlags().Stop = true;
    Page.RunFlags().Pausing = false;
    Page.ProcessMessages();
}

void TScriptExecutor::PageClosing() {
    TScriptRunFlags& f = Page.RunFlags();
    if (!f.Executing) return;
    EndRun();
}

void TScriptExecutor::EndRun() {
    TScriptRunFlags& f = Page.RunFlags();
    if (!f.Executing) return;
    f.EndRun = true;
    f.Stop = true;
    f.Pausing = false;
    Page.HidePausePanel();
}

bool TScriptExecutor::MustEnd() {
    return Page.RunFlags().EndRun || Page.PageClosed() || reentry::Terminating();
}
