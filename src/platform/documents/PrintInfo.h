#pragma once

#include <QObject>
#include <QPageLayout>
#include <QRectF>
#include <QVariantMap>

namespace platform {

// How a document prints: the paper with its margins in points, whether pages are centred and
// fitted to the width, and a dictionary of further settings (page numbering under
// HeaderAndFooterKey). One per document, shared with the print operation and its panel while
// they run. Main thread; emits changed() after every change.
class PrintInfo final : public QObject {
    Q_OBJECT

public:
    static const QString HeaderAndFooterKey;

    enum class Pagination { Automatic = 0, Fit = 1, Clip = 2 };

    explicit PrintInfo(QObject* parent = nullptr);

    // The paper and its margins, in points.
    QPageLayout pageLayout() const { return m_pageLayout; }
    void setPageLayout(const QPageLayout& layout);
    // The paper's own rectangle in points, from (0, 0).
    QRectF imageablePageBounds() const;
    // The paper less the margins: where the text goes.
    QRectF printableRect() const;

    double leftMargin() const { return m_pageLayout.margins(QPageLayout::Point).left(); }
    double rightMargin() const { return m_pageLayout.margins(QPageLayout::Point).right(); }
    double topMargin() const { return m_pageLayout.margins(QPageLayout::Point).top(); }
    double bottomMargin() const { return m_pageLayout.margins(QPageLayout::Point).bottom(); }
    void setLeftMargin(double points);
    void setRightMargin(double points);
    void setTopMargin(double points);
    void setBottomMargin(double points);

    Pagination horizontalPagination() const { return m_horizontalPagination; }
    void setHorizontalPagination(Pagination pagination);
    bool isHorizontallyCentered() const { return m_horizontallyCentered; }
    void setHorizontallyCentered(bool centered);
    bool isVerticallyCentered() const { return m_verticallyCentered; }
    void setVerticallyCentered(bool centered);

    QVariantMap dictionary() const { return m_dictionary; }
    void addEntries(const QVariantMap& entries);
    bool headerAndFooter() const { return m_dictionary.value(HeaderAndFooterKey).toBool(); }
    void setHeaderAndFooter(bool on);

signals:
    void changed();

private:
    void setMargins(const QMarginsF& margins);

    QPageLayout m_pageLayout;
    QVariantMap m_dictionary;
    Pagination m_horizontalPagination = Pagination::Automatic;
    bool m_horizontallyCentered = true;
    bool m_verticallyCentered = true;
};

} // namespace platform
