// A panel whose caption is a separate label placed left, right or centred,
// with an optional white shadow, a highlight state and a mouse-over event;
// used as caption bars.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "Alignment.h"
#include "GraphicsTypes.h"

class TKZNPanelEx;

// The caption label: transparent, with a plain shadow label (white font, same
// parent) that it owns. It places itself by the panel's settings whenever its
// bounds are set.
class TLabelEx : public QLabel {
public:
    explicit TLabelEx(TKZNPanelEx* panel);
    ~TLabelEx() override;
    void SetShadowVisible(bool value);
    void SetCaption(std::string_view text);
    // Takes the size and places the label (and its shadow) by the panel's settings.
    void SetBounds(int left, int top, int width, int height);
    QLabel* Shadow() const { return FShadow; }

private:
    TKZNPanelEx* FPanel;
    QPointer<QLabel> FShadow;  // a child of the panel, freed by whichever goes first
};

class TKZNPanelEx : public QFrame {
public:
    explicit TKZNPanelEx(QWidget* parent = nullptr);
    ~TKZNPanelEx() override;

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    int GetAlignOffset() const { return FAlignOffset; }
    void SetAlignOffset(int value);  // negative values are ignored
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(std::string_view value);
    int GetShadowOffset() const { return FShadowOffset; }
    void SetShadowOffset(int value);
    bool GetShowShadow() const { return FShowShadow; }
    void SetShowShadow(bool value);
    virtual bool GetSelected() const;
    virtual void SetSelected(bool value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TColor GetFontColor() const { return FFontColor; }
    void SetFontColor(TColor value);

    // Fired before Selected changes, with the new value.
    std::function<void(TKZNPanelEx* sender, bool newValue)> SelectedChange;
    // Fired when the mouse enters or leaves the inner area.
    std::function<void(TKZNPanelEx* sender, bool inside)> OnMouseOver;

    TLabelEx* Label() const { return FLabel; }
    // Re-places the caption label.
    void AlignCaption();
    // The owner calls this once the panel's properties are set: the label takes
    // the panel's font and colours.
    void Loaded();
    // One poll of the mouse position (screen coordinates): fires OnMouseOver on a change.
    void PollMouse(QPoint globalPos);
    // The inner area in screen coordinates: the panel inset by its frame.
    QRect InnerScreenRect() const;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void ApplyColors();

    TLabelEx* FLabel;
    QTimer FTimer;
    TAlignment FAlignment = taCenter;
    int FAlignOffset = 0;
    std::string FCaption;
    int FShadowOffset = 1;
    bool FShowShadow = false;
    bool FSelected = false;
    TColor FColor = clBtnFace;
    TColor FFontColor = clWindowText;
    TColor FSavedColor = clBtnFace;
    TColor FSavedFontColor = clWindowText;
    bool FMouseInside = false;
};
