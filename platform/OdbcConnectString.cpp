#include "OdbcConnectString.h"

#include "CP932.h"
#include "DataSet.h"
#include "SysUtils.h"

namespace odbc {

TKeyValues SplitConnectString(std::string_view s) {
    TKeyValues out;
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        // key up to '=' or ';'
        size_t k = i;
        while (i < n && s[i] != '=' && s[i] != ';') {
            if (cp932::IsLeadByte(s[i]) && i + 1 < n) ++i;
            ++i;
        }
        std::string key = sys::Trim(s.substr(k, i - k));
        std::string value;
        if (i < n && s[i] == '=') {
            ++i;
            while (i < n && s[i] == ' ') ++i;
            if (i < n && (s[i] == '"' || s[i] == '\'' || s[i] == '{')) {
                char open = s[i];
                char close = open == '{' ? '}' : open;
                ++i;
                for (; i < n; ++i) {
                    if (s[i] == close) {
                        if (i + 1 < n && s[i + 1] == close) { value.push_back(close); ++i; continue; }
                        ++i;
                        break;
                    }
                    value.push_back(s[i]);
                }
                while (i < n && s[i] != ';') ++i;   // anything after the closing quote is dropped
            } else {
                size_t v = i;
                while (i < n && s[i] != ';') {
                    if (cp932::IsLeadByte(s[i]) && i + 1 < n) ++i;
                    ++i;
                }
                value = sys::Trim(s.substr(v, i - v));
            }
        }
        if (i < n && s[i] == ';') ++i;
        if (!key.empty()) out.emplace_back(std::move(key), std::move(value));
    }
    return out;
}

namespace {
bool NeedsBraces(const std::string& v) {
    if (v.empty()) return false;
    if (v.front() == ' ' || v.back() == ' ') return true;
    return v.find_first_of(";{}") != std::string::npos;
}
std::string Braced(const std::string& v) {
    if (!NeedsBraces(v)) return v;
    std::string out = "{";
    for (char c : v) {
        out.push_back(c);
        if (c == '}') out.push_back('}');
    }
    out.push_back('}');
    return out;
}
bool IsKey(const std::string& k, const char* name) { return sys::SameText(k, name); }
}  // namespace

std::string JoinOdbcString(const TKeyValues& kv) {
    std::string out;
    for (const auto& [k, v] : kv) {
        out += k;
        out += '=';
        // the driver name is braced by custom, whatever it holds
        out += IsKey(k, "DRIVER") && !v.empty() && v.front() != '{' ? "{" + v + "}" : Braced(v);
        out += ';';
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
        s += v.find_first_of(";\"") != std::string::npos ? sys::AnsiQuotedStr(v, '"') : v;
        s += ';';
    }
    return s;
}

}  // namespace odbc
