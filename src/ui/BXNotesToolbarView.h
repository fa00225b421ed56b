#pragma once

#include <QWidget>

// The strip behind the notes list's toolbar, filled with the control background colour.
// Main thread.
class BXNotesToolbarView final : public QWidget {
    Q_OBJECT

public:
    explicit BXNotesToolbarView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
