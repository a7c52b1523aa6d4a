#include "KZNTreeViewFormatMerge.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "SysUtils.h"

TKZNTreeTextRecords KZNTreeSplitText(std::string_view Text, const TKZNTreeFormatChars& Chars) {
    TKZNTreeTextRecords records;
    const size_t stop =
        KZNTreeWalkRecords(Text, Chars, [&](int level, std::string_view body) { records.push_back({level, std::string(body)}); });
    KZNTreeCheckAfterNul(Text, stop, Chars);
    return records;
}

std::string KZNTreeJoinText(const TKZNTreeTextRecords& Records, const TKZNTreeFormatChars& Chars) {
    std::string out;
    for (const TKZNTreeTextRecord& r : Records) {
        out.append(static_cast<size_t>(r.Level), Chars.Indent);
        out += r.Body;
        out.push_back(Chars.LineEnd);
        out += "\r\n";
    }
    return out;
}

namespace {

// The name=value pieces of a body after its caption, split at every separator.
std::vector<std::string_view> Pieces(std::string_view Body, const TKZNTreeFormatChars& Chars) {
    std::vector<std::string_view> pieces;
    size_t sep = Body.find(Chars.Separator);
    while (sep != std::string_view::npos) {
        const size_t next = Body.find(Chars.Separator, sep + 1);
        pieces.push_back(Body.substr(sep + 1, next == std::string_view::npos ? std::string_view::npos : next - sep - 1));
        sep = next;
    }
    return pieces;
}

bool PieceNamed(std::string_view Piece, std::string_view Name) {
    const size_t eq = Piece.find('=');
    return eq != std::string_view::npos && sys::SameText(Piece.substr(0, eq), Name);
}

}  // namespace

std::string KZNTreeBodyCaption(std::string_view Body, const TKZNTreeFormatChars& Chars) {
    return std::string(Body.substr(0, Body.find(Chars.Separator)));
}

std::string KZNTreeBodyProperty(std::string_view Body, std::string_view Name, const TKZNTreeFormatChars& Chars) {
    for (std::string_view piece : Pieces(Body, Chars))
        if (PieceNamed(piece, Name)) return std::string(piece.substr(piece.find('=') + 1));
    return std::string();
}

std::string KZNTreeSetBodyProperty(std::string_view Body, std::string_view Name, std::string_view Value,
                                   const TKZNTreeFormatChars& Chars) {
    std::string out = KZNTreeBodyCaption(Body, Chars);
    bool done = false;
    for (std::string_view piece : Pieces(Body, Chars)) {
        out.push_back(Chars.Separator);
        if (!done && PieceNamed(piece, Name)) {
            out += piece.substr(0, piece.find('=') + 1);
            out += Value;
            done = true;
        } else {
            out += piece;
        }
    }
    return out;
}

std::string KZNTreeBodyWithout(std::string_view Body, const std::vector<std::string>& Names,
                               const TKZNTreeFormatChars& Chars) {
    std::string out = KZNTreeBodyCaption(Body, Chars);
    for (std::string_view piece : Pieces(Body, Chars)) {
        if (std::any_of(Names.begin(), Names.end(), [&](const std::string& n) { return PieceNamed(piece, n); })) continue;
        out.push_back(Chars.Separator);
        out += piece;
    }
    return out;
}

namespace {

// A tree of records; node 0 stands above the top level.
struct TTree {
    struct TNode {
        const std::string* Body = nullptr;
        std::vector<int> Kids;
    };
    std::vector<TNode> Nodes;

