#include "U_PageFormManager.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <QEvent>
#include <QHash>
#include <QStyleOption>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "KZNTabFloat.h"
#include "Reentrancy.h"
#include "SysUtils.h"

namespace {

// The tab page that holds one form. The tab widget asks every page for its
// size hints whenever its layout changes; a hidden page answers with what it
// measured when it was last shown, so that a thousand hidden pages cost a
// thousand look-ups, not a thousand walks through their layouts.
class TPageSheet : public QWidget {
public:
    TPageSheet() {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    QSize sizeHint() const override { return Hint(FSizeHint, [this] { return QWidget::sizeHint(); }); }
    QSize minimumSizeHint() const override {
        return Hint(FMinimumSizeHint, [this] { return QWidget::minimumSizeHint(); });
    }

    // Where the page's tab was last found: a look there (or a place beside
    // it, after a tab before it went or came) finds it without a search.
    mutable int TabHint = -1;

private:
    template <class F>
    QSize Hint(std::optional<QSize>& Kept, F Measure) const {
        if (!Kept || isVisible()) Kept = Measure();
        return *Kept;
    }
    mutable std::optional<QSize> FSizeHint, FMinimumSizeHint;
};

// The tab of Sheet in Tabs; -1 when it has none there.
int TabIndexOf(const QTabWidget* Tabs, const QWidget* Sheet) {
    if (!Tabs || !Sheet) return -1;
    auto* page = dynamic_cast<const TPageSheet*>(Sheet);
    if (page) {
        const int hint = page->TabHint;
        for (int i : {hint, hint - 1, hint + 1})
            if (i >= 0 && i < Tabs->count() && Tabs->widget(i) == Sheet) return page->TabHint = i;
    }
    const int i = Tabs->indexOf(const_cast<QWidget*>(Sheet));
    if (page) page->TabHint = i;
    return i;
}

// While many tabs go at once: the tab bar lays out the tabs left after every
// tab taken out, unless it is hidden; hidden meanwhile, it lays them out once
// when it is shown again (nothing is painted in between).
class THeldTabLayout {
public:
    THeldTabLayout(QTabWidget* Tabs, size_t Going) {
        if (Tabs && Going > 1 && !Tabs->tabBar()->isHidden()) FBar = Tabs->tabBar();
        if (FBar) FBar->hide();
    }
    ~THeldTabLayout() {
        if (FBar) FBar->show();
    }
    THeldTabLayout(const THeldTabLayout&) = delete;
    THeldTabLayout& operator=(const THeldTabLayout&) = delete;

private:
    QPointer<QTabBar> FBar;
};

// Pointers that read null once their form has been freed.
std::vector<QPointer<TPageForm>> Guarded(const std::vector<TPageForm*>& Forms) {
    return std::vector<QPointer<TPageForm>>(Forms.begin(), Forms.end());
}

// A tab caption shows '&' as it is. Each caption is converted once and kept
// for the life of the program; a tab is given a caption that refers to the
// kept text, so that reading a tab's caption (as the tab bar does for every
// tab whenever it lays them out) touches no text of its own.
QString TabText(std::string_view caption) {
    static auto* kept = new std::unordered_map<std::string, QString>;
    auto it = kept->find(std::string(caption));
    if (it == kept->end())
        it = kept->emplace(std::string(caption),
                           cp932::ToQString(caption).replace(QStringLiteral("&"), QStringLiteral("&&")))
                 .first;
    return QString::fromRawData(it->second.constData(), it->second.size());
}

// The tab bar lays out every tab whenever a tab comes or goes, asks its
// size as often as the layouts around it do, and paints every tab's style
// option even when only a few tabs are in sight. With a thousand tabs that is
// what costs, so this bar
// - keeps the size of each tab it has measured, by the tab's place and, for
//   a tab that changed places, by its caption: a tab's size depends on its
//   text (and icon and buttons), whether it is the current tab, the shape,
//   the font and the style; sizes are kept for the plain tabs and forgotten
//   when anything else changes. A tab kept by its place is known again by
//   its caption alone, without hashing it;
// - keeps its own size hints from one laying out of the tabs to the next,
//   where the toolkit's walk every tab at each question;
// - gives a tab scrolled out of sight only the option fields the painting
//   reads of it (its rectangle and state), not its measured, elided caption.
class TPageTabBar : public QTabBar {
public:
    explicit TPageTabBar(QWidget* Parent) : QTabBar(Parent) {
        QObject::connect(this, &QTabBar::tabMoved, this, [this](int From, int To) {
            if (From < 0 || To < 0 || static_cast<size_t>(std::max(From, To)) >= FPlaces.size()) return;
            TPlace moved = std::move(FPlaces[static_cast<size_t>(From)]);
            FPlaces.erase(FPlaces.begin() + From);
            FPlaces.insert(FPlaces.begin() + To, std::move(moved));
        });
    }
    QSize sizeHint() const override { return Whole(FSizeHint, [this] { return QTabBar::sizeHint(); }); }
    QSize minimumSizeHint() const override {
        return Whole(FMinimumSizeHint, [this] { return QTabBar::minimumSizeHint(); });
    }

protected:
    QSize tabSizeHint(int Index) const override {
        return Kept(Index, false, [&] { return QTabBar::tabSizeHint(Index); });
    }
    QSize minimumTabSizeHint(int Index) const override {
        return Kept(Index, true, [&] { return QTabBar::minimumTabSizeHint(Index); });
    }
    void initStyleOption(QStyleOptionTab* Option, int Index) const override {
        const QRect r = tabRect(Index);
        const bool vertical = shape() == RoundedWest || shape() == RoundedEast || shape() == TriangularWest ||
                              shape() == TriangularEast;
        const bool outOfSight = vertical ? r.bottom() < 0 || r.top() > height() : r.right() < 0 || r.left() > width();
        if (!outOfSight || Index == currentIndex()) {
            QTabBar::initStyleOption(Option, Index);
            return;
        }
        Option->initFrom(this);
        Option->state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (!isTabEnabled(Index)) Option->state &= ~QStyle::State_Enabled;
        Option->rect = r;
        Option->shape = shape();
        Option->text = tabText(Index);
    }
    void tabInserted(int Index) override {
        if (Index >= 0 && static_cast<size_t>(Index) <= FPlaces.size()) FPlaces.insert(FPlaces.begin() + Index, TPlace{});
        Changed();
        QTabBar::tabInserted(Index);
    }
    void tabRemoved(int Index) override {
        if (Index >= 0 && static_cast<size_t>(Index) < FPlaces.size()) FPlaces.erase(FPlaces.begin() + Index);
        Changed();
        QTabBar::tabRemoved(Index);
    }
    void tabLayoutChange() override {
        Changed();
        QTabBar::tabLayoutChange();
    }
    void changeEvent(QEvent* E) override {
        if (E->type() == QEvent::FontChange || E->type() == QEvent::StyleChange) Forget();
        QTabBar::changeEvent(E);
    }

private:
    // The sizes of one caption: as another tab, as the current tab.
    struct TSizes {
        QSize Size[2], Minimum[2];  // invalid while not measured
    };
    struct TPlace {
        QString Text;  // the caption the sizes are for
        TSizes Sizes;
    };

