#include "KZNTreeViewFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "SysUtils.h"
#include "T_KZNUtil.h"

namespace {

const char* const kPropertyNames[KZNTreeNodePropertyCount] = {
    "Cut",          "Focused",      "DropTarget",   "Selected",     "Expanded",
    "HasChildren",  "ImageIndex",   "OverlayIndex", "SelectedIndex", "StateIndex",
    "StringList",   "StringList01", "StringList02", "StringList03", "StringList04",
    "StringList05", "StringList06", "StringList07", "StringList08", "StringList09",
};

bool IsStructureByte(char c, const TKZNTreeFormatChars& chars) {
    return c == '\0' || c == chars.Separator || c == chars.LineEnd;
}

// Appends s with every byte the reader takes for structure written as a blank.
void AppendClean(std::string& out, std::string_view s, const TKZNTreeFormatChars& chars) {
    for (char c : s) out.push_back(IsStructureByte(c, chars) ? ' ' : c);
}

void AppendCaption(std::string& out, std::string_view caption, int level, bool hasProperties,
                   const TKZNTreeFormatChars& chars) {
    size_t start = out.size();
    AppendClean(out, caption, chars);
    // what the reader would count as levels, or skip as a line end between records
    for (size_t i = start; i < out.size(); ++i) {
        char c = out[i];
        if (c == chars.Indent || (level == 0 && (c == '\r' || c == '\n')))
            out[i] = ' ';
        else
            break;
    }
    if (level == 0 && !hasProperties && out.size() == start) out.push_back(' ');
}

void AppendListValue(std::string& out, const TStringList& list, const TKZNTreeFormatChars& chars) {
    for (int i = 0; i < list.Count(); ++i) {
        if (i > 0) out += "\r\n";
        for (char c : list[i]) out.push_back(IsStructureByte(c, chars) || c == '\r' || c == '\n' ? ' ' : c);
    }
    // a last empty line needs its line break, or the reader drops it
    if (list.Count() > 0 && list[list.Count() - 1].empty()) out += "\r\n";
}

// The value of the first name=value piece whose name matches, or empty.
std::string_view FindValue(const std::vector<std::string_view>& pieces, std::string_view name) {
    for (std::string_view piece : pieces) {
        size_t eq = piece.find('=');
        if (eq == std::string_view::npos) continue;
        if (sys::SameText(piece.substr(0, eq), name)) return piece.substr(eq + 1);
    }
    return std::string_view();
}

void ApplyProperties(IKZNTreeFormatNode& node, std::string_view props, const TKZNTreeFormatChars& chars) {
    // nothing but blanks and control bytes: no properties (checked without a copy of a huge value)
    if (std::all_of(props.begin(), props.end(), [](char c) { return static_cast<unsigned char>(c) < 0x21; })) return;
    std::string_view rest = props.substr(1);
    std::vector<std::string_view> pieces;
    size_t pos = 0;
    for (;;) {
        size_t f = rest.find(chars.Separator, pos);
        if (f != std::string_view::npos && f > pos) {
            pieces.push_back(rest.substr(pos, f - pos));
            pos = f + 1;
        } else {
            pieces.push_back(rest.substr(pos));
            break;
        }
    }
    TKZNTreeNodeSaveProperties restore = node.GetRestoreProperties();
    for (int i = KZNTreeNodePropertyCount - 1; i >= 0; --i) {
        auto p = static_cast<TKZNTreeNodePublishedProperties>(i);
        if (!restore.Contains(p)) continue;
        const std::string_view value = FindValue(pieces, kPropertyNames[i]);
        if (value.empty()) continue;
        if (IsBooleanProperty(p)) {
            node.SetBoolProperty(p, TKZNUtil::StrToBool(value));
        } else if (IsIntegerProperty(p)) {
            node.SetIntProperty(p, sys::StrToInt(value));
        } else if (TStringList* list = node.GetFormatList(StringListIndex(p))) {
            list->SetText(value);
        }
    }
}

}  // namespace

const char* KZNTreeNodePropertyName(TKZNTreeNodePublishedProperties p) { return kPropertyNames[p]; }

