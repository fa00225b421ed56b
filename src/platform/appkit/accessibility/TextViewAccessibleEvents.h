#pragma once

#include "AccessibleTextEvents.h"

#include <QObject>
#include <QPointer>

class QTextDocument;

namespace platform {

class TextView;

// Reports a text view's changes to assistive technology: the text its document shows, and
// the view's caret and selection. Owned by its text view; main thread only.
class TextViewAccessibleEvents final : public QObject {
    Q_OBJECT

public:
    explicit TextViewAccessibleEvents(TextView& view);

    // The view shows `document` now (a new note, or another mirror of one).
    void setDocument(QTextDocument* document);

private:
    void contentsChanged(int from, int removed, int added);
    void selectionChanged();

    TextView& m_view;
    QPointer<QTextDocument> m_document;
    AccessibleTextEvents m_events;
};

} // namespace platform
