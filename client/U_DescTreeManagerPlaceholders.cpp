#include "U_DescTreeManager.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "SysUtils.h"
#include "U_DescTreeManagerParts.h"
#include "U_DescTreeManagerValues.h"
#include "U_Frame_SQLClient.h"

using desctree::NameOf;
using desctree::Upper;
using desctree::ValueOf;

// ---------------------------------------------------------------------------
// Parameters and placeholders

void TDescTreeManager::CollectParamEntries(TTreeNodeEx* Node, std::vector<TParamEntry>& Params) {
    Params.clear();
    std::vector<TTreeNodeEx*> path;
    for (TTreeNodeEx* n = Node; n && n->Parent(); n = n->Parent()) path.push_back(n);  // the top node has none
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        // An item's parameters are the row of its parent's deploy query.
        const bool fromDatabase = GetKind(*it) == dnkItem;
        std::vector<TParamEntry> next;
        std::unordered_set<std::string> names;
        std::vector<bool> lossy;
        const TNode* n = NodeData(*it);
        const TStringList lines = n ? n->Params.List(&lossy) : TStringList();
        for (size_t k = 0; k < lines.Items.size(); ++k) {
            const std::string& line = lines.Items[k];
            next.push_back({NameOf(line), ValueOf(line), fromDatabase, fromDatabase && lossy[k]});
            names.insert(Upper(next.back().Name));
        }
        for (TParamEntry& p : Params)
            if (!names.count(Upper(p.Name))) next.push_back(std::move(p));
        Params = std::move(next);
    }
}

void TDescTreeManager::CollectParams(TTreeNodeEx* Node, TStringList& Params) {
    std::vector<TParamEntry> entries;
    CollectParamEntries(Node, entries);
    Params.Clear();
    for (const TParamEntry& p : entries) Params.Add(p.Name + "=" + p.Value);
}

namespace {

// How far a text may grow by its placeholders: values that nest (each holding
// many placeholders of the next) would otherwise multiply it without end.
constexpr size_t kPlaceholderGrowth = size_t(1) << 20;

// The number of occurrences of From in Text.
size_t CountOf(const std::string& Text, const std::string& From) {
    size_t n = 0;
    for (size_t at = Text.find(From); at != std::string::npos; at = Text.find(From, at + From.size())) ++n;
    return n;
}

}  // namespace

void TDescTreeManager::PlaceholderError(TTreeNodeEx* Node, const std::string& Text, const std::string& Name) {
    // The definition in question: the nearest folder that defines the name.
    std::string folder = GetFolder(Node);
    for (TTreeNodeEx* n = Node; n && n->Parent(); n = n->Parent()) {
        bool defines = false;
        for (const std::string& line : GetParams(n).Items) defines = defines || NameOf(line) == Name;
        if (defines) {
            folder = GetFolder(n);
            break;
        }
    }
    const std::string message = Text + "{%" + Name + "%} [" + folder + "]";
    // Reported once per operation, not once for every node that shares the definition.
    if (std::find(FReportedPlaceholders.begin(), FReportedPlaceholders.end(), message) == FReportedPlaceholders.end()) {
        FReportedPlaceholders.push_back(message);
        AddResultLine("■" + message);
        if (TResultConsole* c = Frame->ActiveResultConsole()) c->ScrollCaretIntoView();
    }
    throw EDescTreeManager(message);
}

void TDescTreeManager::PlaceholderOverflow(TTreeNodeEx* Node, const std::string& Name) {
    PlaceholderError(Node, "パラメータの展開結果が上限（1MB）を超えました：", Name);
}

std::string TDescTreeManager::ExpandPlaceholders(TTreeNodeEx* Node, const std::string& Text) {
    return Expand(Node, Text, true);
}

std::string TDescTreeManager::ExpandPlaceholderText(TTreeNodeEx* Node, const std::string& Text) {
    return Expand(Node, Text, false);
}

