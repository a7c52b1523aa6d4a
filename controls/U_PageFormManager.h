// Forms of one class, each docked into its own tab of one page control and
// known by its caption, which is also the tab's caption. New pages are
// captioned "#0", "#1", ...; the manager always keeps at least one page.
//
// A floatable manager's tabs can be dragged out into windows of their own
// and back (TKZNTabFloater). A floating page stays in the list and can be
// the current one; closing its window frees it.
//
// A form is freed through reentry::FreeWhenIdle: while a run is busy the
// form leaves the list and its tab at once, is told so (Closing), and is
// freed once the run has unwound.
//
// Captions are found through an index by their upper-case form, and a form
// knows its tab page, so adding, finding and closing a page cost the same
// with a thousand pages as with ten.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QPointer>
#include <QTabWidget>
#include <QWidget>

#include "Exception.h"

class TKZNTabFloater;

Z_DECLARE_EXCEPTION(EPageFormManager, Exception);

class TPageFormManager;

// The base of the managed forms.
class TPageForm : public QWidget {
public:
    TPageForm(QObject* AOwner, TPageFormManager* Manager);
    ~TPageForm() override;

    virtual void EnableControls(bool Value) = 0;
    virtual void FocusEditor() = 0;

    QObject* Owner() const { return FOwner; }
    TPageFormManager* Manager() const { return FManager; }

    // The caption, also the caption of the form's tab.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view Value);

    // True once the manager has let the form go (it is then freed as soon as
    // nothing is busy), and while it is being destroyed.
    bool IsClosing() const { return FClosing || FDestroying; }
    bool IsDestroying() const { return FDestroying; }

protected:
    // Called once when the manager lets the form go, before it leaves its tab.
    // A form that runs something stops it here.
    virtual void Closing() {}

private:
    friend class TPageFormManager;
    QObject* FOwner;
    TPageFormManager* FManager;
    std::string FCaption;
    std::string FCaptionKey;  // the caption in upper case, as the manager's index has it
    uint64_t FSerial = 0;     // the manager's creation order
    bool FClosing = false;
    bool FDestroying = false;
};

// The page control for managed forms: a tab widget whose tab bar keeps the
// size of each caption it has measured. The tab bar lays out every tab at
// each tab added; with the sizes kept that is a look-up per tab, not a
// measuring of its text through the style.
//
// The tab widget's own size hints ask every page; this one asks the shown
// page only (the pages of one control are alike), so that its layout costs
// the same with a thousand pages as with one.
class TPageControl : public QTabWidget {
public:
    explicit TPageControl(QWidget* Parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    // The size around a page of size Page and the tab bar of size Bar.
    QSize AroundPage(QSize Page, QSize Bar) const;
};

// The class of the managed forms: how to make one and how to recognise one
// (the class itself or a descendant).
struct TPageFormClass {
    std::function<TPageForm*(QObject* AOwner, TPageFormManager* Manager)> Create;
    std::function<bool(const QObject*)> IsInstance;

    template <class T>
    static TPageFormClass Of() {
        return {[](QObject* o, TPageFormManager* m) -> TPageForm* { return new T(o, m); },
                [](const QObject* w) { return dynamic_cast<const T*>(w) != nullptr; }};
    }
};

class TPageFormManager {
public:
    // Starts with one page "#0".
    TPageFormManager(QTabWidget* PageControl, QObject* Owner, TPageFormClass FormClass);
    virtual ~TPageFormManager();
    TPageFormManager(const TPageFormManager&) = delete;
    TPageFormManager& operator=(const TPageFormManager&) = delete;

    virtual int GetCount() const;
    // Raises EPageFormManager for an index out of range.
    virtual TPageForm* GetForm(int Index) const;
    // The first form placed directly on Sheet; null when none.
    virtual TPageForm* FindFormInSheet(QWidget* Sheet) const;
    // The tab page that holds Form (the last such); null when none.
    virtual QWidget* FindSheetOfForm(const TPageForm* Form) const;
    // Frees a managed form (a form being destroyed only leaves the list).
    virtual void Remove(TPageForm* Form);
    // A new page captioned Caption, replacing every page of that caption.
    virtual TPageForm* Add(std::string_view Caption);
    // A new page "#" + Counter.
    virtual TPageForm* AddNew();
    // Frees every page of that caption (letter case aside).
    virtual void Close(std::string_view Caption);
    virtual void CloseActive();
    virtual void CloseOthers();
    virtual TPageForm* GetCurrent() const;
    // Null makes a new page. The form's tab becomes the active tab.
    virtual void SetCurrent(TPageForm* Form);
    // The current form follows the active tab.
    virtual void UpdateCurrent();

    // Frees every page, restarts the counter and adds one page (Caption, or "#0" when empty).
    void Reset(std::string_view Caption);

    // Lets the tabs be dragged out into floating windows and back.
    void SetFloatable(bool Value);
    TKZNTabFloater* Floater() const { return FFloater.get(); }
    bool IsFloating(const TPageForm* Form) const;

    QTabWidget* PageControl() const { return FPageControl; }
    int Counter() const { return FCounter; }
    QObject* Owner() const { return FOwner; }

private:
    // The managed forms of one caption (letter case aside), newest first.
    std::vector<TPageForm*> FormsCaptioned(std::string_view Caption) const;
    void Index(TPageForm* Form);
    void Unindex(TPageForm* Form);
    void FreeForm(TPageForm* Form);
    void FreeAll();
    void TakeOut(TPageForm* Form);
    QWidget* ActiveSheet() const;
    std::string SheetCaption(QWidget* Sheet) const;
    void CaptionChanged(TPageForm* Form);
    friend class TPageForm;

    QPointer<QTabWidget> FPageControl;
    QObject* FOwner;
    TPageFormClass FFormClass;
    int FCounter = 0;
    std::vector<TPageForm*> FList;
    std::unordered_map<std::string, std::vector<TPageForm*>> FByCaption;  // by upper-case caption
    uint64_t FSerial = 0;
    QPointer<TPageForm> FCurrent;
    std::unique_ptr<TKZNTabFloater> FFloater;
};
