// The replace-all window of the search bar: "開始" replaces every match from
// the top of the text, showing how far it got; "キャンセル" stops it after the
// replacement in progress.
#pragma once
#include <QDialog>
#include <QPushButton>
#include <QSlider>

class TFrame_KZNEditorSearch;

class TForm_KZNEditorSearch_Progress : public QDialog {
public:
    TForm_KZNEditorSearch_Progress(QWidget* Owner, TFrame_KZNEditorSearch* SearchBar);

    QSlider* TrackBar1;
    QPushButton* Button1;  // start
    QPushButton* Button2;  // cancel
    TFrame_KZNEditorSearch* SearchBar;  // not owned
    bool Running = false;

    void Start();
    void Cancel();
};
