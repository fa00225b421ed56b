#pragma once

#include <QObject>

// Keeps the application's windows on the screen: every window and dialog is fitted into its
// screen's available area as it opens, and a dialog that grows while it shows (the print
// dialog's options) is fitted again. Watches the whole application through an event filter;
// made by the document controller; main thread.
class BXWindowPlacement final : public QObject {
    Q_OBJECT

public:
    explicit BXWindowPlacement(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
