#pragma once

#include <QDialog>
#include <QPointer>

class QComboBox;
class QListWidget;
class QPushButton;

namespace platform {

class Toolbar;

// The dialog in which the user arranges a toolbar: the items it allows on the left, the items
// it shows on the right; adding, removing and reordering apply to the toolbar at once, and
// "Restore Defaults" brings back its default set. Items that are shown already are not added
// twice (spaces and separators may be). Also picks the display mode. Non-modal.
class ToolbarCustomizationDialog final : public QDialog {
    Q_OBJECT

public:
    explicit ToolbarCustomizationDialog(Toolbar* toolbar, QWidget* parent = nullptr);

    QListWidget* allowedList() const { return m_allowed; }
    QListWidget* currentList() const { return m_current; }

    // What the buttons do, on the lists' selections.
    void addSelected();
    void removeSelected();
    void moveSelected(int delta);
    void restoreDefaults();

private:
    void fillAllowed();
    void reloadCurrent(int selectRow);
    void updateButtons();
    QString paletteLabel(const QString& identifier, QIcon* icon) const;

    QPointer<Toolbar> m_toolbar;
    QListWidget* m_allowed;
    QListWidget* m_current;
    QComboBox* m_displayMode;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
};

} // namespace platform
