// The history file's format: the tree text of the history window (see
// KZNTreeViewFormat.h) read into plain records, checked, trimmed and sorted
// without any window. The top level is the favourites root and the history
// root; below the history root stand the dates ("YYYY/MM/DD") and below each
// date its entries ("hh:nn:ss"), each with the script as its string list.
#pragma once
#include <algorithm>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Exception.h"
#include "KZNTreeViewFormat.h"
#include "StringList.h"
#include "SysUtils.h"

class TTreeNodeEx;

Z_DECLARE_EXCEPTION(EForm_History, Exception);

// The history file read into plain records: checked, trimmed and only then
// made into tree items, all of them before they join the tree.
class THistoryRecords final : public IKZNTreeFormatNodes {
public:
    // Captions and marker texts of the roots, and the marker of a favourites folder.
    static constexpr const char* FavoriteRootCaption = "お気に入り";
    static constexpr const char* FavoriteRootMark = "＄＄お気に入りフォルダROOT";
    static constexpr const char* HistoryRootCaption = "履歴";
    static constexpr const char* HistoryRootMark = "＄＄履歴フォルダROOT";
    static constexpr const char* FolderMark = "＄＄お気に入りフォルダ";

    struct TRecord final : IKZNTreeFormatNode {
        std::string Caption;
        TStringList List;
        TRecord* Parent = nullptr;
        TRecord* Top = nullptr;  // the root above (itself for a root)
        int Level = 0;
        TTreeNodeEx* Item = nullptr;
        std::vector<TRecord*> Children;

        std::string GetFormatText() const override { return Caption; }
        TKZNTreeNodeSaveProperties GetRestoreProperties() const override { return {vtnStringList}; }
        bool GetBoolProperty(TKZNTreeNodePublishedProperties) const override { return false; }
        void SetBoolProperty(TKZNTreeNodePublishedProperties, bool) override {}
        int32_t GetIntProperty(TKZNTreeNodePublishedProperties) const override { return 0; }
        void SetIntProperty(TKZNTreeNodePublishedProperties, int32_t) override {}
        TStringList* GetFormatList(int index) override { return index == 0 ? &List : nullptr; }
        void ApplyLoadedExpanded() override {}
        bool Is(const char* RootCaption, const char* MarkText) const {
            return Caption == RootCaption && sys::Trim(List.Text()) == MarkText;
        }
    };

    std::deque<TRecord> All;
    std::vector<TRecord*> Roots;
    TRecord* Fav = nullptr;
    TRecord* Hist = nullptr;

    void ClearFormatNodes() override {
        Roots.clear();
        All.clear();
        Fav = Hist = nullptr;
    }
    IKZNTreeFormatNode* AddFormatNode(IKZNTreeFormatNode* parent, const std::string& text) override {
        All.emplace_back();
        TRecord& r = All.back();
        r.Caption = text;
        r.Parent = static_cast<TRecord*>(parent);
        r.Top = r.Parent ? r.Parent->Top : &r;
        r.Level = r.Parent ? r.Parent->Level + 1 : 0;
        (r.Parent ? r.Parent->Children : Roots).push_back(&r);
        return &r;
    }
    IKZNTreeFormatNode* GetFormatParent(IKZNTreeFormatNode* node) override {
        return static_cast<TRecord*>(node)->Parent;
    }
    void ForEachFormatNode(const std::function<void(IKZNTreeFormatNode& node, int level)>& f) override {
        Walk([&](TRecord& r) { f(r, r.Level); });
    }
    // Every record still in the tree, in tree order (no recursion: a file may nest deeply).
    template <class F>
    void Walk(F&& f) {
        std::vector<TRecord*> stack(Roots.rbegin(), Roots.rend());
        while (!stack.empty()) {
            TRecord* r = stack.back();
            stack.pop_back();
            f(*r);
            stack.insert(stack.end(), r->Children.rbegin(), r->Children.rend());
        }
    }

    // The top level must be the favourites root and the history root, each at most once.
    void CheckTopLevel() {
        const char* const error = "最上位に履歴とお気に入り以外の項目があります";
        for (TRecord* r : Roots) {
            TRecord** slot = r->Is(FavoriteRootCaption, FavoriteRootMark)  ? &Fav
                             : r->Is(HistoryRootCaption, HistoryRootMark) ? &Hist
                                                                          : nullptr;
            if (!slot || *slot) throw EForm_History(error);
            *slot = r;
        }
    }
    TRecord* NewRoot(const char* Caption, const char* MarkText, bool First) {
        All.emplace_back();
        TRecord& r = All.back();
        r.Caption = Caption;
        r.List.SetText(MarkText);
        r.Top = &r;
        if (First)
            Roots.insert(Roots.begin(), &r);
        else
            Roots.push_back(&r);
        return &r;
    }
    void AddMissingRoots() {
        if (!Fav) Fav = NewRoot(FavoriteRootCaption, FavoriteRootMark, true);
        if (!Hist) Hist = NewRoot(HistoryRootCaption, HistoryRootMark, false);
    }
    // The last records of the tree (the oldest history) go until MaxCount are
    // left; the roots and the favourites stay.
    void Trim(size_t MaxCount) {
        size_t count = 0;
        Walk([&](TRecord&) { ++count; });
        while (count > MaxCount && !Roots.empty()) {
            TRecord* last = Roots.back();
            while (!last->Children.empty()) last = last->Children.back();
            if (last == Hist || last->Top == Fav || !last->Parent) break;
            last->Parent->Children.pop_back();
            --count;
        }
    }
    // The beginning of a history text that holds every record a tree of at
    // most Keep nodes can keep: the first Keep records, and at least every
    // root and every favourite (they never go). With Sorted, only when the
    // history stands newest first (the dates, and the entries of each date),
    // as a merge sorts it; otherwise the whole text. The whole text is
    // checked as the reader checks it (levels, anything after a NUL) and the
    // same errors are raised, but no record past the part is ever made, so a
    // huge file costs one scan of its bytes.
    static std::string_view KeptPart(std::string_view Text, const TKZNTreeFormatChars& Chars, size_t Keep,
                                     bool Sorted);
    // The rule of one day for what two copies saved: of the entries of a date
    // that stand next to each other with the same script, only the first (the
    // newest once sorted) stays, as one copy keeps one entry of a script run
    // again with the later time.
    void JoinRepeatedEntries();
    // The dates newest first, and the entries of each date newest first.
    void SortHistory() {
        if (!Hist) return;
        auto newestFirst = [](const TRecord* a, const TRecord* b) { return a->Caption > b->Caption; };
        std::stable_sort(Hist->Children.begin(), Hist->Children.end(), newestFirst);
        for (TRecord* date : Hist->Children) std::stable_sort(date->Children.begin(), date->Children.end(), newestFirst);
    }
};