std::string KZNTreeSaveText(IKZNTreeFormatNodes& nodes, TKZNTreeNodeSaveProperties properties,
                            const TKZNTreeFormatChars& chars) {
    std::string out;
    const bool hasProperties = !properties.Empty();
    nodes.ForEachFormatNode([&](IKZNTreeFormatNode& node, int level) {
        out.append(static_cast<size_t>(level), chars.Indent);
        AppendCaption(out, node.GetFormatText(), level, hasProperties, chars);
        for (int i = 0; i < KZNTreeNodePropertyCount; ++i) {
            auto p = static_cast<TKZNTreeNodePublishedProperties>(i);
            if (!properties.Contains(p)) continue;
            out.push_back(chars.Separator);
            out += kPropertyNames[i];
            out.push_back('=');
            if (IsBooleanProperty(p)) {
                out += TKZNUtil::BoolToStr(node.GetBoolProperty(p));
            } else if (IsIntegerProperty(p)) {
                out += sys::IntToStr(node.GetIntProperty(p));
            } else if (TStringList* list = node.GetFormatList(StringListIndex(p))) {
                AppendListValue(out, *list, chars);
            }
        }
        out.push_back(chars.LineEnd);
        out += "\r\n";
    });
    return out;
}

size_t KZNTreeWalkRecords(std::string_view text, const TKZNTreeFormatChars& chars,
                          const std::function<void(int level, std::string_view body)>& f) {
    const char* const base = text.data();
    // reading ends at the first NUL byte (unless NUL is the line end): found
    // once, so that each record's end is one memchr
    const char lineEnd = chars.LineEnd;
    size_t n = text.size();
    if (const void* nul = n && lineEnd != '\0' ? std::memchr(base, '\0', n) : nullptr)
        n = static_cast<size_t>(static_cast<const char*>(nul) - base);
    int prevLevel = -1;
    size_t pos = 0;
    while (pos < n && base[pos] != '\0') {
        const void* hit = std::memchr(base + pos, lineEnd, n - pos);
        const size_t end = hit ? static_cast<size_t>(static_cast<const char*>(hit) - base) : n;
        size_t level = pos;
        while (level < end && base[level] == chars.Indent) ++level;
        const int lev = static_cast<int>(level - pos);
        if (lev > prevLevel + 1) throw EKZNTreeViewError("TFastTree.LoadFromStream: Level Mismatch");
        f(lev, std::string_view(base + level, end - level));
        prevLevel = lev;
        pos = end;
        while (pos < n && (base[pos] == '\r' || base[pos] == '\n' || base[pos] == lineEnd)) ++pos;
    }
    return pos;
}

void KZNTreeCheckAfterNul(std::string_view text, size_t pos, const TKZNTreeFormatChars& chars) {
    // reading ends at a NUL byte; records after it would be lost by the next save
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c != '\0' && c != '\r' && c != '\n' && c != chars.LineEnd)
            throw EKZNTreeViewError("NUL 文字より後のデータは読み込めません");
    }
}

void KZNTreeLoadText(IKZNTreeFormatNodes& nodes, std::string_view text, const TKZNTreeFormatChars& chars) {
    nodes.ClearFormatNodes();
    IKZNTreeFormatNode* prevNode = nullptr;
    int prevLevel = -1;
    const size_t stop = KZNTreeWalkRecords(text, chars, [&](int lev, std::string_view body) {
        IKZNTreeFormatNode* parent = nullptr;
        if (lev == prevLevel + 1) {
            parent = prevNode;
        } else if (lev == prevLevel) {
            if (!prevNode) throw EKZNTreeViewError("TFastTree.LoadFromStream: Logical Error 1");
            parent = nodes.GetFormatParent(prevNode);
        } else {
            parent = prevNode;
            for (int k = 0; k < prevLevel - lev + 1; ++k) {
                if (!parent) throw EKZNTreeViewError("TFastTree.LoadFromStream: Logical Error 2");
                parent = nodes.GetFormatParent(parent);
            }
        }

        size_t sep = body.find(chars.Separator);
        std::string_view caption = sep == std::string_view::npos ? body : body.substr(0, sep);
        std::string_view props = sep == std::string_view::npos ? std::string_view() : body.substr(sep);
        IKZNTreeFormatNode* node = nodes.AddFormatNode(parent, std::string(caption));
        prevNode = node;
        if (node) ApplyProperties(*node, props, chars);
        prevLevel = lev;
    });
    nodes.ForEachFormatNode([](IKZNTreeFormatNode& node, int) { node.ApplyLoadedExpanded(); });
    KZNTreeCheckAfterNul(text, stop, chars);
}
