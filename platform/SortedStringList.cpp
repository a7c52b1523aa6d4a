#include "SortedStringList.h"

#include <algorithm>

#include "Exception.h"
#include "SysUtils.h"

const std::string& TSortedStringList::operator[](int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("リストのインデックスが範囲を超えています");
    return Items[static_cast<size_t>(Index)];
}

bool TSortedStringList::Find(std::string_view S, int& Index) const {
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = sys::CompareText(Items[static_cast<size_t>(mid)], S);
        if (c < 0) {
            lo = mid + 1;
        } else if (c > 0) {
            hi = mid - 1;
        } else {
            Index = mid;
            return true;
        }
    }
    Index = lo;
    return false;
}

int TSortedStringList::IndexOf(std::string_view S) const {
    int i = 0;
    return Find(S, i) ? i : -1;
}

int TSortedStringList::Add(std::string_view S) {
    int i = 0;
    if (!Find(S, i)) Items.insert(Items.begin() + i, std::string(S));
    return i;
}

void TSortedStringList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw EListError("リストのインデックスが範囲を超えています");
    Items.erase(Items.begin() + Index);
}

void TSortedStringList::SetAll(std::vector<std::string> Lines) {
    // stable: of strings equal without case, the first one given stays
    std::stable_sort(Lines.begin(), Lines.end(),
                     [](const std::string& a, const std::string& b) { return sys::CompareText(a, b) < 0; });
    Lines.erase(std::unique(Lines.begin(), Lines.end(),
                            [](const std::string& a, const std::string& b) { return sys::SameText(a, b); }),
                Lines.end());
    Items = std::move(Lines);
}

void TSortedStringList::Assign(const TStringList& Source) { SetAll(Source.Items); }

TStringList TSortedStringList::ToStringList() const {
    TStringList l;
    l.Items = Items;
    return l;
}

std::string TSortedStringList::Text() const { return ToStringList().Text(); }

void TSortedStringList::SetText(std::string_view Text) { SetAll(TStringList(Text).Items); }

void TSortedStringList::SetCommaText(std::string_view Text) {
    TStringList l;
    l.SetCommaText(Text);
    SetAll(std::move(l.Items));
}
