#include "StringList.h"

#include <algorithm>

#include "CP932.h"
#include "DelimitedItem.h"
#include "Exception.h"
#include "FileSystem.h"
#include "SysUtils.h"

namespace {
inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

void TStringList::Insert(int index, std::string s) {
    if (index < 0 || index > Count()) throw EListError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
    Items.insert(Items.begin() + index, std::move(s));
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw EListError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
    Items.erase(Items.begin() + index);
}

void TStringList::Exchange(int a, int b) {
    if (a < 0 || a >= Count() || b < 0 || b >= Count()) throw EListError("リストのインデックスが範囲を超えています");
    std::swap(Items[static_cast<size_t>(a)], Items[static_cast<size_t>(b)]);
}

int TStringList::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (sys::SameText(Items[static_cast<size_t>(i)], s)) return i;
    return -1;
}

void TStringList::Sort() {
    std::stable_sort(Items.begin(), Items.end(),
                     [](const std::string& a, const std::string& b) { return sys::CompareText(a, b) < 0; });
}

std::string TStringList::Text() const {
    size_t n = 0;
    for (const auto& s : Items) n += s.size() + 2;
    std::string out;
    out.reserve(n);
    for (const auto& s : Items) {
        out += s;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    Items.clear();
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t start = i;
        while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
        Items.emplace_back(text.substr(start, i - start));
        if (i < n && text[i] == '\r') ++i;
        if (i < n && text[i] == '\n') ++i;
    }
}

std::string TStringList::DelimitedText() const {
    if (Count() == 1 && Items[0].empty()) return std::string(2, QuoteChar);
    std::string out;
    for (size_t k = 0; k < Items.size(); ++k) {
        if (k) out.push_back(Delimiter);
        delimited::AppendItem(out, Items[k], Delimiter, QuoteChar);
    }
    return out;
}

void TStringList::SetDelimitedText(std::string_view v) {
    Items.clear();
    size_t p = 0;
    const size_t n = v.size();
    auto skipBlanks = [&] { while (p < n && IsBlankOrControl(v[p])) ++p; };
    skipBlanks();
    while (p < n) {
        std::string s;
        if (v[p] == QuoteChar) {
            s = sys::AnsiExtractQuotedStr(v, p, QuoteChar);
        } else {
            size_t start = p;
            while (p < n && !IsBlankOrControl(v[p]) && v[p] != Delimiter)
                p += (cp932::IsLeadByte(v[p]) && p + 1 < n) ? 2 : 1;
            s.assign(v.substr(start, p - start));
        }
        Items.push_back(std::move(s));
        skipBlanks();
        if (p < n && v[p] == Delimiter) {
            if (p + 1 == n) Items.emplace_back();
            ++p;
            skipBlanks();
        }
    }
}

std::string TStringList::CommaText() const {
    TStringList t;
    t.Items = Items;
    return t.DelimitedText();
}

void TStringList::SetCommaText(std::string_view text) {
    TStringList t;
    t.SetDelimitedText(text);
    Items = std::move(t.Items);
}

int TStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = Items[static_cast<size_t>(i)];
        size_t eq = s.find(NameValueSeparator);
        if (eq != std::string::npos && sys::SameText(std::string_view(s).substr(0, eq), name)) return i;
    }
    return -1;
}

std::string TStringList::Names(int index) const {
    const std::string& s = (*this)[index];
    size_t eq = s.find(NameValueSeparator);
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
    const std::string& s = (*this)[index];
    size_t eq = s.find(NameValueSeparator);
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

std::string TStringList::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValues(std::string_view name, std::string_view value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line = std::string(name) + NameValueSeparator + std::string(value);
    if (i < 0) Add(std::move(line));
    else Items[static_cast<size_t>(i)] = std::move(line);
}

void TStringList::LoadFromFile(std::string_view fileName) {
    std::string bytes;
    if (!fs932::ReadFile(fileName, bytes)) throw EFOpenError("ファイル " + std::string(fileName) + " を開けません");
    SetText(bytes);
}

void TStringList::SaveToFile(std::string_view fileName) const {
    if (!fs932::WriteFileAtomic(fileName, Text())) throw EFCreateError("ファイル " + std::string(fileName) + " を作成できません");
}
