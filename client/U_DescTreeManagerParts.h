// What the object tree's own files share: the nodes' data, the operation
// scope that holds the folder cache, and small text helpers.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "StringList.h"
#include "SysUtils.h"
#include "U_DescTreeManager.h"

namespace desctree {

inline std::string Upper(std::string_view s) { return sys::UpperCase(s); }

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Upper(a) == Upper(b);
}

// Separators as '/', runs of them as one, "." and ".." components resolved.
std::string NormalizePath(std::string_view path);

inline std::string WithoutTrailingSeparator(std::string s) {
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
    return s;
}

inline std::string JoinPath(const std::string& folder, std::string_view name) {
    return WithoutTrailingSeparator(folder) + "/" + std::string(name);
}

inline std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(std::max(0, n)), c); }

// The name part of a name=value line.
inline std::string NameOf(const std::string& line) {
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

inline std::string ValueOf(const std::string& line) {
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

}  // namespace desctree

// What a node knows of its definition. The items of one expansion share one
// place (a hundred thousand items hold one copy of their folder); a change to
// a shared place is made on the node's own copy.
struct TDescTreeManager::TPlace {
    std::string Folder;    // the node's folder (an item's is its parent's)
    std::string Override;  // the override folder; empty when none
    std::string Deploy;    // the deploy query, lines joined by LF; empty when none or refused
};

// Name=value lines in one block: its size (4 bytes), then each line as its
// length (4 bytes; the top bit marks a value that lost characters) and its
// bytes. An item's parameters cost one allocation, not one per line, and
// nothing when there are none.
class TParamLines {
public:
    static constexpr uint32_t kLossy = 0x80000000u;
    // Appends a line in the block's form to Bytes.
    static void Append(std::string& Bytes, std::string_view Line) {
        const auto n = static_cast<uint32_t>(Line.size());
        Bytes.append(reinterpret_cast<const char*>(&n), sizeof n).append(Line.data(), Line.size());
    }
    // Appends the line Name=Value; Lossy: the database's value held characters
    // CP932 cannot, which Value has as "?".
    static void Append(std::string& Bytes, std::string_view Name, std::string_view Value, bool Lossy = false) {
        const auto n = static_cast<uint32_t>(Name.size() + 1 + Value.size()) | (Lossy ? kLossy : 0u);
        Bytes.append(reinterpret_cast<const char*>(&n), sizeof n)
            .append(Name.data(), Name.size())
            .append(1, '=')
            .append(Value.data(), Value.size());
    }
    // Lines as Append writes them.
    void SetBytes(std::string_view Bytes) {
        if (Bytes.empty()) {
            FBlock.reset();
            return;
        }
        const auto size = static_cast<uint32_t>(Bytes.size());
        FBlock.reset(new char[sizeof size + Bytes.size()]);
        std::memcpy(FBlock.get(), &size, sizeof size);
        std::memcpy(FBlock.get() + sizeof size, Bytes.data(), Bytes.size());
    }
    void Assign(const TStringList& Lines) {
        std::string bytes;
        for (const std::string& line : Lines.Items) Append(bytes, line);
        SetBytes(bytes);
    }
    // The lines; Lossy (when given) gets each line's mark.
    TStringList List(std::vector<bool>* Lossy = nullptr) const {
        TStringList out;
        if (Lossy) Lossy->clear();
        if (!FBlock) return out;
        uint32_t size = 0;
        std::memcpy(&size, FBlock.get(), sizeof size);
        const char* at = FBlock.get() + sizeof size;
        const char* const end = at + size;
        while (at < end) {
            uint32_t n = 0;
            std::memcpy(&n, at, sizeof n);
            at += sizeof n;
            if (Lossy) Lossy->push_back((n & kLossy) != 0);
            n &= ~kLossy;
            out.Add(std::string(at, n));
            at += n;
        }
        return out;
    }

private:
    std::unique_ptr<char[]> FBlock;
};

class TDescTreeManager::TNode final : public TKZNTreeNode {
public:
    TNode(TKZNTreeView* tree, TDescTreeManager* manager) : TKZNTreeNode(tree), Manager(manager), Place(NoPlace()) {}
    ~TNode() override {
        if (!Manager) return;
        if (Manager->FLastNode == this) Manager->FLastNode = nullptr;
        if (Manager->FWatchNode == this) Manager->FWatchNode = nullptr;
        if (Manager->FPropertyNode == this) Manager->FPropertyNode = nullptr;
    }
    // The place to change: the node's own, copied first when it is shared.
    TPlace& OwnPlace() {
        if (Place.use_count() > 1) Place = std::make_shared<TPlace>(*Place);
        return *Place;
    }
    static const std::shared_ptr<TPlace>& NoPlace() {
        static const std::shared_ptr<TPlace> none = std::make_shared<TPlace>();
        return none;
    }

    TDescTreeManager* Manager;
    std::shared_ptr<TPlace> Place;  // never null
    TParamLines Params;             // the node's own parameters, name=value lines
    int32_t Order = 0;
    int8_t Kind = dnkNone;  // a TDescNodeKind
    bool Done = false;  // the children are built
    bool Hide = false;  // an "Empty.Hide" applies
};

// One folder cache per outermost operation: the definition may change between two.
class TDescTreeManager::TOpScope {
public:
    explicit TOpScope(TDescTreeManager& m) : M(m) {
        if (M.FBusy++ == 0) {
            M.FCache.Clear();
            M.FReportedOverrides.clear();
            M.FReportedPlaceholders.clear();
        }
    }
    ~TOpScope() {
        if (--M.FBusy == 0) M.FCache.Clear();
    }

private:
    TDescTreeManager& M;
};
