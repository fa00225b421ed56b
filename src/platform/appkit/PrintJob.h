#pragma once

#include "platform/documents/PrintInfo.h"
#include "platform/foundation/Error.h"

#include <QTextDocument>

#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace platform {

class TextView;

// Prints a text view: a copy of its text laid out once at the paper's width less the left and
// right margins, cut into pages of the paper's height less the top and bottom margins (a line
// is never split across pages) and drawn page by page, with the view's page header and the
// page number in the margins when the print info asks for them. Main thread.
class PrintJob final {
public:
    // Copies the view's text now; later edits of the view are not printed.
    PrintJob(const TextView& view, std::shared_ptr<const PrintInfo> printInfo);
    ~PrintJob();

    // The text's pages on `printer`'s paper with the print info's margins.
    int pageCount(const QPrinter& printer);
    // Prints every page. With `progressParent`, a job of several pages shows a progress dialog
    // whose Cancel stops it (a user-cancelled error). A file that cannot be written fails with
    // the system's reason and is not left half written.
    bool print(QPrinter& printer, Error* error, QWidget* progressParent = nullptr);
    // Draws the pages onto a printer already painting, as a preview asks for them.
    void paint(QPrinter& printer);

    // The frame of a view printed with `printInfo`: the paper inset by the margins, in the
    // view's units.
    static QRect printViewFrame(const PrintInfo& printInfo);

private:
    void layOut(const QPrinter& printer);
    void paintPage(QPainter& painter, int page, int pageCount);
    void drawLine(QPainter& painter, const QString& text, const QFont& font, const QRectF& rect,
        Qt::Alignment alignment) const;

    std::shared_ptr<const PrintInfo> m_printInfo;
    std::unique_ptr<QTextDocument> m_text;
    std::unique_ptr<QTextDocument> m_header;
    // The paper and its margins, in the text's layout units.
    QRectF m_paper;
    QRectF m_body;
};

} // namespace platform
