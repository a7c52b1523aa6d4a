// The splash window shown while the main form is built: a border-less,
// stay-on-top white window with a dotted frame, the splash picture and the
// program's file version.
#pragma once
#include <string_view>

#include <QLabel>
#include <QWidget>

// A rectangle drawn with a dotted pen along the widget's edge.
class TShape : public QWidget {
public:
    explicit TShape(QWidget* Parent);

protected:
    void paintEvent(QPaintEvent* Event) override;
};

class TForm_Splash : public QWidget {
public:
    static constexpr int ClientWidth = 556;
    static constexpr int ClientHeight = 175;

    // Decodes the picture at once; a picture that cannot be decoded leaves
    // Image1 empty, the splash is shown all the same.
    explicit TForm_Splash(QWidget* AOwner = nullptr);

    TShape* Shape1;
    QLabel* Image1;
    QLabel* Label_APPVersion;

    // Fills the version label ("Ver " + the file version, "Ver " alone when
    // the version cannot be read). Called when the window is shown.
    void FormShow();

    // The splash picture as the build embedded it (a baseline JFIF JPEG).
    static std::string_view PictureJpeg();

protected:
    void showEvent(QShowEvent* Event) override;
};
