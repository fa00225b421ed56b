#pragma once

#include <QTableView>

class BXRecentDocumentsList;

// The table of a start window: each row shows the document's icon, name and folder and its
// modification date, with reveal and forget buttons that appear under the pointer.
// Double-click or Return opens the selection. Main thread; owned by its window.
class BXRecentDocumentsView final : public QTableView {
    Q_OBJECT

public:
    explicit BXRecentDocumentsView(BXRecentDocumentsList& list, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void makeRowButtons();

    BXRecentDocumentsList& m_list;
};
