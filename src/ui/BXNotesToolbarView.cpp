#include "BXNotesToolbarView.h"

#include <QPainter>

BXNotesToolbarView::BXNotesToolbarView(QWidget* parent) : QWidget(parent) { }

void BXNotesToolbarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(rect(), palette().color(QPalette::Base));
}
