#pragma once

#include <QIcon>
#include <QString>

class QTextDocument;
class QWidget;

namespace platform {

// One way of handing a note's text to something outside the application (a mail program, the
// clipboard). Services are kept in SharingServices, which the Share menus and the main window's
// share actions read. Main thread only.
class SharingService {
public:
    virtual ~SharingService() = default;

    // Stable name, carried by menu items as their represented object.
    virtual QString identifier() const = 0;
    virtual QString title() const = 0;
    virtual QIcon icon() const = 0;
    // Shares `text` under `subject`; a failure the user must know about is shown as an alert
    // on `window` (application-modal when null). False when nothing was handed over.
    virtual bool perform(const QTextDocument& text, const QString& subject, QWidget* window) = 0;
};

} // namespace platform
