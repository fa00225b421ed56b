#include "mainwindow/BXInfoBarView.h"

#include "lists/noteslist/BXNotesDateFormatter.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {

// A tertiary label: the window text, faded.
constexpr int kTextAlpha = 110;

} // namespace

BXInfoBarView::BXInfoBarView(QWidget* parent) : QWidget(parent), m_infoTextField(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
    QFont font = m_infoTextField->font();
    font.setPointSizeF(kFontSize);
    m_infoTextField->setFont(font);
    m_infoTextField->setAlignment(Qt::AlignCenter);
    // A long line is cut inside the margins instead of widening the window.
    m_infoTextField->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_infoTextField->setTextInteractionFlags(Qt::NoTextInteraction);
    fadeInfoText();
    layout->addWidget(m_infoTextField);
}

void BXInfoBarView::fadeInfoText()
{
    QPalette faded;
    QColor text = palette().color(QPalette::WindowText);
    text.setAlpha(kTextAlpha);
    faded.setColor(QPalette::WindowText, text);
    m_infoTextField->setPalette(faded);
}

void BXInfoBarView::changeEvent(QEvent* event)
{
    // The line's colour is the window text's, faded: a dark palette gets a light line.
    if (event->type() == QEvent::PaletteChange)
        fadeInfoText();
    QWidget::changeEvent(event);
}

QString BXInfoBarView::stringFromDate(const QDateTime& date)
{
    // Main thread only, like every view: one formatter serves all bars.
    static const BXNotesDateFormatter formatter(BXNotesDateFormatter::Medium);
    return formatter.stringFromDate(date);
}

void BXInfoBarView::updateWithCreationDate(const QDateTime&, const QDateTime& modified)
{
    m_infoTextField->setText(stringFromDate(modified));
}

void BXInfoBarView::clearInfo()
{
    m_infoTextField->setText(QString());
}

void BXInfoBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
}