    template <class F>
    QSize Kept(int Index, bool Minimum, F Measure) const {
        if (!tabIcon(Index).isNull() || tabButton(Index, LeftSide) || tabButton(Index, RightSide)) return Measure();
        const TLook look{shape(), documentMode(), elideMode(), expanding()};
        if (!(look == FLook)) {
            FLook = look;
            Forget();
        }
        const int current = Index == currentIndex() ? 1 : 0;
        const QString text = tabText(Index);
        // By its place. A tab being added or taken away is laid out before
        // the bar is told of it: the places behind it are one off then, and
        // are left as they are until they are put right. While the toolkit
        // measures a tab it may show it another caption (the shortest its
        // elision makes): that one is not the place's.
        TPlace* place = nullptr;
        if (FMeasuring == 0 && Index >= 0 && static_cast<size_t>(Index) < FPlaces.size()) {
            place = &FPlaces[static_cast<size_t>(Index)];
            if (SameText(place->Text, text)) {
                const QSize kept = (Minimum ? place->Sizes.Minimum : place->Sizes.Size)[current];
                if (kept.isValid()) return kept;
            } else if (FPlaces.size() == static_cast<size_t>(count())) {
                *place = TPlace{text, {}};
            } else {
                place = nullptr;
            }
        }
        // by its caption
        QSize size = (Minimum ? FByText[text].Minimum : FByText[text].Size)[current];
        if (!size.isValid()) {
            ++FMeasuring;
            size = Measure();
            --FMeasuring;
            (Minimum ? FByText[text].Minimum : FByText[text].Size)[current] = size;
        }
        if (place) (Minimum ? place->Sizes.Minimum : place->Sizes.Size)[current] = size;
        return size;
    }
    // Two captions alike; at once when they refer to the same text.
    static bool SameText(const QString& A, const QString& B) {
        return A.size() == B.size() && (A.constData() == B.constData() || A == B);
    }
    // The bar's own size hint, kept until the tabs are laid out again. A
    // change that waits for a laying out is made first, as the toolkit's
    // hint would.
    template <class F>
    QSize Whole(std::optional<QSize>& Kept, F Measure) const {
        if (count() > 0) (void)tabRect(0);
        if (!Kept) Kept = Measure();
        return *Kept;
    }
    void Changed() const {
        FSizeHint.reset();
        FMinimumSizeHint.reset();
    }
    void Forget() const {
        FByText.clear();
        for (TPlace& p : FPlaces) p = TPlace{};
        Changed();
    }
    struct TLook {
        QTabBar::Shape Shape = QTabBar::RoundedNorth;
        bool DocumentMode = false;
        Qt::TextElideMode Elide = Qt::ElideNone;
        bool Expanding = true;
        bool operator==(const TLook& o) const {
            return Shape == o.Shape && DocumentMode == o.DocumentMode && Elide == o.Elide && Expanding == o.Expanding;
        }
    };
    mutable TLook FLook;
    mutable QHash<QString, TSizes> FByText;
    mutable std::vector<TPlace> FPlaces;  // one per tab, in the tabs' order
    mutable int FMeasuring = 0;           // inside the toolkit's measuring of a tab
    mutable std::optional<QSize> FSizeHint, FMinimumSizeHint;
};

}  // namespace

// ------------------------------------------------------------- TPageControl

TPageControl::TPageControl(QWidget* Parent) : QTabWidget(Parent) { setTabBar(new TPageTabBar(this)); }

QSize TPageControl::AroundPage(QSize Page, QSize Bar) const {
    if (tabBarAutoHide() && count() <= 1) Bar = QSize(0, 0);
    QSize corners(0, 0);
    for (Qt::Corner c : {Qt::TopLeftCorner, Qt::TopRightCorner})
        if (QWidget* w = cornerWidget(c)) corners = corners.expandedTo(w->sizeHint());
    const bool horizontal = tabPosition() == North || tabPosition() == South;
    const QSize size = horizontal ? QSize(std::max(Page.width(), Bar.width() + 2 * corners.width()),
                                          Page.height() + std::max(corners.height(), Bar.height()))
                                  : QSize(Page.width() + std::max(corners.width(), Bar.width()),
                                          std::max(Page.height(), Bar.height() + 2 * corners.height()));
    QStyleOptionTabWidgetFrame opt;
    initStyleOption(&opt);
    opt.state = QStyle::State_None;
    return style()->sizeFromContents(QStyle::CT_TabWidget, &opt, size, this);
}

QSize TPageControl::sizeHint() const {
    const QWidget* page = currentWidget();
    QSize bar = tabBar()->sizeHint();
    bar = bar.boundedTo(usesScrollButtons() ? QSize(200, 200) : bar);
    return AroundPage(page ? page->sizeHint().expandedTo(QSize(0, 0)) : QSize(0, 0), bar);
}

QSize TPageControl::minimumSizeHint() const {
    const QWidget* page = currentWidget();
    QSize min(0, 0);
    if (page) min = page->minimumSizeHint().expandedTo(page->minimumSize()).expandedTo(QSize(0, 0));
    return AroundPage(min, tabBar()->minimumSizeHint());
}

// ---------------------------------------------------------------- TPageForm

TPageForm::TPageForm(QObject* AOwner, TPageFormManager* Manager) : QWidget(nullptr), FOwner(AOwner), FManager(Manager) {}

TPageForm::~TPageForm() {
    FDestroying = true;
    if (FManager) FManager->Remove(this);
    // Freed on its own rather than with its tab page: the page goes too. A
    // page that is itself being destroyed is no longer a TPageSheet here.
    if (auto* sheet = dynamic_cast<TPageSheet*>(parentWidget())) {
        setParent(nullptr);
        sheet->deleteLater();
    }
}

void TPageForm::SetCaption(std::string_view Value) {
    FCaption = std::string(Value);
    setWindowTitle(cp932::ToQString(FCaption));
    if (FManager) FManager->CaptionChanged(this);
}

// --------------------------------------------------------- TPageFormManager

TPageFormManager::TPageFormManager(QTabWidget* PageControl, QObject* Owner, TPageFormClass FormClass)
    : FPageControl(PageControl), FOwner(Owner), FFormClass(std::move(FormClass)) {
    if (PageControl) {
        // Only the shown tab's page takes updates. Switching tabs turns the
        // updates of the whole stack of pages off and on again, which walks
        // every widget of every page unless the hidden pages have theirs off.
        auto shown = std::make_shared<QPointer<QWidget>>();
        QObject::connect(PageControl, &QTabWidget::currentChanged, PageControl, [PageControl, shown](int) {
            QWidget* now = PageControl->currentWidget();
            if (*shown && shown->data() != now && TabIndexOf(PageControl, shown->data()) >= 0)
                (*shown)->setUpdatesEnabled(false);
            if (now) now->setUpdatesEnabled(true);
            *shown = now;
        });
    }
    Reset("");
}

TPageFormManager::~TPageFormManager() {
    // The forms may outlive the manager when a run still holds them.
    for (TPageForm* f : FList) f->FManager = nullptr;
    FreeAll();
    FFloater.reset();
}

void TPageFormManager::SetFloatable(bool Value) {
    if (!Value || !FPageControl) {
        // pages floating now come home first
        if (FFloater)
            for (QWidget* page : FFloater->FloatingPages()) FFloater->Dock(page);
        FFloater.reset();
        return;
    }
    if (FFloater) return;
    FFloater = std::make_unique<TKZNTabFloater>(FPageControl);
    // a page dragged out or back is the one the user works with
    FFloater->OnFloated = [this](QWidget* Sheet) {
        if (TPageForm* form = FindFormInSheet(Sheet)) SetCurrent(form);
    };
    FFloater->OnDocked = FFloater->OnFloated;
    FFloater->OnActivated = FFloater->OnFloated;
    // closing its window frees the page
    FFloater->OnClose = [this](QWidget* Sheet) {
        TPageForm* form = FindFormInSheet(Sheet);
        if (!form) return;
        const bool wasCurrent = form == FCurrent;
        FreeForm(form);
        if (!reentry::Terminating() && FList.empty()) {
            FCounter = 0;
            AddNew();
        }
        if (wasCurrent) UpdateCurrent();
    };
}

bool TPageFormManager::IsFloating(const TPageForm* Form) const {
    if (!FFloater || !Form) return false;
    for (QWidget* sheet : FFloater->FloatingPages())
        if (FindFormInSheet(sheet) == Form) return true;
    return false;
}

int TPageFormManager::GetCount() const { return static_cast<int>(FList.size()); }

TPageForm* TPageFormManager::GetForm(int Index) const {
    if (Index < 0 || Index > GetCount() - 1)
        throw EPageFormManager("内部エラー：範囲外の結果フォームインデックス" + std::to_string(Index));
    return FList[static_cast<size_t>(Index)];
}

TPageForm* TPageFormManager::FindFormInSheet(QWidget* Sheet) const {
    if (!Sheet) return nullptr;
    for (QObject* child : Sheet->children()) {
        auto* form = dynamic_cast<TPageForm*>(child);
        if (form && !form->IsDestroying() && FFormClass.IsInstance(form)) return form;
    }
    return nullptr;
}

QWidget* TPageFormManager::FindSheetOfForm(const TPageForm* Form) const {
    if (!Form || !FPageControl) return nullptr;
    // A form sits in a tab page of its own, docked or floating.
    auto* sheet = dynamic_cast<TPageSheet*>(Form->parentWidget());
    if (!sheet || FindFormInSheet(sheet) != Form) return nullptr;
    if (TabIndexOf(FPageControl, sheet) >= 0 || (FFloater && FFloater->IsFloating(sheet))) return sheet;
    return nullptr;
}

void TPageFormManager::Index(TPageForm* Form) {
    Form->FCaptionKey = sys::UpperCase(Form->FCaption);
    FByCaption[Form->FCaptionKey].push_back(Form);
}

void TPageFormManager::Unindex(TPageForm* Form) {
    auto bucket = FByCaption.find(Form->FCaptionKey);
    if (bucket == FByCaption.end()) return;
    auto& forms = bucket->second;
    for (auto it = forms.begin(); it != forms.end(); ++it)
        if (*it == Form) {
            forms.erase(it);
            break;
        }
    if (forms.empty()) FByCaption.erase(bucket);
}

std::vector<TPageForm*> TPageFormManager::FormsCaptioned(std::string_view Caption) const {
    auto bucket = FByCaption.find(sys::UpperCase(Caption));
    if (bucket == FByCaption.end()) return {};
    std::vector<TPageForm*> forms = bucket->second;
    std::sort(forms.begin(), forms.end(), [](const TPageForm* a, const TPageForm* b) { return a->FSerial > b->FSerial; });
    return forms;
}

void TPageFormManager::TakeOut(TPageForm* Form) {
    if (Form->FSerial == 0) return;  // not listed
    Unindex(Form);
    Form->FSerial = 0;
    for (auto it = FList.rbegin(); it != FList.rend(); ++it)
        if (*it == Form) {
            FList.erase(std::next(it).base());
            break;
        }
    if (FCurrent == Form) FCurrent = nullptr;
}

void TPageFormManager::Remove(TPageForm* Form) {
    if (!Form || Form->FSerial == 0 || Form->FManager != this) return;
    if (Form->IsDestroying())
        TakeOut(Form);
    else
        FreeForm(Form);
}

void TPageFormManager::FreeForm(TPageForm* Form) {
    TakeOut(Form);
    if (!Form->FClosing) {
        Form->FClosing = true;
        Form->Closing();
    }
    Form->FManager = nullptr;  // the form may outlive the manager
    QWidget* sheet = FindSheetOfForm(Form);
    if (sheet && FPageControl) {
        // The tab (or the floating window) goes at once; the page itself may
        // have to wait for a run to unwind.
        if (FFloater && FFloater->IsFloating(sheet)) FFloater->Release(sheet);
        else FPageControl->removeTab(TabIndexOf(FPageControl, sheet));
        sheet->hide();
    }
    reentry::FreeWhenIdle(sheet ? static_cast<QObject*>(sheet) : Form);
}

void TPageFormManager::FreeAll() {
    THeldTabLayout held(FPageControl, FList.size());
    // Taking away the shown tab shows the one beside it. With the first tab
    // shown, the last ones go first without any other page shown on the way.
    if (FPageControl && FList.size() > 1 && FPageControl->count() > 1) FPageControl->setCurrentIndex(0);
    while (!FList.empty()) FreeForm(FList.back());
}

TPageForm* TPageFormManager::Add(std::string_view Caption) {
    for (const QPointer<TPageForm>& same : Guarded(FormsCaptioned(Caption)))
        if (same && !same->IsClosing()) FreeForm(same);
    ++FCounter;
    TPageForm* form = FFormClass.Create(FOwner, this);
    form->SetCaption(Caption);
    if (FPageControl) {
        auto* sheet = new TPageSheet;
        sheet->layout()->addWidget(form);
        sheet->TabHint = FPageControl->addTab(sheet, TabText(Caption));
    }
    form->show();
    SetCurrent(form);
    FList.push_back(form);
    form->FSerial = ++FSerial;
    Index(form);
    return form;
}

TPageForm* TPageFormManager::AddNew() {
    int n = FCounter;
    return Add("#" + std::to_string(n));
}

QWidget* TPageFormManager::ActiveSheet() const { return FPageControl ? FPageControl->currentWidget() : nullptr; }

std::string TPageFormManager::SheetCaption(QWidget* Sheet) const {
    if (TPageForm* form = FindFormInSheet(Sheet)) return form->Caption();
    if (!FPageControl) return std::string();
    return cp932::FromQString(FPageControl->tabText(TabIndexOf(FPageControl, Sheet)).replace(QStringLiteral("&&"), QStringLiteral("&")));
}

void TPageFormManager::Close(std::string_view Caption) {
    // a floating current page stays current unless it goes itself
    QPointer<TPageForm> floating = IsFloating(FCurrent) ? FCurrent.data() : nullptr;
    QPointer<QWidget> next = ActiveSheet();
    for (const QPointer<TPageForm>& form : Guarded(FormsCaptioned(Caption))) {
        if (!form || form->IsClosing()) continue;
        QWidget* sheet = FindSheetOfForm(form);
        if (sheet && sheet == ActiveSheet() && FPageControl) {
            const int index = TabIndexOf(FPageControl, sheet);
            const int count = FPageControl->count();
            next = nullptr;
            auto visible = [&](int j) { return FPageControl->isTabVisible(j); };
            if (index < count - 1)
                for (int j = index + 1; j < count && !next; ++j)
                    if (visible(j)) next = FPageControl->widget(j);
            if (!next)
                for (int j = index - 1; j >= 0 && !next; --j)
                    if (visible(j)) next = FPageControl->widget(j);
        }
        FreeForm(form);
    }
    if (!reentry::Terminating()) {
        if (FList.empty()) {
            FCounter = 0;
            AddNew();
        } else if (const int at = TabIndexOf(FPageControl, next); at >= 0) {
            FPageControl->setCurrentIndex(at);
        }
    }
    UpdateCurrent();
    if (floating && !floating->IsClosing()) FCurrent = floating;
}

void TPageFormManager::CloseActive() {
    if (IsFloating(FCurrent)) {
        // a floating active page is freed; the active tab's page becomes the current one
        FreeForm(FCurrent);
        if (!reentry::Terminating() && FList.empty()) {
            FCounter = 0;
            AddNew();
        }
        UpdateCurrent();
        return;
    }
    QWidget* sheet = ActiveSheet();
    if (sheet) Close(SheetCaption(sheet));
}

void TPageFormManager::CloseOthers() {
    // every tab but the active page's goes; when that page floats, every tab goes
    QPointer<QWidget> active = IsFloating(FCurrent) ? FindSheetOfForm(FCurrent) : ActiveSheet();
    if (!active || !FPageControl) return;
    {
        THeldTabLayout held(FPageControl, static_cast<size_t>(FPageControl->count()));
        for (int i = FPageControl->count() - 1; i >= 0; --i) {
            if (i >= FPageControl->count()) continue;
            QWidget* sheet = FPageControl->widget(i);
            if (sheet != active) Close(SheetCaption(sheet));
        }
    }
    if (active && FFloater && FFloater->IsFloating(active)) {
        if (TPageForm* form = FindFormInSheet(active)) SetCurrent(form);
    } else if (active) {
        active->setFocus();
    }
}

TPageForm* TPageFormManager::GetCurrent() const { return FCurrent; }

void TPageFormManager::SetCurrent(TPageForm* Form) {
    if (!Form) {
        // AddNew makes the new page current.
        AddNew();
        return;
    }
    FCurrent = Form;
    if (!FPageControl) return;
    const int index = TabIndexOf(FPageControl, FindSheetOfForm(Form));
    if (index >= 0) FPageControl->setCurrentIndex(index);
}

void TPageFormManager::UpdateCurrent() {
    QWidget* sheet = ActiveSheet();
    if (!sheet) {
        // no tab left: a floating page is the current one
        if (!FCurrent && !FList.empty()) FCurrent = FList.back();
        return;
    }
    TPageForm* last = nullptr;
    for (QObject* child : sheet->children()) {
        auto* form = dynamic_cast<TPageForm*>(child);
        if (form && !form->IsDestroying() && FFormClass.IsInstance(form)) last = form;
    }
    if (last) FCurrent = last;
}

void TPageFormManager::Reset(std::string_view Caption) {
    FreeAll();
    FCounter = 0;
    if (Caption.empty())
        AddNew();
    else
        Add(Caption);
}

void TPageFormManager::CaptionChanged(TPageForm* Form) {
    if (Form->FSerial != 0) {
        Unindex(Form);
        Index(Form);
    }
    if (!FPageControl) return;
    QWidget* sheet = FindSheetOfForm(Form);
    if (!sheet) return;
    if (FFloater) FFloater->SetTabText(sheet, TabText(Form->Caption()));
    else FPageControl->setTabText(TabIndexOf(FPageControl, sheet), TabText(Form->Caption()));
}
