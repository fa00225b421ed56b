#include "app/BXWindowMenu.h"

#include "document/BXNoteDataProvider.h"

#include "platform/appkit/MenuAccessKeys.h"
#include "platform/documents/Document.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/predicate/ValueComparison.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QWidget>

namespace {

// Marks the actions this class adds, so the next run can find and replace them.
constexpr const char* kWindowRowProperty = "windowMenuRow";

bool titleBefore(const BXWindowMenu::Window& left, const BXWindowMenu::Window& right)
{
    return platform::ValueComparison::sortOrder(
               left.title, right.title, platform::ValueComparison::Collation::LocalizedStandard)
        < 0;
}

// The title as the window shows it, without its edited mark.
QString shownTitle(const QWidget* window)
{
    QString title = window->windowTitle();
    const QString escaped = QStringLiteral("[*][*]");
    QStringList parts = title.split(escaped);
    for (QString& part : parts)
        part.remove(QStringLiteral("[*]"));
    return parts.join(QStringLiteral("[*]"));
}

QIcon editedImage()
{
    QPixmap dot(12, 12);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x60, 0x60, 0x60));
    painter.drawEllipse(QRectF(3, 3, 6, 6));
    return QIcon(dot);
}

} // namespace

QList<BXWindowMenu::Row> BXWindowMenu::arrange(QList<DocumentWindows> documents)
{
    std::stable_sort(documents.begin(), documents.end(),
        [](const DocumentWindows& left, const DocumentWindows& right) {
            return titleBefore(left.main, right.main);
        });
    QList<Row> rows;
    bool previousHasNotes = false;
    for (DocumentWindows& document : documents) {
        const bool hasNotes = !document.notes.isEmpty();
        if (!rows.isEmpty() && (hasNotes || previousHasNotes))
            rows.append(Row { true, nullptr, QString(), 0, false, false });
        previousHasNotes = hasNotes;
        rows.append(Row { false, document.main.window, document.main.title, 0, document.main.edited,
            document.main.current });
        std::stable_sort(document.notes.begin(), document.notes.end(), titleBefore);
        for (const Window& note : document.notes)
            rows.append(Row { false, note.window, note.title, 1, note.edited, note.current });
    }
    return rows;
}

QList<BXWindowMenu::DocumentWindows> BXWindowMenu::documentWindows(
    const platform::DocumentController& controller)
{
    QList<DocumentWindows> documents;
    for (platform::Document* document : controller.documents()) {
        QList<Window> windows;
        for (platform::WindowController* windowController : document->windowControllers()) {
            QWidget* window = windowController->window();
            if (!window)
                continue;
            const bool main = windows.isEmpty();
            const auto* provider = dynamic_cast<const BXNoteDataProvider*>(windowController);
            windows.append({ window, shownTitle(window),
                main ? document->isDocumentEdited() : provider && provider->noteDirty(),
                window == QApplication::activeWindow() });
        }
        if (!windows.isEmpty())
            documents.append({ windows.first(), windows.mid(1) });
    }
    return documents;
}

void BXWindowMenu::rebuild(QMenu* menu, const QList<DocumentWindows>& documents)
{
    for (QAction* action : menu->actions()) {
        if (action->property(kWindowRowProperty).toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    }
    const QList<Row> rows = arrange(documents);
    if (!rows.isEmpty()) {
        QAction* line = menu->addSeparator();
        line->setProperty(kWindowRowProperty, true);
    }
    for (const Row& row : rows) {
        QAction* action = row.separator
            ? menu->addSeparator()
            : menu->addAction(QString(row.indentation * 4, QLatin1Char(' '))
                + platform::MenuAccessKeys::literal(row.title));
        action->setProperty(kWindowRowProperty, true);
        if (row.separator)
            continue;
        if (row.edited)
            action->setIcon(editedImage());
        action->setCheckable(row.current);
        action->setChecked(row.current);
        QObject::connect(action, &QAction::triggered, action, [window = row.window] {
            if (!window)
                return;
            // A minimised window would stay iconic through show() and raise().
            if (window->isMinimized())
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->show();
            window->raise();
            window->activateWindow();
        });
    }
}
