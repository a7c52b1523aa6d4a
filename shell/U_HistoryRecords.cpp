#include "U_HistoryRecords.h"

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
