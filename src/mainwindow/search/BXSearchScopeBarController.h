#pragma once

#include "mainwindow/search/BXVibrantScopeBar.h"

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QFont;
class QLabel;
class QWidget;

namespace platform {
class SegmentedControl;
}

// Runs the search scope bar over the notes list: a label (the first control to give way when
// the bar is narrow), the scope choice between all notes (tag 1, always first) and the
// selected categories (tag 0, present while All Notes is not selected, titled after the
// selection), and the find control, whose segments send "continueSearch:" with tag 0 for
// backwards and 1 for forwards. The bar shows while a search string is set. Main thread.
class BXSearchScopeBarController final : public QObject {
    Q_OBJECT

public:
    static constexpr int kAllNotesTag = 1;
    static constexpr int kSelectedCategoriesTag = 0;
    static constexpr int kBackwardsTag = 0;
    static constexpr int kForwardsTag = 1;
    // Room around the longest title in each scope cell.
    static constexpr int kCellPadding = 32;
    static constexpr double kSelectionDelay = 0.1;

    // Puts the bar over `notesList` (see BXScopeBar::attachTo()).
    explicit BXSearchScopeBarController(QWidget* notesList, QObject* parent = nullptr);
    ~BXSearchScopeBarController() override;

    BXVibrantScopeBar* view() const { return m_bar; }
    QLabel* searchLabel() const { return m_searchLabel; }
    platform::SegmentedControl* scopeMatrix() const { return m_scopeMatrix; }
    platform::SegmentedControl* continueSearchSegmentedControl() const
    {
        return m_continueSearchSegmentedControl;
    }
    const platform::ManagedObjectPtr& allNotesCategory() const { return m_allNotesCategory; }
    void setAllNotesCategory(const platform::ManagedObjectPtr& category)
    {
        m_allNotesCategory = category;
    }

    bool scopeBarHidden() const;
    bool scopeBarAnimating() const;

    // One column while the selection holds All Notes, else a second one titled after the
    // selected categories; selects the cell matching the selection and sizes the cells.
    void updateSearchScopeBarForCategories(const QList<platform::ManagedObjectPtr>& categories);
    // Selects the cell of `scope` (0 selected categories, 1 all notes) without telling anyone.
    void setSearchScope(int scope);

    // Brings the bar in line with the search (shown while `searching`), then has
    // `selectRange` select the found range, with the find highlight while searching. A
    // request that meets the bar mid-slide waits for the slide's end; the latest one wins.
    void handleScopeBarWithRange(bool searching, std::function<void(bool hilite)> selectRange);

    // How wide a title draws in `font`; 0 for none.
    static int titleWidth(const QString& title, const QFont& font);
    // The widest title plus the padding; the padding alone without titles.
    static int cellWidth(const QList<int>& titleWidths);

signals:
    // The user chose a scope in the matrix.
    void searchScopeChosen(int scope);

private:
    void sizeToCells();
    int segmentWithTag(int tag) const;
    void runPendingRequest();

    QPointer<BXVibrantScopeBar> m_bar;
    QLabel* m_searchLabel;
    platform::SegmentedControl* m_scopeMatrix;
    platform::SegmentedControl* m_continueSearchSegmentedControl;
    platform::ManagedObjectPtr m_allNotesCategory;
    struct Request {
        bool searching = false;
        std::function<void(bool)> selectRange;
    };
    std::optional<Request> m_pending;
};
