#pragma once

#include "platform/appkit/SpellingPanel.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarDelegate.h"
#include "platform/controllers/Responder.h"

#include <QFrame>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <optional>

class BXMainWindowController;
class QMenu;

// The main window's toolbar and its delegate: the item identifiers, the factory, the finishing
// of every item the toolbar adds, the last word on enabling, the lock image, the default set the
// toolbar records, and where new items would go. It also answers the commands only the toolbar
// sends: the sidebar, the share picker under the Share item and the spelling panel. Items whose
// command nobody answers yet stay disabled. Owned by the window controller; main thread only.
class BXMainWindowToolbar final : public QObject,
                                  public platform::ToolbarDelegate,
                                  public platform::Responder {
    Q_OBJECT

public:
    static inline const QString kToolbarIdentifier = QStringLiteral("BXMainWindowToolbar");
    static inline const QString kSidebarTool = QStringLiteral("com.vostar.brindlex.sidebartool");
    static inline const QString kNewNoteTool = QStringLiteral("com.vostar.brindlex.newnotetool");
    static inline const QString kDeleteTool = QStringLiteral("com.vostar.brindlex.deletetool");
    static inline const QString kNavigationTool
        = QStringLiteral("com.vostar.brindlex.navigationtool");
    static inline const QString kTextSizeTool = QStringLiteral("com.vostar.brindlex.textsizetool");
    static inline const QString kRulerTool = QStringLiteral("com.vostar.brindlex.rulertool");
    static inline const QString kSpellCheckTool
        = QStringLiteral("com.vostar.brindlex.spellchecktool");
    static inline const QString kTagsTool = QStringLiteral("com.vostar.brindlex.tagstool");
    static inline const QString kLockTool = QStringLiteral("com.vostar.brindlex.locktool");
    static inline const QString kImageTool = QStringLiteral("com.vostar.brindlex.imagetool");
    static inline const QString kInfoTool = QStringLiteral("com.vostar.brindlex.infotool");
    static inline const QString kPrintTool = QStringLiteral("com.vostar.brindlex.printtool");
    static inline const QString kShareTool = QStringLiteral("com.vostar.brindlex.sharetool");
    static inline const QString kShowInListTool
        = QStringLiteral("com.vostar.brindlex.showinlisttool");
    static inline const QString kZoomTool = QStringLiteral("com.vostar.brindlex.zoomtool");
    static inline const QString kWritingToolsTool
        = QStringLiteral("com.vostar.brindlex.writingtoolstool");
    static inline const QString kDefaultStyleTool
        = QStringLiteral("com.vostar.brindlex.defaultstyletool");
    static inline const QString kNotesSeparator
        = QStringLiteral("com.vostar.brindlex.notesseparator");
    static inline const QString kSearchTool = QStringLiteral("com.vostar.brindlex.searchtool");
    static inline const QString kSidebarTrackingSeparator
        = QStringLiteral("NSToolbarSidebarTrackingSeparatorItemIdentifier");
    // The Text Size segments send these font-size tags: smaller, then larger.
    static constexpr int kSmallerTag = 4;
    static constexpr int kLargerTag = 3;
    static constexpr int kSearchFieldMinimumWidth = 28;
    static constexpr int kSearchFieldMaximumWidth = 200;

    explicit BXMainWindowToolbar(BXMainWindowController* controller);
    ~BXMainWindowToolbar() override;

    // The field the search item shows (the item takes it over); call before install().
    void setSearchField(QWidget* field);
    QWidget* searchField() const { return m_searchField; }
    // Makes the toolbar with its saved or default items, puts it on the window and places the
    // notes separator. Runs once.
    void install();
    platform::Toolbar* toolbar() const { return m_toolbar; }

    // The identifiers the main window builds, in palette order.
    static QStringList allToolbarItems();
    QStringList allowedItemIdentifiers(platform::Toolbar* toolbar) const override;
    // The saved default set, else the toolbar's own; empty while reading the toolbar's own.
    QStringList defaultItemIdentifiers(platform::Toolbar* toolbar) const override;
    platform::ToolbarItem* itemForItemIdentifier(platform::Toolbar* toolbar,
        const QString& identifier, bool willBeInsertedIntoToolbar) override;
    void toolbarWillAddItem(platform::ToolbarItem* item);
    bool validateToolbarItem(platform::ToolbarItem* item) const override;

    // Shows the Password item locked or open.
    void setLockImage(bool locked);
    static void setLockImage(bool locked, platform::ToolbarItem* item);

    // Where items of `identifiers` would go among `items`, given the option keys "Location",
    // "AdjacentIdentifier" and "Before"; nothing when all of them are there already.
    // `missing`, when given, receives those not yet there, in order.
    static std::optional<int> guessedInsertionIndexForToolbarItemIdentifiers(
        const QStringList& identifiers, const QStringList& items, QStringList* missing,
        const QVariantMap& option);
    // Where the notes separator goes among `items` (itself left out): its old place when
    // `oldIndex` is set, else just after the sidebar's separator; never past the end.
    static int notesSeparatorIndex(const QStringList& items, std::optional<int> oldIndex);

    // Shows the toolbar and puts the keyboard in the search field; a field that a narrow window
    // cut off comes up under the » button until it loses the focus.
    void revealSearchField();
    // The panel a cut-off field shows in; null until it was needed.
    QWidget* searchPopover() const { return m_searchPopover; }

    platform::SpellingPanel* spellingPanel() const { return m_spellingPanel; }
    void showGuessPanel();
    // The sharing services under the Share item; null (after a beep) when there is nothing
    // to share.
    QMenu* showSharingServicePicker();

    bool respondsTo(const QString& action) const override;
    void perform(const platform::Command& command) override;

private:
    void placeNotesSeparator();
    bool textViewIsFirstResponder() const;
    // Null: the search item is gone, or the field has no item to go back to.
    void searchItemRemoved(platform::ToolbarItem* item);
    void returnSearchField();

    BXMainWindowController* m_controller;
    QPointer<platform::Toolbar> m_toolbar;
    QPointer<QWidget> m_searchField;
    QPointer<platform::SpellingPanel> m_spellingPanel;
    QPointer<QFrame> m_searchPopover;
};