    explicit TTree(const TKZNTreeTextRecords& Records) {
        Nodes.resize(Records.size() + 1);
        std::vector<int> last{0};  // the last node of each level, the top first
        for (size_t i = 0; i < Records.size(); ++i) {
            const int level = std::min<int>(Records[i].Level, static_cast<int>(last.size()) - 1);
            const int index = static_cast<int>(i) + 1;
            Nodes[static_cast<size_t>(index)].Body = &Records[i].Body;
            last.resize(static_cast<size_t>(level) + 1);
            Nodes[static_cast<size_t>(last.back())].Kids.push_back(index);
            last.push_back(index);
        }
    }
};

std::string Apply(const std::function<std::string(std::string_view)>& F, const std::string& Body) {
    return F ? F(Body) : Body;
}

// The keys of a node's children (Identity and the order among those of the
// same Identity), in their order.
std::vector<std::string> ChildKeys(const TTree& Tree, int Node, const TKZNTreeMergeRules& Rules) {
    std::vector<std::string> keys;
    if (Node < 0) return keys;
    std::unordered_map<std::string, int> seen;
    for (int kid : Tree.Nodes[static_cast<size_t>(Node)].Kids) {
        std::string id = Apply(Rules.Identity, *Tree.Nodes[static_cast<size_t>(kid)].Body);
        const int n = seen[id]++;
        keys.push_back(std::move(id) + '\x01' + std::to_string(n));
    }
    return keys;
}

}  // namespace

std::vector<std::string> KZNTreePathKeys(const TKZNTreeTextRecords& Records, const TKZNTreeMergeRules& Rules) {
    const TTree tree(Records);
    std::vector<std::string> keys(Records.size() + 1);
    std::vector<int> stack{0};
    while (!stack.empty()) {
        const int node = stack.back();
        stack.pop_back();
        const std::vector<std::string> kids = ChildKeys(tree, node, Rules);
        const auto& list = tree.Nodes[static_cast<size_t>(node)].Kids;
        for (size_t i = 0; i < list.size(); ++i) {
            keys[static_cast<size_t>(list[i])] = keys[static_cast<size_t>(node)] + '\x02' + kids[i];
            stack.push_back(list[i]);
        }
    }
    keys.erase(keys.begin());
    return keys;
}

