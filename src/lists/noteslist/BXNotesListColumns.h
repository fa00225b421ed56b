#pragma once

#include <QObject>
#include <QString>

#include <memory>

class BXNotesDateFormatter;
class BXTableManagedObjectsArrayController;
class BXTableView;
class QFont;

// The notes list's columns: the title column takes the width the visible date columns leave,
// each date column picks the most detailed date style its width allows, the date columns are
// shown and hidden by identifier, and the primary sort follows the header (a click on a column
// makes it the primary sort, a second click reverses it) with its indicator on that column.
// Owned by the notes list's controller, whose table and sort descriptors it works on; main
// thread only.
class BXNotesListColumns final : public QObject {
    Q_OBJECT

public:
    // The column identifiers, which are also the sort keys.
    static inline const QString TitleColumn = QStringLiteral("noteTitle");
    static inline const QString CreatedColumn = QStringLiteral("noteCreated");
    static inline const QString ModifiedColumn = QStringLiteral("noteModified");

    explicit BXNotesListColumns(BXTableManagedObjectsArrayController& list);
    ~BXNotesListColumns() override;

    // The title column takes the width the visible date columns leave, each of them
    // `dateColumnWidth` wide (100, unless the short dates need more), and never less than 100.
    static double titleColumnWidth(
        double contentWidth, int visibleDateColumns, double dateColumnWidth = 100.0);
    // The narrowest a date column may be: the short style's widest date and the cell margins.
    double dateColumnMinimumWidth() const;

    // The one-time set-up of the table's columns and header, when the list awakes.
    void setUpTable(BXTableView* table);
    void updateListScroller();
    double lastTitleColumnWidth() const { return m_lastTitleColumnWidth; }
    bool isDateColumnVisible(const QString& identifier) const;
    // Shows or hides the date column, lays the columns out and refreshes the sort indicator.
    void setDateColumnVisible(const QString& identifier, bool visible);
    void toggleDateColumn(const QString& identifier);

    // Makes `key` the primary sort (a known criterion keeps its direction); nothing for a
    // column the table lacks.
    void setSortColumn(const QString& identifier, const QString& key);
    void headerClicked(int column);
    void updateSortIndicator();
    // A column's width changed: a date column picks its style, and its visible rows repaint.
    void columnDidResize(int column, double oldWidth, double width);
    BXNotesDateFormatter& createdDateFormatter() const { return *m_createdFormatter; }
    BXNotesDateFormatter& modifiedDateFormatter() const { return *m_modifiedFormatter; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFont dateColumnFont() const;

    BXTableManagedObjectsArrayController& m_list;
    double m_lastTitleColumnWidth = 0;
    std::unique_ptr<BXNotesDateFormatter> m_createdFormatter;
    std::unique_ptr<BXNotesDateFormatter> m_modifiedFormatter;
};
