// The toolkit's string list in its sorted form that ignores duplicates and
// compares without case (ASCII letters only, double-byte characters kept
// whole): the kind of list that holds file extensions and reserved words.
// Looking a string up is a binary search.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "StringList.h"

class TSortedStringList {
public:
    TSortedStringList() = default;

    int Count() const { return static_cast<int>(Items.size()); }
    bool Empty() const { return Items.empty(); }
    // Raises EListError outside 0 .. Count - 1.
    const std::string& operator[](int Index) const;

    // Puts S in its sorted place and returns its index; a string that is
    // already there (in any case) is not added again and its index is returned.
    int Add(std::string_view S);
    // True when S is in the list; Index is its place, or where it would go.
    bool Find(std::string_view S, int& Index) const;
    int IndexOf(std::string_view S) const;
    bool Contains(std::string_view S) const { return IndexOf(S) >= 0; }
    void Delete(int Index);
    void Clear() { Items.clear(); }

    void Assign(const TSortedStringList& Source) { Items = Source.Items; }
    // Every line of Source (sorted, duplicates dropped).
    void Assign(const TStringList& Source);
    TStringList ToStringList() const;
    // The lines with CR LF after each; setting splits as TStringList does.
    std::string Text() const;
    void SetText(std::string_view Text);
    // The comma text of the toolkit's string list.
    std::string CommaText() const { return ToStringList().CommaText(); }
    void SetCommaText(std::string_view Text);

    const std::vector<std::string>& Strings() const { return Items; }
    bool operator==(const TSortedStringList& o) const { return Items == o.Items; }
    bool operator!=(const TSortedStringList& o) const { return Items != o.Items; }

private:
    void SetAll(std::vector<std::string> Lines);
    std::vector<std::string> Items;
};
