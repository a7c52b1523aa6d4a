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
                OnUsed(CheckBox_SQ->isChecked(), CheckBox_DQ->isChecked(), CheckBox_Y->isChecked(),
                       CheckBox_5c->isChecked(), RadioButton_Double->isChecked());
            });
    });
}

void TFrame_KZNEditorEscapeReplace::SetValues(bool SQ, bool DQ, bool Y, bool C5, bool EscapeDouble) {
    CheckBox_SQ->setChecked(SQ);
    CheckBox_DQ->setChecked(DQ);
    CheckBox_Y->setChecked(Y);
    CheckBox_5c->setChecked(C5);
    (EscapeDouble ? RadioButton_Double : RadioButton_Y)->setChecked(true);
}

std::string TFrame_KZNEditorEscapeReplace::EscapeText(std::string_view S, bool SQ, bool DQ, bool Y, bool C5,
                                                      bool EscapeDouble) {
    std::string out(S);
    if (Y) out = EscapeChar(out, '\\', '\\');
    if (SQ) out = EscapeChar(out, '\'', EscapeDouble ? '\'' : '\\');
    if (DQ) out = EscapeChar(out, '"', EscapeDouble ? '"' : '\\');
    if (C5) out = TKZNUtil::Escape5CChars(out);
    return out;
}

void TFrame_KZNEditorEscapeReplace::EscapeSelection() {
    if (!FEditor) return;
    const std::string s = FEditor->GetSelText();
    if (s.empty()) return;
    FEditor->SetSelText(EscapeText(s, CheckBox_SQ->isChecked(), CheckBox_DQ->isChecked(), CheckBox_Y->isChecked(),
                                   CheckBox_5c->isChecked(), RadioButton_Double->isChecked()));
}
