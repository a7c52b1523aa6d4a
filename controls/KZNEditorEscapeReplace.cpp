#include "KZNEditorEscapeReplace.h"

#include <QHBoxLayout>

#include "AppException.h"
#include "CP932Text.h"
#include "T_KZNUtil.h"

namespace {

// Every single-byte C of S (whole characters only) gets E put before it.
std::string EscapeChar(std::string_view S, char C, char E) {
    std::string out;
    out.reserve(S.size() + 8);
    for (size_t i = 0; i < S.size();) {
        const size_t len = cp932::CharLen(S, i);
        if (len == 1 && S[i] == C) out.push_back(E);
        out.append(S.substr(i, len));
        i += len;
    }
    return out;
}

}  // namespace

TFrame_KZNEditorEscapeReplace::TFrame_KZNEditorEscapeReplace(QWidget* Parent) : QFrame(Parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    Label1 = new QLabel(QString::fromUtf16(u"選択範囲の"), this);
    CheckBox_SQ = new QCheckBox(QStringLiteral("'"), this);
    CheckBox_DQ = new QCheckBox(QStringLiteral("\""), this);
    CheckBox_Y = new QCheckBox(QStringLiteral("\\"), this);
    Label2 = new QLabel(QString::fromUtf16(u"を"), this);
    RadioButton_Y = new QRadioButton(QString::fromUtf16(u"\\で"), this);
    RadioButton_Double = new QRadioButton(QString::fromUtf16(u"同一文字で"), this);
    RadioButton_Y->setChecked(true);
    Button1 = new QPushButton(QString::fromUtf16(u"エスケープする"), this);
    CheckBox_5c = new QCheckBox(QString::fromUtf16(u"5C問題も同時に"), this);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(CheckBox_SQ),
                       static_cast<QWidget*>(CheckBox_DQ), static_cast<QWidget*>(CheckBox_Y),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(RadioButton_Y),
                       static_cast<QWidget*>(RadioButton_Double), static_cast<QWidget*>(Button1),
                       static_cast<QWidget*>(CheckBox_5c)})
        row->addWidget(w);
    row->addStretch(1);
    connect(Button1, &QPushButton::clicked, this, [this] {
        app::Guard([this] { EscapeSelection(); });
        if (OnUsed)
            app::Guard([this] {
                OnUsed(Values());
            });
    });
}

void TFrame_KZNEditorEscapeReplace::SetValues(const TEscapeReplaceOptions& Options) {
    CheckBox_SQ->setChecked(Options.EscapeSQ);
    CheckBox_DQ->setChecked(Options.EscapeDQ);
    CheckBox_Y->setChecked(Options.EscapeY);
    CheckBox_5c->setChecked(Options.Escape5C);
    (Options.EscapeEscapeDouble ? RadioButton_Double : RadioButton_Y)->setChecked(true);
}

TEscapeReplaceOptions TFrame_KZNEditorEscapeReplace::Values() const {
    TEscapeReplaceOptions o;
    o.EscapeSQ = CheckBox_SQ->isChecked();
    o.EscapeDQ = CheckBox_DQ->isChecked();
    o.EscapeY = CheckBox_Y->isChecked();
    o.Escape5C = CheckBox_5c->isChecked();
    o.EscapeEscapeDouble = RadioButton_Double->isChecked();
    return o;
}

std::string TFrame_KZNEditorEscapeReplace::EscapeText(std::string_view S, const TEscapeReplaceOptions& Options) {
    const bool twice = Options.EscapeEscapeDouble;
    std::string out(S);
    if (Options.EscapeY) out = EscapeChar(out, '\\', '\\');
    if (Options.EscapeSQ) out = EscapeChar(out, '\'', twice ? '\'' : '\\');
    if (Options.EscapeDQ) out = EscapeChar(out, '"', twice ? '"' : '\\');
    if (Options.Escape5C) out = TKZNUtil::Escape5CChars(out);
    return out;
}

void TFrame_KZNEditorEscapeReplace::EscapeSelection() {
    if (!FEditor) return;
    const std::string s = FEditor->GetSelText();
    if (s.empty()) return;
    FEditor->SetSelText(EscapeText(s, Values()));
}
