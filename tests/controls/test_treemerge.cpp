// The three-way merge of tree text files: what this copy read, what it holds
// now and what the file holds by the time it saves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KZNTreeViewFormatMerge.h"

namespace {

// A tree written as lines: one dot per level, the caption, and "=content" when the node has any.
TKZNTreeTextRecords Tree(const std::vector<std::string>& Lines) {
    TKZNTreeTextRecords records;
    for (const std::string& line : Lines) {
        size_t level = 0;
        while (level < line.size() && line[level] == '.') ++level;
        std::string body = line.substr(level);
        const size_t eq = body.find('=');
        if (eq != std::string::npos) body = body.substr(0, eq) + "\x07V=" + body.substr(eq + 1);
        records.push_back({static_cast<int>(level), body});
    }
    return records;
}

std::vector<std::string> Lines(const TKZNTreeTextRecords& Records) {
    std::vector<std::string> lines;
    for (const TKZNTreeTextRecord& r : Records) {
        std::string body = r.Body;
        const size_t sep = body.find('\x07');
        if (sep != std::string::npos) body = body.substr(0, sep) + "=" + body.substr(sep + 3);
        lines.push_back(std::string(static_cast<size_t>(r.Level), '.') + body);
    }
    return lines;
}

}  // namespace

TEST(TreeMerge, WhatEachSideDidStays) {
    struct Case {
        const char* Name;
        std::vector<std::string> Base, Ours, Theirs, Merged;
    };
    const std::vector<Case> cases = {
        {"nobody changed anything", {"a", ".b", "c"}, {"a", ".b", "c"}, {"a", ".b", "c"}, {"a", ".b", "c"}},
        {"added there, after its sibling", {"a", "c"}, {"a", "c"}, {"a", "b", "c"}, {"a", "b", "c"}},
        {"added on both sides", {"a"}, {"a", "o"}, {"t", "a"}, {"t", "a", "o"}},
        {"deleted here", {"a", "b"}, {"a"}, {"a", "b"}, {"a"}},
        {"deleted there", {"a", "b"}, {"a", "b"}, {"a"}, {"a"}},
        {"deleted here, added to there", {"a", ".x"}, {}, {"a", ".x", ".y"}, {"a", ".y"}},
        {"deleted there, added to here", {"a", ".x"}, {"a", ".x", ".y"}, {}, {"a", ".y"}},
        {"moved here", {"f", "g", ".x"}, {"f", ".x", "g"}, {"f", "g", ".x", "h"}, {"f", ".x", "g", "h"}},
        {"reordered here", {"a", "b", "c"}, {"c", "a", "b"}, {"a", "b", "n", "c"}, {"c", "a", "b", "n"}},
        {"reordered there", {"a", "b", "c"}, {"a", "b", "c", "o"}, {"c", "a", "b"}, {"c", "o", "a", "b"}},
        {"one of two alike deleted there", {"x", "x"}, {"x", "x"}, {"x"}, {"x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Lines(KZNTreeMerge(Tree(c.Base), Tree(c.Ours), Tree(c.Theirs), {})), c.Merged);
    }
}

// Known by their captions, nodes compare by content: a change here wins, a
// change there is taken where this copy changed nothing.
TEST(TreeMerge, AChangedNodeIsAsTheSideThatChangedItHasIt) {
    TKZNTreeMergeRules rules;
    const TKZNTreeFormatChars chars;
    rules.Identity = [&](std::string_view body) { return KZNTreeBodyCaption(body, chars); };
    struct Case {
        const char* Name;
        std::vector<std::string> Base, Ours, Theirs, Merged;
    };
    const std::vector<Case> cases = {
        {"changed here", {"a=1", "b=1"}, {"a=2", "b=1"}, {"a=1", "b=3"}, {"a=2", "b=3"}},
        {"changed on both sides", {"a=1"}, {"a=2"}, {"a=3"}, {"a=2"}},
        {"changed here, deleted there", {"a=1", "b=1"}, {"a=2", "b=1"}, {"b=1"}, {"a=2", "b=1"}},
        {"changed there, deleted here", {"a=1", "b=1"}, {"b=1"}, {"a=3", "b=1"}, {"b=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Lines(KZNTreeMerge(Tree(c.Base), Tree(c.Ours), Tree(c.Theirs), rules)), c.Merged);
    }
}

TEST(TreeMerge, RecordsSplitAndJoinAsTheFormatHasThem) {
    const TKZNTreeFormatChars chars;
    const std::string text = "a\x07V=1\r\n2\x06\r\n\xA0" "b\x06\r\nc\x06\r\n";
    const TKZNTreeTextRecords records = KZNTreeSplitText(text, chars);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], (TKZNTreeTextRecord{0, "a\x07V=1\r\n2"}));
    EXPECT_EQ(records[1], (TKZNTreeTextRecord{1, "b"}));
    EXPECT_EQ(KZNTreeJoinText(records, chars), text);
    EXPECT_EQ(KZNTreeBodyProperty(records[0].Body, "v", chars), "1\r\n2");
    EXPECT_EQ(KZNTreeSetBodyProperty(records[0].Body, "V", "x", chars), "a\x07V=x");
    EXPECT_EQ(KZNTreeBodyWithout("a\x07S=1\x07V=2", {"s"}, chars), "a\x07V=2");
    EXPECT_THROW(KZNTreeSplitText("\xA0" "a\x06", chars), EKZNTreeViewError);
    EXPECT_THROW(KZNTreeSplitText(std::string("a\x06\0b\x06", 5), chars), EKZNTreeViewError);
}
