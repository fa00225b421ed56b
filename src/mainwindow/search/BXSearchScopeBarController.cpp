#include "mainwindow/search/BXSearchScopeBarController.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>
#include <cmath>

using platform::localized;
using platform::SegmentedControl;

BXSearchScopeBarController::BXSearchScopeBarController(QWidget* notesList, QObject* parent)
    : QObject(parent), m_bar(new BXVibrantScopeBar)
{
    // The list's header owns the top margin of its viewport, so the bar pushes the list down
    // instead of floating over it.
    m_bar->setOverlap(false);
    m_bar->attachTo(notesList);
    QWidget* content = m_bar->contentView();

    m_searchLabel = new QLabel(localized(QStringLiteral("Search:")), content);

    m_scopeMatrix = new SegmentedControl(content);
    m_scopeMatrix->setSegmentCount(1);
    m_scopeMatrix->setTag(0, kAllNotesTag);
    m_scopeMatrix->setLabel(0, localized(QStringLiteral("All Notes")));
    m_scopeMatrix->setToolTip(0, localized(QStringLiteral("Search in all notes")));
    m_scopeMatrix->setSelectedSegment(0);
    connect(m_scopeMatrix, &SegmentedControl::segmentClicked, this,
        [this](int segment) { emit searchScopeChosen(m_scopeMatrix->tag(segment)); });

    m_continueSearchSegmentedControl = new SegmentedControl(content);
    SegmentedControl* find = m_continueSearchSegmentedControl;
    find->setTracking(SegmentedControl::Tracking::Momentary);
    find->setSegmentCount(2);
    find->setTag(0, kBackwardsTag);
    find->setIcon(0, platform::SymbolIcon::named(QStringLiteral("chevron.backward")));
    find->setToolTip(0, localized(QStringLiteral("Find Previous")));
    find->setTag(1, kForwardsTag);
    find->setIcon(1, platform::SymbolIcon::named(QStringLiteral("chevron.forward")));
    find->setToolTip(1, localized(QStringLiteral("Find Next")));
    platform::CommandRouter::setAction(find, QStringLiteral("continueSearch:"));

    QHBoxLayout* row = m_bar->contentLayout();
    row->addWidget(m_searchLabel);
    row->addWidget(m_scopeMatrix);
    row->addStretch(1);
    row->addWidget(find);
    m_bar->addDisposableItem(m_searchLabel);

    connect(m_bar.data(), &BXScopeBar::scopebarAnimationDidEnd, this, [this] {
        // After the bar's end handling, once it is at rest.
        if (m_pending)
            platform::dispatchAfter(0, this, [this] { runPendingRequest(); });
    });
    sizeToCells();
}

BXSearchScopeBarController::~BXSearchScopeBarController() = default;

bool BXSearchScopeBarController::scopeBarHidden() const
{
    return !m_bar || m_bar->isHidden();
}

bool BXSearchScopeBarController::scopeBarAnimating() const
{
    return m_bar && m_bar->isAnimating();
}

int BXSearchScopeBarController::segmentWithTag(int tag) const
{
    for (int segment = 0; segment < m_scopeMatrix->segmentCount(); ++segment) {
        if (m_scopeMatrix->tag(segment) == tag)
            return segment;
    }
    return -1;
}

void BXSearchScopeBarController::updateSearchScopeBarForCategories(
    const QList<platform::ManagedObjectPtr>& categories)
{
    if (!m_bar)
        return;
    const bool allNotes = m_allNotesCategory && categories.contains(m_allNotesCategory);
    if (allNotes) {
        if (m_scopeMatrix->segmentCount() > 1)
            m_scopeMatrix->setSegmentCount(1);
        m_scopeMatrix->setSelectedSegment(segmentWithTag(kAllNotesTag));
    } else {
        if (m_scopeMatrix->segmentCount() < 2) {
            m_scopeMatrix->setSegmentCount(2);
            m_scopeMatrix->setTag(1, kSelectedCategoriesTag);
        }
        QString title;
        QString toolTip;
        if (categories.size() == 1) {
            const auto category = std::dynamic_pointer_cast<BXCategory>(categories.first());
            title = category ? category->categoryName() : QString();
            toolTip = platform::localizedFormat(
                QStringLiteral("Search in the notes of the “%@” category"), title);
        } else {
            QStringList names;
            for (const platform::ManagedObjectPtr& object : categories) {
                const auto category = std::dynamic_pointer_cast<BXCategory>(object);
                if (category && !category->categoryName().isNull())
                    names.append(category->categoryName());
            }
            title = localized(QStringLiteral("Selected Categories"));
            toolTip = platform::localizedFormat(
                QStringLiteral("Search in the notes of the “%@” categories"),
                names.join(QStringLiteral(", ")));
        }
        const int segment = segmentWithTag(kSelectedCategoriesTag);
        m_scopeMatrix->setLabel(segment, title);
        m_scopeMatrix->setToolTip(segment, toolTip);
        m_scopeMatrix->setSelectedSegment(segment);
    }
    sizeToCells();
}

void BXSearchScopeBarController::setSearchScope(int scope)
{
    if (!m_bar)
        return;
    const int segment
        = segmentWithTag(scope == kAllNotesTag ? kAllNotesTag : kSelectedCategoriesTag);
    m_scopeMatrix->setSelectedSegment(std::max(segment, 0));
}

int BXSearchScopeBarController::titleWidth(const QString& title, const QFont& font)
{
    if (title.isEmpty())
        return 0;
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(title)));
}

int BXSearchScopeBarController::cellWidth(const QList<int>& titleWidths)
{
    const int widest
        = titleWidths.isEmpty() ? 0 : *std::max_element(titleWidths.begin(), titleWidths.end());
    return widest + kCellPadding;
}

void BXSearchScopeBarController::sizeToCells()
{
    const int count = m_scopeMatrix->segmentCount();
    QList<int> widths;
    for (int segment = 0; segment < count; ++segment)
        widths.append(titleWidth(
            m_scopeMatrix->label(segment), m_scopeMatrix->buttonForSegment(segment)->font()));
    const int cell = cellWidth(widths);
    for (int segment = 0; segment < count; ++segment)
        m_scopeMatrix->setWidth(segment, cell);
    m_scopeMatrix->setFixedWidth(cell * count);
    m_bar->adjustView();
    m_bar->update();
}

void BXSearchScopeBarController::handleScopeBarWithRange(
    bool searching, std::function<void(bool hilite)> selectRange)
{
    if (!m_bar)
        return;
    if (m_bar->isAnimating()) {
        // Dropping it could leave the bar out of line with the search once the slide ends.
        m_pending = Request { searching, std::move(selectRange) };
        return;
    }
    const auto selectLater = [this, selectRange](bool hilite) {
        platform::dispatchAfter(
            kSelectionDelay, this, [selectRange, hilite] { selectRange(hilite); });
    };
    const bool hidden = m_bar->isHidden();
    if (searching && hidden)
        m_bar->toggleAnimatingWithCompletionHandler(true, [selectLater] { selectLater(true); });
    else if (searching)
        selectLater(true);
    else if (!hidden)
        m_bar->toggleAnimatingWithCompletionHandler(true, [selectRange] { selectRange(false); });
    else
        selectLater(false);
}

void BXSearchScopeBarController::runPendingRequest()
{
    if (!m_pending || scopeBarAnimating())
        return;
    Request request = std::move(*m_pending);
    m_pending.reset();
    handleScopeBarWithRange(request.searching, std::move(request.selectRange));
}