TKZNTreeTextRecords KZNTreeMerge(const TKZNTreeTextRecords& Base, const TKZNTreeTextRecords& Ours,
                                 const TKZNTreeTextRecords& Theirs, const TKZNTreeMergeRules& Rules) {
    const TTree b(Base), o(Ours), t(Theirs);
    struct TOut {
        std::string Body;
        std::vector<int> Kids;
        bool Tentative = false;  // kept only when something below it stays
    };
    std::vector<TOut> out(1);
    struct TWork {
        int Out, O, B, T;
    };
    std::vector<TWork> work{{0, 0, 0, 0}};
    while (!work.empty()) {
        const TWork w = work.back();
        work.pop_back();
        const std::vector<std::string> ko = ChildKeys(o, w.O, Rules), kb = ChildKeys(b, w.B, Rules),
                                       kt = ChildKeys(t, w.T, Rules);
        auto kidsOf = [](const TTree& tree, int node) {
            return node < 0 ? std::vector<int>() : tree.Nodes[static_cast<size_t>(node)].Kids;
        };
        const std::vector<int> lo = kidsOf(o, w.O), lb = kidsOf(b, w.B), lt = kidsOf(t, w.T);
        std::unordered_map<std::string, int> mo, mb, mt;
        for (size_t i = 0; i < ko.size(); ++i) mo.emplace(ko[i], lo[i]);
        for (size_t i = 0; i < kb.size(); ++i) mb.emplace(kb[i], lb[i]);
        for (size_t i = 0; i < kt.size(); ++i) mt.emplace(kt[i], lt[i]);
        auto find = [](const std::unordered_map<std::string, int>& m, const std::string& k) {
            auto it = m.find(k);
            return it == m.end() ? -1 : it->second;
        };

        struct TFate {
            bool Keep = false, Tentative = false;
            const std::string* Body = nullptr;
        };
        auto fate = [&](const std::string& key) {
            const int io = find(mo, key), ib = find(mb, key), it = find(mt, key);
            TFate f;
            const std::string* bo = io >= 0 ? o.Nodes[static_cast<size_t>(io)].Body : nullptr;
            const std::string* bb = ib >= 0 ? b.Nodes[static_cast<size_t>(ib)].Body : nullptr;
            const std::string* bt = it >= 0 ? t.Nodes[static_cast<size_t>(it)].Body : nullptr;
            if (bo && (!bb || Apply(Rules.Content, *bo) != Apply(Rules.Content, *bb))) {
                f = {true, false, bo};  // added or changed here
            } else if (bo) {
                f = bt ? TFate{true, false, bt} : TFate{true, true, bo};  // as the file has it; deleted there
            } else if (bb) {
                if (bt) f = {true, true, bt};  // deleted here
            } else if (bt) {
                f = {true, false, bt};  // added there
            }
            return f;
        };

        // the order of the siblings that both this copy and what it read hold
        std::vector<std::string> commonO, commonB;
        for (const std::string& k : ko)
            if (mb.count(k)) commonO.push_back(k);
        for (const std::string& k : kb)
            if (mo.count(k)) commonB.push_back(k);
        const bool reordered = commonO != commonB;
        const std::vector<std::string>& primary = reordered || w.T < 0 ? ko : kt;
        const std::vector<std::string>& secondary = reordered || w.T < 0 ? kt : ko;
        std::vector<std::string> kept;  // the primary side's nodes that stay, in order
        std::unordered_map<std::string, TFate> fates;
        std::unordered_map<std::string, size_t> place;  // a kept primary node's place in kept
        for (const std::string& k : primary) {
            TFate f = fate(k);
            if (!f.Keep) continue;
            fates.emplace(k, f);
            place.emplace(k, kept.size());
            kept.push_back(k);
        }
        // a node only the other side has follows the node it follows there:
        // after[0] goes first, after[i + 1] right after kept[i]
        std::vector<std::vector<std::string>> after(kept.size() + 1);
        size_t at = 0;
        for (const std::string& k : secondary) {
            if (auto p = place.find(k); p != place.end()) {
                at = p->second + 1;
                continue;
            }
            if (fates.count(k)) continue;
            TFate f = fate(k);
            if (!f.Keep) continue;
            fates.emplace(k, f);
            after[at].push_back(k);
        }
        std::vector<std::string> order;
        order.reserve(fates.size());
        order.insert(order.end(), after[0].begin(), after[0].end());
        for (size_t i = 0; i < kept.size(); ++i) {
            order.push_back(kept[i]);
            order.insert(order.end(), after[i + 1].begin(), after[i + 1].end());
        }
        for (const std::string& k : order) {
            const TFate& f = fates.at(k);
            const int index = static_cast<int>(out.size());
            out.push_back({*f.Body, {}, f.Tentative});
            out[static_cast<size_t>(w.Out)].Kids.push_back(index);
            work.push_back({index, find(mo, k), find(mb, k), find(mt, k)});
        }
    }

    // a node is written after its parent, so its children are judged before it
    std::vector<bool> gone(out.size(), false);
    for (size_t i = out.size(); i-- > 1;) {
        if (!out[i].Tentative) continue;
        gone[i] = std::all_of(out[i].Kids.begin(), out[i].Kids.end(),
                              [&](int k) { return gone[static_cast<size_t>(k)]; });
    }
    TKZNTreeTextRecords merged;
    std::vector<std::pair<int, int>> stack;  // node, level
    for (auto it = out[0].Kids.rbegin(); it != out[0].Kids.rend(); ++it) stack.emplace_back(*it, 0);
    while (!stack.empty()) {
        const auto [node, level] = stack.back();
        stack.pop_back();
        if (gone[static_cast<size_t>(node)]) continue;
        merged.push_back({level, std::move(out[static_cast<size_t>(node)].Body)});
        const auto& kids = out[static_cast<size_t>(node)].Kids;
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.emplace_back(*it, level + 1);
    }
    return merged;
}
