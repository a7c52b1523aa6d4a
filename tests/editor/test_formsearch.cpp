// The search dialog: its option word, the history of 32 texts kept newest
// first, and the options and history kept in its settings file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "CP932Qt.h"
#include "Editor.h"
#include "FormSearch.h"
#include "QtTestApp.h"
#include "TestUtil.h"

namespace {

struct FormSearchTest : testutil::WithApp, ::testing::Test {
    testutil::THookScope hooks;
    FormSearchTest() { hooks.Set(TFormSearch::SetStoreFileName, testutil::TempFolder("formsearch") + "TFormSearch.ini"); }

    // Runs Execute with the dialog answered by Answer (which presses a button).
    bool Run(std::function<void(TFormSearch*)> Answer, std::string& Text, uint16_t& Options) {
        testutil::AnswerModal<TFormSearch>(std::move(Answer));
        return TFormSearch::Execute(Text, Options);
    }
    // Searches for T with the dialog's options unchanged.
    void Search(const QString& T) {
        std::string text;
        uint16_t options;
        Run([&](TFormSearch* d) {
            d->ComboBox_Search->setEditText(T);
            d->OKBtn->click();
        }, text, options);
    }
    QStringList History() {
        QStringList items;
        std::string text;
        uint16_t options;
        Run([&](TFormSearch* d) {
            for (int i = 0; i < d->ComboBox_Search->count(); ++i) items << d->ComboBox_Search->itemText(i);
            d->CancelBtn->click();
        }, text, options);
        return items;
    }
};

TEST_F(FormSearchTest, OptionWordFromTheControls) {
    struct {
        bool Case, Word, Zen, CRLF;
        int Dir;
        uint16_t Want;
    } cases[] = {
        {false, false, false, false, 1, soForward},
        {false, false, false, false, 0, 0},
        {true, false, false, false, 1, soForward | soMatchCase},
        {false, true, false, false, 0, soWholeWord},
        {false, false, true, false, 0, soFuzzy},
        {false, false, false, true, 0, soIgnoreLineBreaks | soIgnoreBlanks},
        {true, true, true, true, 1, 0x018F},
    };
    for (const auto& c : cases) {
        std::string text;
        uint16_t options = 77;
        const bool ok = Run([&](TFormSearch* d) {
            d->CheckBox_MatchCase->setChecked(c.Case);
            d->CheckBox_WholeWord->setChecked(c.Word);
            d->CheckBox_NoMatchZenkaku->setChecked(c.Zen);
            d->CheckBox_IncludeCRLF->setChecked(c.CRLF);
            d->SetDirectionIndex(c.Dir);
            d->ComboBox_Search->setEditText(QString::fromUtf16(u"表示"));
            d->OKBtn->click();
        }, text, options);
        ASSERT_TRUE(ok);
        EXPECT_EQ(text, "\x95\x5C\x8E\xA6");
        EXPECT_EQ(options, c.Want);
    }
    // the next dialog starts with the last options
    std::string text;
    uint16_t options;
    Run([&](TFormSearch* d) {
        EXPECT_TRUE(d->CheckBox_MatchCase->isChecked());
        EXPECT_TRUE(d->CheckBox_IncludeCRLF->isChecked());
        EXPECT_EQ(d->DirectionIndex(), 1);
        EXPECT_EQ(d->ComboBox_Search->currentText(), QString::fromUtf16(u"表示"));
        d->OKBtn->click();
    }, text, options);
    EXPECT_EQ(options, 0x018F);
}

TEST_F(FormSearchTest, DefaultsCancelAndEmptyText) {
    std::string text = "x";
    uint16_t options = 5;
    EXPECT_FALSE(Run([&](TFormSearch* d) {
        EXPECT_EQ(d->DirectionIndex(), 1);
        EXPECT_FALSE(d->CheckBox_MatchCase->isChecked());
        EXPECT_EQ(d->ComboBox_Search->count(), 0);
        EXPECT_EQ(d->windowTitle(), QString::fromUtf16(u"検索"));
        d->ComboBox_Search->setEditText("abc");
        d->CancelBtn->click();
    }, text, options));
    EXPECT_EQ(text, "");
    EXPECT_EQ(options, 0);
    // OK with an empty text: False, but the options are kept
    EXPECT_FALSE(Run([&](TFormSearch* d) {
        d->CheckBox_WholeWord->setChecked(true);
        d->SetDirectionIndex(0);
        d->ComboBox_Search->setEditText("");
        d->OKBtn->click();
    }, text, options));
    EXPECT_EQ(options, 0);
    Run([&](TFormSearch* d) {
        EXPECT_TRUE(d->CheckBox_WholeWord->isChecked());
        EXPECT_EQ(d->DirectionIndex(), 0);
        EXPECT_EQ(d->ComboBox_Search->count(), 0);  // nothing went into the history
        d->CancelBtn->click();
    }, text, options);
}

TEST_F(FormSearchTest, HistoryKeepsThe32NewestNewestFirst) {
    for (int i = 1; i <= 33; ++i) Search(QStringLiteral("text%1").arg(i));
    QStringList h = History();
    ASSERT_EQ(h.size(), 32);
    EXPECT_EQ(h.front(), "text33");
    EXPECT_EQ(h.back(), "text2");
    // an older text searched again moves to the top, once
    Search("text10");
    h = History();
    ASSERT_EQ(h.size(), 32);
    EXPECT_EQ(h[0], "text10");
    EXPECT_EQ(h[1], "text33");
    EXPECT_EQ(h.count("text10"), 1);
    // the comparison is exact
    Search("TEXT10");
    h = History();
    EXPECT_EQ(h[0], "TEXT10");
    EXPECT_EQ(h[1], "text10");
    // a text with a Japanese name and blanks survives the file
    Search(QString::fromUtf16(u"  ソート 表 "));
    EXPECT_EQ(History().front(), QString::fromUtf16(u"  ソート 表 "));
}

}  // namespace
