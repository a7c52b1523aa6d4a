// Tree text files as plain records, and the three-way merge with which a
// copy of the program saves a tree file that another copy may have changed
// since this copy read it.
//
// A record is one node of the file: its level and its body (the caption and
// the properties, without the indentation and the end of the record).
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "KZNTreeViewFormat.h"

struct TKZNTreeTextRecord {
    int Level = 0;
    std::string Body;
    bool operator==(const TKZNTreeTextRecord& o) const { return Level == o.Level && Body == o.Body; }
};
using TKZNTreeTextRecords = std::vector<TKZNTreeTextRecord>;

// The records of a tree text, split as the reader splits them (reading ends at
// the first NUL byte). Raises EKZNTreeViewError where the reader does on the
// structure (a level that skips one, anything after the NUL).
TKZNTreeTextRecords KZNTreeSplitText(std::string_view Text, const TKZNTreeFormatChars& Chars);
// The text of the records as the saver writes it.
std::string KZNTreeJoinText(const TKZNTreeTextRecords& Records, const TKZNTreeFormatChars& Chars);

// The caption of a body, and the value of one of its properties (empty when
// it has none); the name matches without regard to case, as the reader does.
std::string KZNTreeBodyCaption(std::string_view Body, const TKZNTreeFormatChars& Chars);
std::string KZNTreeBodyProperty(std::string_view Body, std::string_view Name, const TKZNTreeFormatChars& Chars);
// The body with the value of a property replaced (the body as it was when it
// has no such property).
std::string KZNTreeSetBodyProperty(std::string_view Body, std::string_view Name, std::string_view Value,
                                   const TKZNTreeFormatChars& Chars);
// The body without the named properties.
std::string KZNTreeBodyWithout(std::string_view Body, const std::vector<std::string>& Names,
                               const TKZNTreeFormatChars& Chars);

struct TKZNTreeMergeRules {
    // What names a node among its siblings; nodes of one parent with the same
    // name are told apart by their order. Empty: the whole body.
    std::function<std::string(std::string_view Body)> Identity;
    // What of a node counts when asking whether a copy changed it. Empty: the whole body.
    std::function<std::string(std::string_view Body)> Content;
};

// For each record, the names (Identity and order among same-named siblings)
// of its path from the top, joined: one text that stands for the node in
// every version of the tree.
std::vector<std::string> KZNTreePathKeys(const TKZNTreeTextRecords& Records, const TKZNTreeMergeRules& Rules);

// The tree to write when this copy read Base, holds Ours now, and the file
// holds Theirs. A node this copy added, changed or deleted is as Ours has it;
// every other node is as Theirs has it (added, changed or deleted there). A
// node one side deleted stays when the other side added something below it.
// Siblings stand in Ours' order when this copy reordered the ones it read,
// otherwise in Theirs' order; a node only one side has follows the sibling it
// follows there.
TKZNTreeTextRecords KZNTreeMerge(const TKZNTreeTextRecords& Base, const TKZNTreeTextRecords& Ours,
                                 const TKZNTreeTextRecords& Theirs, const TKZNTreeMergeRules& Rules);
