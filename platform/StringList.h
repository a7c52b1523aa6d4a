// The toolkit's string list over CP932 byte strings: lines, their text with
// CR LF after every line, comma text and delimited text with the toolkit's
// quoting rules, name=value access, and loading and saving CP932 files.
#pragma once
#include <string>
#include <string_view>
#include <vector>

class TStringList {
public:
    TStringList() = default;
    explicit TStringList(std::string_view text) { SetText(text); }

    int Count() const { return static_cast<int>(Items.size()); }
    bool Empty() const { return Items.empty(); }
    const std::string& operator[](int i) const { return Items.at(static_cast<size_t>(i)); }
    std::string& operator[](int i) { return Items.at(static_cast<size_t>(i)); }
    const std::string& Strings(int i) const { return (*this)[i]; }

    int Add(std::string s) { Items.push_back(std::move(s)); return Count() - 1; }
    void Insert(int index, std::string s);   // raises EListError out of 0..Count
    void Delete(int index);                  // raises EListError out of range
    void Clear() { Items.clear(); }
    void Exchange(int a, int b);
    void AddStrings(const TStringList& other) { Items.insert(Items.end(), other.Items.begin(), other.Items.end()); }
    void Assign(const TStringList& other) { Items = other.Items; }

    // Case-insensitive (ASCII) search, as the toolkit's string list.
    int IndexOf(std::string_view s) const;
    // Case-insensitive sort (ASCII folding, double-byte characters compared by bytes).
    void Sort();

    // Every line followed by CR LF, the last one too.
    std::string Text() const;
    // Splits at CR LF, LF or a lone CR; a final line break adds no empty line.
    void SetText(std::string_view text);

    // Delimited text: items joined by Delimiter; an item holding a byte up to
    // 0x20, the quote or the delimiter is quoted (the quote doubled inside).
    // A single empty item is written as two quotes.
    std::string DelimitedText() const;
    // Reading: blanks and control bytes separate items too; a quoted item may
    // hold them; a delimiter at the very end adds an empty last item.
    void SetDelimitedText(std::string_view text);
    std::string CommaText() const;            // Delimiter ',' and QuoteChar '"'
    void SetCommaText(std::string_view text);
    char Delimiter = ',';
    char QuoteChar = '"';

    // name=value lines; names compare case-insensitively.
    char NameValueSeparator = '=';
    int IndexOfName(std::string_view name) const;
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    std::string Values(std::string_view name) const;
    // Sets name=value; an empty value removes the line, as the toolkit does.
    void SetValues(std::string_view name, std::string_view value);

    // CP932 bytes on disk; the file name is CP932 too.
    void LoadFromFile(std::string_view fileName);       // raises EFOpenError
    void SaveToFile(std::string_view fileName) const;   // replaces atomically; raises EFCreateError

    std::vector<std::string> Items;
};

using TStrings = TStringList;
