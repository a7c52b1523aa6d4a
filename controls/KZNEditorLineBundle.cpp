#include "KZNEditorLineBundle.h"

#include <QHBoxLayout>

#include <algorithm>
#include <vector>

#include "AppException.h"
#include "CP932Text.h"
#include "CP932Qt.h"
#include "EditorUtil.h"
#include "SysUtils.h"

namespace {

std::vector<std::string> Lines(std::string_view S) {
    std::vector<std::string> lines;
    ForEachTextLine(S, [&](std::string_view l) { lines.emplace_back(l); });
    return lines;
}

// A selection that ends in a line break keeps it after the last line.
bool EndsWithBreak(std::string_view S) { return !S.empty() && (S.back() == '\n' || S.back() == '\r'); }

std::string Join(const std::vector<std::string>& Lines, bool FinalBreak) {
    std::string out;
    for (size_t i = 0; i < Lines.size(); ++i) {
        out += Lines[i];
        if (i + 1 < Lines.size() || FinalBreak) out += "\r\n";
    }
    return out;
}

// True when byte Pos of S (0-based) begins a character.
bool AtBoundary(std::string_view S, size_t Pos) {
    size_t i = 0;
    while (i < Pos) i += cp932::CharLen(S, i);
    return i == Pos;
}

}  // namespace

TFrame_KZNEditorLineBundle::TFrame_KZNEditorLineBundle(QWidget* Parent) : QFrame(Parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    Label1 = new QLabel(QString::fromUtf16(u"選択行を(の)"), this);
    Edit_Bundle_Left = new QLineEdit(QStringLiteral("SQL.Add("), this);
    Label2 = new QLabel(QString::fromUtf16(u"と"), this);
    Edit_Bundle_Right = new QLineEdit(QStringLiteral(");"), this);
    Button1 = new QPushButton(QString::fromUtf16(u"で括る"), this);
    CheckBox_Adjust = new QCheckBox(QString::fromUtf16(u"桁をあわせる"), this);
    Button2 = new QPushButton(QString::fromUtf16(u"の括りを削除"), this);
    row->addWidget(Label1);
    row->addWidget(Edit_Bundle_Left);
    row->addWidget(Label2);
    row->addWidget(Edit_Bundle_Right);
    row->addWidget(Button1);
    row->addWidget(CheckBox_Adjust);
    row->addWidget(Button2);
    row->addStretch(1);
    auto used = [this] {
        if (OnUsed) app::Guard([this] { OnUsed(LeftText(), RightText(), CheckBox_Adjust->isChecked()); });
    };
    connect(Button1, &QPushButton::clicked, this, [this, used] {
        app::Guard([this] { Bundle(); });
        used();
    });
    connect(Button2, &QPushButton::clicked, this, [this, used] {
        app::Guard([this] { Unbundle(); });
        used();
    });
}

void TFrame_KZNEditorLineBundle::SetValues(const std::string& Left, const std::string& Right, bool Adjust) {
    Edit_Bundle_Left->setText(cp932::ToQString(Left));
    Edit_Bundle_Right->setText(cp932::ToQString(Right));
    CheckBox_Adjust->setChecked(Adjust);
}

std::string TFrame_KZNEditorLineBundle::LeftText() const { return cp932::FromQString(Edit_Bundle_Left->text()); }
std::string TFrame_KZNEditorLineBundle::RightText() const { return cp932::FromQString(Edit_Bundle_Right->text()); }

std::string TFrame_KZNEditorLineBundle::BundleText(std::string_view S, std::string_view Left, std::string_view Right,
                                                   bool Adjust) {
    std::vector<std::string> lines = Lines(S);
    size_t widest = 0;
    for (const std::string& l : lines) widest = std::max(widest, l.size());
    for (std::string& l : lines) {
        std::string pad = Adjust ? std::string(widest - l.size(), ' ') : std::string();
        l = std::string(Left) + l + pad + std::string(Right);
    }
    return Join(lines, EndsWithBreak(S));
}

std::string TFrame_KZNEditorLineBundle::UnbundleText(std::string_view S, std::string_view Left, std::string_view Right) {
    const std::string l = sys::Trim(Left), r = sys::Trim(Right);
    std::vector<std::string> lines = Lines(S);
    for (std::string& line : lines) {
        line = sys::Trim(line);
        if (!l.empty() && line.compare(0, l.size(), l) == 0 && AtBoundary(line, l.size())) line.erase(0, l.size());
        // the right text must end the line on a character of its own, never on a trail byte
        if (!r.empty() && line.size() >= r.size() && line.compare(line.size() - r.size(), r.size(), r) == 0 &&
            AtBoundary(line, line.size() - r.size()))
            line.erase(line.size() - r.size());
    }
    return Join(lines, EndsWithBreak(S));
}

void TFrame_KZNEditorLineBundle::Bundle() {
    if (!FEditor) return;
    const std::string s = FEditor->GetSelText();
    if (s.empty()) return;
    FEditor->SetSelText(BundleText(s, LeftText(), RightText(), CheckBox_Adjust->isChecked()));
}

void TFrame_KZNEditorLineBundle::Unbundle() {
    if (!FEditor) return;
    const std::string s = FEditor->GetSelText();
    if (s.empty()) return;
    FEditor->SetSelText(UnbundleText(s, LeftText(), RightText()));
}
