#pragma once

#include "platform/appkit/TextView.h"
#include "platform/documents/PrintInfo.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;

// The print panel's extra tab: page numbering and the two margins. Its controls write the
// three user defaults; it follows those defaults (not its controls) into the print info and the
// printed view's frame, so a change made anywhere while the panel is open takes effect, and
// shows the settings as a summary line over a preview redrawn on each change. Made anew for
// every print; main thread.
class BXPrintPanelAccessoryViewController : public QWidget {
    Q_OBJECT

public:
    struct SummaryItem {
        QString name;
        QString description;
    };

    BXPrintPanelAccessoryViewController(platform::TextView* printView,
        std::shared_ptr<platform::PrintInfo> printInfo, QWidget* parent = nullptr);
    ~BXPrintPanelAccessoryViewController() override;

    // Makes the document's print operations carry this accessory.
    static void install();

    platform::TextView* printView() const { return m_printView; }
    bool pageNumbering() const;
    void setPageNumbering(bool on);
    double TopBottomMargins() const;
    void setTopBottomMargins(double points);
    double LeftRightMargins() const;
    void setLeftRightMargins(double points);

    // What changes the preview.
    static QStringList keyPathsForValuesAffectingPreview();
    QList<SummaryItem> localizedSummaryItems() const;
    QString summaryLine() const;
    QCheckBox* pageNumberingBox() const { return m_pageNumbering; }
    QDoubleSpinBox* topBottomField() const { return m_topBottom; }
    QDoubleSpinBox* leftRightField() const { return m_leftRight; }
    QPrintPreviewWidget* preview() const { return m_preview; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void userDefaultChanged(const QString& key);
    void previewChanged();
    void paintPreview(QPrinter* printer);

    QPointer<platform::TextView> m_printView;
    std::shared_ptr<platform::PrintInfo> m_printInfo;
    QCheckBox* m_pageNumbering;
    QDoubleSpinBox* m_topBottom;
    QDoubleSpinBox* m_leftRight;
    QLabel* m_summary;
    std::unique_ptr<QPrinter> m_previewPrinter;
    QPrintPreviewWidget* m_preview;
};
