#include "U_HistoryRecords.h"

#include "KZNTreeViewFormatMerge.h"
#include "T_KZNUtil.h"

void THistoryRecords::JoinRepeatedEntries() {
    if (!Hist) return;
    for (TRecord* date : Hist->Children) {
        std::vector<TRecord*> kept;
        kept.reserve(date->Children.size());
        std::string last;
        for (TRecord* entry : date->Children) {
            std::string text = TKZNUtil::DeleteLastCRLF(entry->List.Text());
            // an entry with entries below it is no plain run of a script
            if (!kept.empty() && text == last && entry->Children.empty() && kept.back()->Children.empty()) continue;
            kept.push_back(entry);
            last = std::move(text);
        }
        date->Children = std::move(kept);
    }
}

std::string_view THistoryRecords::KeptPart(std::string_view Text, const TKZNTreeFormatChars& Chars, size_t Keep,
                                           bool Sorted) {
    enum TTop { topOther, topFav, topHist };
    size_t index = 0;
    size_t keepAt = std::string_view::npos;  // where record Keep begins
    size_t stopAt = 0;                       // where the record after the last root or favourite begins
    bool afterStop = false;
    bool sorted = true;
    TTop top = topOther;
    std::string_view date, entry;  // the captions before, under the history root
    const size_t end = KZNTreeWalkRecords(Text, Chars, [&](int level, std::string_view body) {
        const size_t begin = static_cast<size_t>(body.data() - Text.data()) - static_cast<size_t>(level);
        if (index == Keep) keepAt = begin;
        if (afterStop) stopAt = begin;
        const std::string_view caption = body.substr(0, body.find(Chars.Separator));
        if (level == 0) {
            TRecord root;
            root.Caption = std::string(caption);
            root.List.SetText(KZNTreeBodyProperty(body, "StringList", Chars));
            top = root.Is(FavoriteRootCaption, FavoriteRootMark)  ? topFav
                  : root.Is(HistoryRootCaption, HistoryRootMark) ? topHist
                                                                  : topOther;
            date = entry = std::string_view();
        } else if (top == topHist && level == 1) {
            if (!date.empty() && caption > date) sorted = false;
            date = caption;
            entry = std::string_view();
        } else if (top == topHist && level == 2) {
            if (!entry.empty() && caption > entry) sorted = false;
            entry = caption;
        }
        afterStop = level == 0 || top == topFav;
        ++index;
    });
    KZNTreeCheckAfterNul(Text, end, Chars);
    if (afterStop || keepAt == std::string_view::npos || (Sorted && !sorted)) return Text;
    return Text.substr(0, std::max(keepAt, stopAt));
}
