#pragma once

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QPushButton;

// The panel in which the user ticks the encodings that encoding pop-ups list: one checkbox per
// encoding the system converts, with Clear All, Select All and Revert to the built-in list.
// Each change is stored and announced at once through EncodingManager. A child of the window
// that opened it (the export panel), usable while that one is modal. Main thread.
class EncodingsPanel final : public QDialog {
    Q_OBJECT

public:
    explicit EncodingsPanel(QWidget* parent = nullptr);
    ~EncodingsPanel() override;

    QListWidget* encodingTable() const { return m_table; }
    QPushButton* clearAllButton() const { return m_clearAll; }
    QPushButton* selectAllButton() const { return m_selectAll; }
    QPushButton* revertButton() const { return m_revert; }

private:
    void reloadTicks();
    void encodingListChanged(QListWidgetItem* item);

    QListWidget* m_table = nullptr;
    QPushButton* m_clearAll = nullptr;
    QPushButton* m_selectAll = nullptr;
    QPushButton* m_revert = nullptr;
    bool m_reloading = false;
};
