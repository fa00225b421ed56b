#pragma once

#include "platform/appkit/ToolbarDelegate.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class BXNoteIconButton;
class BXNoteWindowController;
class QMainWindow;
class QToolBar;

namespace platform {
class PopUpButton;
class SegmentedControl;
class Toolbar;
class ToolbarItem;
} // namespace platform

// The note window's toolbar: the factory of its items, the finishing touches when one is
// added, and the note icon at its leading edge. Button items send their commands to the
// controller or along the responder chain; the zoom pop-up, the text size segments and the
// Share button are views wired here. Owned by the window controller; main thread only.
class BXNoteWindowToolbar final : public QObject, public platform::ToolbarDelegate {
    Q_OBJECT

public:
    static const QString DefaultStyleItem;
    static const QString SpellCheckItem;
    static const QString PrintItem;
    static const QString ShareItem;
    static const QString InfoItem;
    static const QString RulerItem;
    static const QString ShowInListItem;
    static const QString DeleteItem;
    static const QString ZoomItem;
    static const QString TagsItem;
    static const QString TextSizeItem;
    static const QString WritingToolsItem;
    static const QString ImageItem;
    static const QString ToolbarIdentifier;

    static constexpr int kZoomPopupWidth = 82;
    static constexpr int kTextSizeWidth = 65;
    static constexpr int kControlHeight = 24;
    static constexpr int kSegmentWidth = 32;
    // Tags of the font size command: segment 0 makes the text smaller, segment 1 larger.
    static constexpr int kSmallerTag = 4;
    static constexpr int kLargerTag = 3;
    // Below the Share button, as far as the sharing picker's gap.
    static constexpr int kPickerGap = 3;

    explicit BXNoteWindowToolbar(BXNoteWindowController& controller);
    ~BXNoteWindowToolbar() override;

    // Puts the note icon's bar and the toolbar at the top of `window`.
    void install(QMainWindow* window);
    platform::Toolbar* toolbar() const;
    BXNoteIconButton* noteIcon() const;
    // The zoom item's pop-up, while the toolbar holds one.
    platform::PopUpButton* zoomPopup() const;

    platform::ToolbarItem* itemForItemIdentifier(
        platform::Toolbar* toolbar, const QString& identifier, bool willBeInserted) override;
    QStringList allowedItemIdentifiers(platform::Toolbar* toolbar) const override;
    QStringList defaultItemIdentifiers(platform::Toolbar* toolbar) const override;
    // The zoom pop-up shows the text's zoom; every symbol image is set again.
    void toolbarWillAddItem(platform::ToolbarItem* item);

private:
    BXNoteWindowController& m_controller;
    QPointer<platform::Toolbar> m_toolbar;
    QPointer<QToolBar> m_iconBar;
    QPointer<BXNoteIconButton> m_noteIcon;
};
