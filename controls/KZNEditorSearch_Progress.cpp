#include "KZNEditorSearch_Progress.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "AppException.h"
#include "KZNEditorSearch.h"
#include "ScopeExit.h"

TForm_KZNEditorSearch_Progress::TForm_KZNEditorSearch_Progress(QWidget* Owner, TFrame_KZNEditorSearch* ASearchBar)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      SearchBar(ASearchBar) {
    setWindowTitle(QString::fromUtf16(u"全置換"));
    auto* layout = new QVBoxLayout(this);
    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setEnabled(false);
    TrackBar1->setMinimumWidth(200);
    layout->addWidget(TrackBar1);
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(QString::fromUtf16(u"開始"), this);
    Button2 = new QPushButton(QString::fromUtf16(u"キャンセル"), this);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, [this] { app::Guard([this] { Start(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Cancel(); });
}

void TForm_KZNEditorSearch_Progress::Start() {
    TKZNEditor* ed = SearchBar ? SearchBar->Editor() : nullptr;
    if (!ed) return;
    Button1->setEnabled(false);
    int count = 0;
    ed->CleanSelection();
    ed->SetRowCol(0, 0);
    ed->ScrollCaretIntoView();
    TrackBar1->setRange(0, std::max(0, ed->RowCount() - 1));
    TrackBar1->setValue(0);
    const bool upward = SearchBar->Upward();
    if (upward) SearchBar->Action_AllowToggle->setChecked(false);
    QPointer<TForm_KZNEditorSearch_Progress> self = this;
    QPointer<TKZNEditor> editor = ed;
    {
        // the run ends with the bar as it was and the count told, also when a replacement fails
        auto finish = ScopeExit([&] {
            if (!self) return;
            Running = false;
            if (upward) SearchBar->Action_AllowToggle->setChecked(true);
            SearchBar->SetReplaceCount(count);
        });
        SearchBar->Execute();
        if (!SearchBar->IsSelectionMatched()) {
            ed->ScrollToEnd();
        } else {
            Running = true;
            while (Running) {
                ++count;
                SearchBar->ReplaceAndSearch();
                if (!SearchBar->IsSelectionMatched()) break;
                repaint();
                QCoreApplication::processEvents();
                // the window or the editor may have gone while events ran
                if (!self || !editor) {
                    finish.Release();
                    return;
                }
                TrackBar1->setValue(editor->Row());
                setFocus();
            }
        }
    }
    done(QDialog::Accepted);
}

void TForm_KZNEditorSearch_Progress::Cancel() {
    Running = false;
    QCoreApplication::processEvents();
    reject();
}
