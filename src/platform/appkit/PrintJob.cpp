#include "PrintJob.h"

#include "TextView.h"
#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QTextCursor>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// The least space between the note's name and the date in the page header, in points.
constexpr double kHeaderGap = 18.0;

// Text is laid out at 96 units per inch, as on screen; the paper counts points.
double units(double points)
{
    return AttributedText::pointsToPixels(points);
}

QRectF units(const QRectF& points)
{
    return { units(points.x()), units(points.y()), units(points.width()), units(points.height()) };
}

// Whether the printer's output file can be written, with the system's reason when not.
bool checkOutputFile(const QPrinter& printer, Error* error)
{
    const QString path = printer.outputFileName();
    if (path.isEmpty())
        return true;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0)
        return Error::set(error,
            Error::fromErrno(
                errno, localized(QStringLiteral("The document couldn't be printed."))));
    ::close(fd);
    return true;
}

} // namespace

PrintJob::PrintJob(const TextView& view, std::shared_ptr<const PrintInfo> printInfo)
    : m_printInfo(std::move(printInfo)), m_text(view.mirror()->clone()), m_header(view.pageHeader())
{
    m_text->setUndoRedoEnabled(false);
    // The margins are the print info's alone.
    m_text->setDocumentMargin(0);
}

PrintJob::~PrintJob() = default;

QRect PrintJob::printViewFrame(const PrintInfo& printInfo)
{
    return units(printInfo.printableRect()).toRect();
}

void PrintJob::layOut(const QPrinter& printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    const QRectF paper(QPointF(0, 0), layout.fullRect(QPageLayout::Point).size());
    const QMarginsF margins(m_printInfo->leftMargin(), m_printInfo->topMargin(),
        m_printInfo->rightMargin(), m_printInfo->bottomMargin());
    m_paper = units(paper);
    m_body = units(paper.marginsRemoved(margins));
    if (m_body.width() < 1 || m_body.height() < 1)
        m_body = QRectF(m_body.topLeft(),
            QSizeF(std::max(m_body.width(), 1.0), std::max(m_body.height(), 1.0)));
    if (m_text->pageSize() != m_body.size())
        m_text->setPageSize(m_body.size());
}

int PrintJob::pageCount(const QPrinter& printer)
{
    layOut(printer);
    return std::max(m_text->pageCount(), 1);
}

bool PrintJob::print(QPrinter& printer, Error* error, QWidget* progressParent)
{
    if (!checkOutputFile(printer, error))
        return false;
    printer.setFullPage(true);
    const int pages = pageCount(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return Error::set(error,
            Error(kCocoaErrorDomain, FileWriteUnknownError,
                localized(QStringLiteral("The document couldn't be printed."))));
    std::unique_ptr<QProgressDialog> progress;
    if (progressParent && pages > 1) {
        progress = std::make_unique<QProgressDialog>(localized(QStringLiteral("Printing…")),
            localized(QStringLiteral("Cancel")), 0, pages, progressParent);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
    }
    const double scale = printer.resolution() / units(72.0);
    painter.scale(scale, scale);
    for (int page = 0; page < pages; ++page) {
        if (progress) {
            progress->setValue(page);
            if (progress->wasCanceled()) {
                printer.abort();
                return Error::set(error, Error(kCocoaErrorDomain, UserCancelledError));
            }
        }
        if (page > 0)
            printer.newPage();
        paintPage(painter, page, pages);
    }
    if (!painter.end())
        return Error::set(error,
            Error(kCocoaErrorDomain, FileWriteUnknownError,
                localized(QStringLiteral("The document couldn't be printed."))));
    return true;
}

void PrintJob::paint(QPrinter& printer)
{
    const int pages = pageCount(printer);
    QPainter painter(&printer);
    const double scale = printer.resolution() / units(72.0);
    painter.scale(scale, scale);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer.newPage();
        paintPage(painter, page, pages);
    }
}

void PrintJob::paintPage(QPainter& painter, int page, int pageCount)
{
    Q_UNUSED(pageCount);
    const double pageHeight = m_body.height();
    QAbstractTextDocumentLayout::PaintContext context;
    // Paper is white whatever the screen's appearance: text without a colour prints black.
    context.palette.setColor(QPalette::Text, Qt::black);
    context.clip = QRectF(0, page * pageHeight, m_body.width(), pageHeight);
    painter.save();
    painter.translate(m_body.left(), m_body.top() - page * pageHeight);
    painter.setClipRect(context.clip);
    m_text->documentLayout()->draw(&painter, context);
    painter.restore();

    if (!m_printInfo->headerAndFooter())
        return;
    const QRectF top(m_body.left(), 0, m_body.width(), m_body.top());
    const QRectF bottom(
        m_body.left(), m_body.bottom(), m_body.width(), m_paper.height() - m_body.bottom());
    QFont font = QApplication::font();
    if (m_header && !m_header->isEmpty()) {
        QTextCursor first(m_header.get());
        first.movePosition(QTextCursor::NextCharacter);
        font = first.charFormat().font();
        // The name goes at the left, the date at the right; a long name gives way to the date.
        const QString text = m_header->toPlainText();
        const qsizetype tab = text.indexOf(u'\t');
        const QString date = tab >= 0 ? text.mid(tab).trimmed() : QString();
        const QFontMetricsF metrics(font);
        const double dateWidth
            = date.isEmpty() ? 0 : metrics.horizontalAdvance(date) + units(kHeaderGap);
        drawLine(painter,
            metrics.elidedText(text.left(tab), Qt::ElideRight, top.width() - dateWidth), font, top,
            Qt::AlignLeft);
        drawLine(painter, date, font, top, Qt::AlignRight);
    }
    drawLine(painter, QString::number(page + 1), font, bottom, Qt::AlignHCenter);
}

void PrintJob::drawLine(QPainter& painter, const QString& text, const QFont& font,
    const QRectF& rect, Qt::Alignment alignment) const
{
    if (text.isEmpty() || rect.height() <= 0)
        return;
    QTextDocument line;
    line.setDocumentMargin(0);
    line.setDefaultFont(font);
    QTextOption option;
    option.setAlignment(alignment);
    option.setWrapMode(QTextOption::NoWrap);
    line.setDefaultTextOption(option);
    line.setPlainText(text);
    line.setTextWidth(rect.width());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    painter.save();
    painter.translate(rect.left(), rect.center().y() - line.size().height() / 2);
    line.documentLayout()->draw(&painter, context);
    painter.restore();
}

} // namespace platform
