// The indented text format of the tree control, over an abstract node sink so
// that it is read and written without any display.
//
// One record per node, in tree order (a node, its subtree, its next sibling):
//   the indent character (0xA0) once per level, the caption, then for each
//   saved property: the separator (0x07), the name, "=", the value; then the
//   end character (0x06) and CR LF.
// Booleans are "True"/"False", integers decimal, a string list is its text
// without the final CR LF (lines joined by CR LF inside the record).
//
// The format has no escapes. So that a saved file always loads back to the
// same tree, the writer replaces what the reader would take for structure:
//   - a NUL byte, the separator or the end character inside a caption or a
//     value is written as a blank (0x20);
//   - an indent character at the start of a caption is written as a blank;
//   - at the root level, CR and LF at the start of a caption are written as
//     blanks, and an empty caption of a record without properties is written
//     as one blank (the reader skips line ends between records);
//   - a string list whose last line is empty keeps its final CR LF, so that
//     the empty line comes back.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "Exception.h"
#include "StringList.h"

Z_DECLARE_EXCEPTION(EKZNTreeViewError, Exception);

enum TKZNTreeNodePublishedProperties : int {
    vtnCut,
    vtnFocused,
    vtnDropTarget,
    vtnSelected,
    vtnExpanded,
    vtnHasChildren,
    vtnImageIndex,
    vtnOverlayIndex,
    vtnSelectedIndex,
    vtnStateIndex,
    vtnStringList,
    vtnStringList01,
    vtnStringList02,
    vtnStringList03,
    vtnStringList04,
    vtnStringList05,
    vtnStringList06,
    vtnStringList07,
    vtnStringList08,
    vtnStringList09,
};
constexpr int KZNTreeNodePropertyCount = 20;

// The name of a property in the file ("Cut", ..., "StringList09").
const char* KZNTreeNodePropertyName(TKZNTreeNodePublishedProperties p);
inline bool IsBooleanProperty(TKZNTreeNodePublishedProperties p) { return p <= vtnHasChildren; }
inline bool IsIntegerProperty(TKZNTreeNodePublishedProperties p) { return p >= vtnImageIndex && p <= vtnStateIndex; }
// 0 for StringList, 1 for StringList01, ...; -1 for the other properties.
inline int StringListIndex(TKZNTreeNodePublishedProperties p) { return p >= vtnStringList ? p - vtnStringList : -1; }

// A set of properties.
class TKZNTreeNodeSaveProperties {
public:
    TKZNTreeNodeSaveProperties() = default;
    TKZNTreeNodeSaveProperties(std::initializer_list<TKZNTreeNodePublishedProperties> items) {
        for (auto p : items) Include(p);
    }
    static TKZNTreeNodeSaveProperties All() {
        TKZNTreeNodeSaveProperties s;
        s.FBits = (1u << KZNTreeNodePropertyCount) - 1;
        return s;
    }
    bool Contains(TKZNTreeNodePublishedProperties p) const { return (FBits >> p) & 1u; }
    void Include(TKZNTreeNodePublishedProperties p) { FBits |= 1u << p; }
    void Exclude(TKZNTreeNodePublishedProperties p) { FBits &= ~(1u << p); }
    bool Empty() const { return FBits == 0; }
    bool operator==(const TKZNTreeNodeSaveProperties& o) const { return FBits == o.FBits; }
    bool operator!=(const TKZNTreeNodeSaveProperties& o) const { return FBits != o.FBits; }

private:
    uint32_t FBits = 0;
};

// One node as the format sees it.
class IKZNTreeFormatNode {
public:
    virtual ~IKZNTreeFormatNode() = default;
    virtual std::string GetFormatText() const = 0;
    // Which saved properties the reader applies to this node.
    virtual TKZNTreeNodeSaveProperties GetRestoreProperties() const = 0;
    virtual bool GetBoolProperty(TKZNTreeNodePublishedProperties p) const = 0;
    // vtnExpanded only records the value; ApplyLoadedExpanded uses it once the tree is complete.
    virtual void SetBoolProperty(TKZNTreeNodePublishedProperties p, bool value) = 0;
    virtual int32_t GetIntProperty(TKZNTreeNodePublishedProperties p) const = 0;
    virtual void SetIntProperty(TKZNTreeNodePublishedProperties p, int32_t value) = 0;
    // The string list 0..9 of the node's data; null when the node has none.
    virtual TStringList* GetFormatList(int index) = 0;
    // Expanded := the value read from the file (collapsed when the file held none).
    virtual void ApplyLoadedExpanded() = 0;
};

// The tree as the format sees it.
class IKZNTreeFormatNodes {
public:
    virtual ~IKZNTreeFormatNodes() = default;
    virtual void ClearFormatNodes() = 0;
    // A new node with the caption, the last child of parent (the last root node when parent is null).
    virtual IKZNTreeFormatNode* AddFormatNode(IKZNTreeFormatNode* parent, const std::string& text) = 0;
    virtual IKZNTreeFormatNode* GetFormatParent(IKZNTreeFormatNode* node) = 0;
    // Every node in tree order with its level (0 for a root node).
    virtual void ForEachFormatNode(const std::function<void(IKZNTreeFormatNode& node, int level)>& f) = 0;
};

struct TKZNTreeFormatChars {
    char Indent = '\xA0';
    char Separator = '\x07';
    char LineEnd = '\x06';
};

// The records of every node, with the properties of the set.
std::string KZNTreeSaveText(IKZNTreeFormatNodes& nodes, TKZNTreeNodeSaveProperties properties,
                            const TKZNTreeFormatChars& chars);

// Hands each record of the text (its level and its body: the caption and the
// properties) to f, up to the first NUL byte; gives where reading stopped.
// Raises EKZNTreeViewError for a level that skips one.
size_t KZNTreeWalkRecords(std::string_view text, const TKZNTreeFormatChars& chars,
                          const std::function<void(int level, std::string_view body)>& f);
// Raises EKZNTreeViewError when anything but line ends and NUL bytes stands from pos on.
void KZNTreeCheckAfterNul(std::string_view text, size_t pos, const TKZNTreeFormatChars& chars);

// Clears the tree and reads the text into it, then expands the nodes as read.
// Reading ends at the first NUL byte. Raises EKZNTreeViewError on a structure
// error or when anything but line ends and NUL bytes follows that NUL, and
// EConvertError on a bad value; the nodes read before the error stay in the
// tree.
void KZNTreeLoadText(IKZNTreeFormatNodes& nodes, std::string_view text, const TKZNTreeFormatChars& chars);
