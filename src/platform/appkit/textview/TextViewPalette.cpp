#include "TextViewPalette.h"

#include <QApplication>

namespace platform {

QPalette TextViewPalette::palette(TextAppearance appearance)
{
    QPalette palette = QApplication::palette();
    if (appearance == TextAppearance::Light) {
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::Highlight, QColor(179, 215, 255));
        palette.setColor(QPalette::HighlightedText, Qt::black);
    } else if (appearance == TextAppearance::Dark) {
        palette.setColor(QPalette::Base, QColor(30, 30, 30));
        palette.setColor(QPalette::Text, QColor(230, 230, 230));
        palette.setColor(QPalette::Highlight, QColor(63, 99, 139));
        palette.setColor(QPalette::HighlightedText, Qt::white);
    }
    return palette;
}

} // namespace platform
