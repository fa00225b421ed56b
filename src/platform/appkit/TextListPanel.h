#pragma once

#include <QDialog>
#include <QTextListFormat>

class QComboBox;

namespace platform {

// The "List" panel of a text view: the kind of marker the selected paragraphs get (or none,
// to end the list). Opened window-modal by the text view, which applies the choice when the
// panel is accepted; deletes itself on closing. Main thread only.
class TextListPanel final : public QDialog {
    Q_OBJECT

public:
    explicit TextListPanel(QWidget* parent);

    QTextListFormat::Style markerStyle() const;
    void setMarkerStyle(QTextListFormat::Style style);

private:
    QComboBox* m_markers;
};

} // namespace platform