std::string TDescTreeManager::Expand(TTreeNodeEx* Node, const std::string& Text, bool DatabaseValuesAsData) {
    if (Text.find('{') == std::string::npos) return Text;
    TOpScope scope(*this);
    std::vector<TParamEntry> params;
    CollectParamEntries(Node, params);
    // Every replacement is measured before it is made: a text past the limit is never built.
    const size_t limit = Text.size() + kPlaceholderGrowth;

    // A value read from the database goes in last, where its hole stands: it
    // is never read for placeholders, and it is put in as data (see FillHoles).
    // A hole is shorter or longer than its value: pending counts the difference.
    char mark = 0;
    std::vector<std::string> holes(params.size());
    const bool fromDatabase =
        DatabaseValuesAsData && std::any_of(params.begin(), params.end(), [](const TParamEntry& p) { return p.FromDatabase; });
    if (fromDatabase) {
        std::vector<std::string_view> written{Text};
        for (const TParamEntry& p : params)
            if (!p.FromDatabase) written.push_back(p.Value);
        mark = desctree::HoleMark(written);
        for (size_t k = 0; k < params.size(); ++k)
            if (params[k].FromDatabase) holes[k] = desctree::Hole(mark, k);
    }
    auto asPut = [&](size_t k) -> const std::string& { return mark && params[k].FromDatabase ? holes[k] : params[k].Value; };
    long long pending = 0;
    auto size = [&](const std::string& text) { return static_cast<size_t>(std::max<long long>(0, (long long)text.size() + pending)); };
    auto note = [&](size_t k, size_t count) {
        pending += static_cast<long long>(count) *
                   (static_cast<long long>(params[k].Value.size()) - static_cast<long long>(asPut(k).size()));
    };
    if (fromDatabase && !mark) {  // every control byte is in use: nothing to mark a hole with
        for (const TParamEntry& p : params)
            if (p.FromDatabase)
                PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（定義の制御文字と区別できません）：", p.Name);
    }

    // Double braces: the name in any case; unknown ones are deleted.
    std::unordered_map<std::string, size_t> byUpper;
    for (size_t k = 0; k < params.size(); ++k) byUpper.emplace(Upper(params[k].Name), k);
    std::string text;
    size_t at = 0;
    for (;;) {
        const size_t open = Text.find("{{%", at);
        if (open == std::string::npos) break;
        const size_t close = Text.find("%}}", open + 3);
        if (close == std::string::npos) break;
        text.append(Text, at, open - at);
        auto it = byUpper.find(Upper(std::string_view(Text).substr(open + 3, close - open - 3)));
        if (it != byUpper.end()) {
            const size_t k = it->second;
            if (size(text) + params[k].Value.size() + (Text.size() - close) > limit) PlaceholderOverflow(Node, params[k].Name);
            text += asPut(k);
            note(k, 1);
        } else {
            text.append(Text, open, close + 3 - open);
        }
        at = close + 3;
    }
    text.append(Text, at, std::string::npos);
    for (size_t open = text.find("{{%"); open != std::string::npos; open = text.find("{{%", open)) {
        const size_t close = text.find("%}}", open + 3);
        if (close == std::string::npos) break;
        text.erase(open, close + 3 - open);
    }

    // Single braces: the name exactly as written, until nothing changes. A
    // value that holds its own placeholder would go on for ever: the passes
    // are bounded, and so is the size after every replacement.
    for (int pass = 0; pass < 64; ++pass) {
        bool changed = false;
        for (size_t k = 0; k < params.size(); ++k) {
            const std::string from = "{%" + params[k].Name + "%}";
            const size_t count = CountOf(text, from);
            if (count == 0) continue;
            const size_t grows = params[k].Value.size();
            if (grows > from.size() && (grows - from.size()) > (limit - std::min(limit, size(text))) / count)
                PlaceholderOverflow(Node, params[k].Name);
            text = sys::StringReplaceAll(text, from, asPut(k));
            note(k, count);
            changed = true;
        }
        if (!changed) break;
    }
    if (!mark || text.find(mark) == std::string::npos) return text;

    // A value that lost characters on its way from the database would name
    // something else (another table, say): it is never put in.
    for (size_t k = 0; k < params.size(); ++k)
        if (params[k].Lossy && text.find(holes[k]) != std::string::npos)
            PlaceholderError(Node,
                             "データベースから読んだ値を埋め込めないため実行しません（値にシフトJISで表せない文字があり、\"?\" "
                             "に置き換わっています）：",
                             params[k].Name);

    // The values read from the database, each where its hole stands.
    std::vector<std::string> values(params.size());
    for (size_t k = 0; k < params.size(); ++k)
        if (params[k].FromDatabase) values[k] = params[k].Value;
    std::string out;
    const desctree::TPasteResult r = desctree::FillHoles(text, mark, values, limit, out);
    const std::string& name = params[std::min(r.Index, params.size() - 1)].Name;
    switch (r.Refusal) {
        case desctree::TPasteRefusal::None: return out;
        case desctree::TPasteRefusal::TooLarge: PlaceholderOverflow(Node, name);
        case desctree::TPasteRefusal::NotPlain:
            PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（引用符の外には名前か数値だけを埋め込めます）：",
                             name);
        case desctree::TPasteRefusal::UserVariable:
            PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（値がユーザー変数の参照 {! を含みます）：",
                             name);
        case desctree::TPasteRefusal::ChangesText:
            PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（値が引用符やコメントの区切りを変えます）：",
                             name);
    }
    return out;
}
