#include "OdbcConnectString.h"

#include "CP932.h"
#include "DataSet.h"
#include "SysUtils.h"

namespace odbc {

namespace {

// The byte length of the character at s[i]: 2 for a lead byte that a trail
// byte follows, else 1. A lone lead byte is one byte of its own, so it never
// takes a ';', '=' or quote after it along.
size_t CharLen(std::string_view s, size_t i) {
    return cp932::IsLeadByte(s[i]) && i + 1 < s.size() && cp932::IsTrailByte(s[i + 1]) ? 2 : 1;
}

// One element of a connection string, as SplitConnectString reads it.
struct TElement {
    size_t ValueBegin = std::string_view::npos;  // the byte after '='; npos without one
    size_t End = 0;                              // the ';' that ends it, or the text's end
    std::string Key, Value;                      // trimmed key; value unquoted
    char Open = 0;                               // the quote or brace the value was in
};

template <class F>
void ForEachElement(std::string_view s, F&& f) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        TElement e;
        const size_t k = i;
        while (i < n && s[i] != '=' && s[i] != ';') i += CharLen(s, i);
        e.Key = sys::Trim(s.substr(k, i - k));
        if (i < n && s[i] == '=') {
            e.ValueBegin = ++i;
            while (i < n && s[i] == ' ') ++i;
            if (i < n && (s[i] == '"' || s[i] == '\'' || s[i] == '{')) {
                e.Open = s[i];
                const char close = e.Open == '{' ? '}' : e.Open;
                for (++i; i < n;) {
                    if (s[i] == close) {
                        if (i + 1 < n && s[i + 1] == close) {
                            e.Value.push_back(close);
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    const size_t len = CharLen(s, i);
                    e.Value.append(s, i, len);
                    i += len;
                }
                while (i < n && s[i] != ';') i += CharLen(s, i);  // anything after the closing quote is dropped
            } else {
                const size_t v = i;
                while (i < n && s[i] != ';') i += CharLen(s, i);
                e.Value = sys::Trim(s.substr(v, i - v));
            }
        }
        e.End = i;
        f(e);
        if (i < n && s[i] == ';') ++i;
    }
}

// Whether a character of v, read as the splitter reads it, is one of set.
bool HasSingleByteOf(std::string_view v, std::string_view set) {
    for (size_t i = 0; i < v.size(); i += CharLen(v, i))
        if (set.find(v[i]) != std::string_view::npos) return true;
    return false;
}

// True when v ends with a lead byte that no trail byte follows.
bool EndsWithLoneLeadByte(std::string_view v) {
    size_t i = 0, last = 0;
    for (; i < v.size(); i += CharLen(v, i)) last = i;
    return !v.empty() && last == v.size() - 1 && cp932::IsLeadByte(v[last]);
}

// Written bare, the value would read back otherwise: trimmed, unquoted or cut.
bool NeedsBraces(std::string_view v) {
    if (v.empty()) return false;
    const unsigned char first = static_cast<unsigned char>(v.front()), last = static_cast<unsigned char>(v.back());
    if (first < 0x21 || last < 0x21 || first == '"' || first == '\'') return true;
    return HasSingleByteOf(v, ";{}");
}

// v between braces, each '}' character doubled ("}}" stands for "}"); a
// trail byte 0x7D is part of its character and stays single.
std::string Braced(std::string_view v) {
    std::string out = "{";
    for (size_t i = 0; i < v.size();) {
        const size_t len = CharLen(v, i);
        out.append(v, i, len);
        if (len == 1 && v[i] == '}') out.push_back('}');
        i += len;
    }
    out.push_back('}');
    return out;
}

// v between quotes, each quote doubled: the form of the system's own strings.
std::string Quoted(std::string_view v, char quote) {
    if (quote == '{') return Braced(v);
    std::string out(1, quote);
    for (char c : v) {
        out.push_back(c);
        if (c == quote) out.push_back(quote);
    }
    out.push_back(quote);
    return out;
}

// The same for the system's own form, which quotes with '"' only.
bool NeedsQuotes(std::string_view v) {
    if (v.empty()) return false;
    const unsigned char first = static_cast<unsigned char>(v.front()), last = static_cast<unsigned char>(v.back());
    if (first < 0x21 || last < 0x21 || first == '\'' || first == '{') return true;
    return HasSingleByteOf(v, ";\"");
}

bool IsKey(const std::string& k, const char* name) { return sys::SameText(k, name); }

bool IsPasswordKey(const std::string& k) { return IsKey(k, "PWD") || IsKey(k, "Password"); }

}  // namespace

TKeyValues SplitConnectString(std::string_view s) {
    TKeyValues out;
    ForEachElement(s, [&](TElement& e) {
        if (!e.Key.empty()) out.emplace_back(std::move(e.Key), std::move(e.Value));
    });
    return out;
}

std::string JoinOdbcString(const TKeyValues& kv) {
    std::string out;
    for (const auto& [k, v] : kv) {
        out += k;
        out += '=';
        // the driver name is braced by custom, whatever it holds
        const bool braced = NeedsBraces(v) || (IsKey(k, "DRIVER") && !v.empty() && !EndsWithLoneLeadByte(v));
        if (braced && EndsWithLoneLeadByte(v))
            // its closing brace would be read as the second byte of a character
            throw EDatabaseError("接続文字列の " + k + " の値が、2バイト文字の途中で終わっています。");
        out += braced ? Braced(v) : v;
        out += ';';
    }
    return out;
}

std::string MaskPasswords(std::string_view s) {
    std::string out;
    size_t copied = 0;
    ForEachElement(s, [&](const TElement& e) {
        if (e.ValueBegin == std::string_view::npos) return;
        std::string shown;
        if (IsPasswordKey(e.Key)) {
            shown = "****";
        } else if (e.Open && e.Value.find('=') != std::string::npos) {
            // a connection string inside another (ADO's Extended Properties)
            const std::string inner = MaskPasswords(e.Value);
            if (inner == e.Value) return;
            // braces would take a lone lead byte's closing brace for its second byte
            shown = Quoted(inner, e.Open == '{' && EndsWithLoneLeadByte(inner) ? '"' : e.Open);
        } else {
            return;
        }
        out.append(s, copied, e.ValueBegin - copied);
        out += shown;
        copied = e.End;
    });
    out.append(s, copied, std::string_view::npos);
    return out;
}

namespace {

// The length of the password key ("PWD" or "Password", any case) at s[i],
// with the blanks after it, when '=' follows; 0 otherwise.
size_t PasswordKeyAt(std::string_view s, size_t i) {
    for (std::string_view key : {std::string_view("PWD"), std::string_view("Password")}) {
        if (s.size() - i < key.size() || !sys::SameText(s.substr(i, key.size()), key)) continue;
        size_t j = i + key.size();
        while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
        if (j < s.size() && s[j] == '=') return j - i;
    }
    return 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string MaskPasswordsInLine(std::string_view line) {
    const std::string_view s = line;
    std::string out;
    char quote = 0;   // the closing quote (or brace) of the quoted word the scan is in
    char prev = ' ';  // the single-byte character before, or 'a' after a double-byte one
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const bool starts = IsBlank(prev) || prev == ';' || prev == '"' || prev == '\'' || prev == '{' || prev == ',' ||
                            prev == '(';
        const size_t keyLen = starts ? PasswordKeyAt(s, i) : 0;
        if (!keyLen) {
            const size_t len = CharLen(s, i);
            if (len == 1 && !quote && (s[i] == '"' || s[i] == '\'' || s[i] == '{')) {
                quote = s[i] == '{' ? '}' : s[i];
            } else if (len == 1 && s[i] == quote) {
                if (i + 1 < n && s[i + 1] == quote)
                    out.push_back(s[i++]);  // a doubled quote stands inside the word
                else
                    quote = 0;
            }
            out.append(s, i, len);
            prev = len == 1 ? s[i] : 'a';
            i += len;
            continue;
        }
        const size_t valueBegin = i + keyLen + 1;
        out.append(s, i, valueBegin - i);
        size_t v = valueBegin;
        while (v < n && (s[v] == ' ' || s[v] == '\t')) ++v;
        size_t end = v;
        if (v < n && (s[v] == '"' || s[v] == '\'' || s[v] == '{')) {
            // a quoted or braced value, to its closing quote (a doubled one stands for one)
            const char close = s[v] == '{' ? '}' : s[v];
            for (end = v + 1; end < n;) {
                if (s[end] == close) {
                    if (end + 1 < n && s[end + 1] == close) {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                end += CharLen(s, end);
            }
        } else {
            // to ';', or to the closing quote of the word it stands in
            while (end < n && s[end] != ';') {
                if (quote && s[end] == quote) {
                    if (end + 1 < n && s[end + 1] == quote) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                end += CharLen(s, end);
            }
        }
        out += "****";
        i = end;
        prev = '*';
    }
    return out;
}

std::string SetOdbcKey(std::string_view odbcString, std::string_view key, std::string_view value) {
    TKeyValues kv = SplitConnectString(odbcString);
    bool found = false;
    for (auto& p : kv)
        if (sys::SameText(p.first, key)) { p.second = std::string(value); found = true; }
    if (!found) kv.emplace_back(std::string(key), std::string(value));
    return JoinOdbcString(kv);
}

TOdbcConnectParams ParseAdoConnectString(std::string_view ado) {
    TOdbcConnectParams p;
    TKeyValues odbcPairs;
    auto put = [&](const std::string& k, const std::string& v) {
        for (auto& e : odbcPairs)
            if (sys::SameText(e.first, k)) { e.second = v; return; }
        odbcPairs.emplace_back(k, v);
    };
    for (auto& [k, v] : SplitConnectString(ado)) {
        if (IsKey(k, "Provider")) {
            p.Provider = v;
            if (!v.empty() && !sys::StartsText("MSDASQL", v))
                throw EDatabaseError("プロバイダ '" + v + "' は使用できません。ODBC (MSDASQL) で接続してください。");
        } else if (IsKey(k, "Persist Security Info")) {
            p.PersistSecurityInfo = sys::SameText(v, "True");
        } else if (IsKey(k, "Connect Timeout")) {
            int32_t t;
            if (sys::TryStrToInt(v, t) && t >= 0) p.ConnectTimeout = t;
        } else if (IsKey(k, "Prompt")) {
            // the prompt mode of ADO; the layer decides about prompting itself
        } else if (IsKey(k, "Extended Properties")) {
            for (auto& [ek, ev] : SplitConnectString(v)) put(ek, ev);
        } else if (IsKey(k, "Data Source")) {
            put("DSN", v);
        } else if (IsKey(k, "User ID")) {
            put("UID", v);
        } else if (IsKey(k, "Password")) {
            put("PWD", v);
        } else {
            put(k, v);
        }
    }
    for (auto& [k, v] : odbcPairs) {
        if (IsKey(k, "UID")) p.UserName = v;
        else if (IsKey(k, "PWD")) p.Password = v;
    }
    p.OdbcString = JoinOdbcString(odbcPairs);
    return p;
}

std::string CompletedAdoString(std::string_view odbcOut, const TOdbcConnectParams& p) {
    TKeyValues out;
    for (auto& kv : SplitConnectString(odbcOut))
        if (!kv.second.empty()) out.push_back(std::move(kv));
    // keys of the given string the driver did not repeat (a driver may leave out DRIVER) come first
    TKeyValues missing;
    for (auto& kv : SplitConnectString(p.OdbcString)) {
        bool found = false;
        for (const auto& o : out) found = found || sys::SameText(o.first, kv.first);
        if (!found && !kv.second.empty()) missing.push_back(std::move(kv));
    }
    out.insert(out.begin(), missing.begin(), missing.end());
    std::string s;
    if (!p.Provider.empty()) s = "Provider=" + p.Provider + ";";
    for (auto& [k, v] : out) {
        if (!p.PersistSecurityInfo && IsKey(k, "PWD")) continue;
        s += k;
        s += '=';
        s += NeedsQuotes(v) ? Quoted(v, '"') : v;
        s += ';';
    }
    return s;
}

}  // namespace odbc
