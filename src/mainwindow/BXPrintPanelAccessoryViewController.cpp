#include "mainwindow/BXPrintPanelAccessoryViewController.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "platform/appkit/PrintJob.h"
#include "platform/appkit/TextView.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UserDefaults.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSignalBlocker>
#include <QVBoxLayout>

using platform::localized;

namespace {

constexpr double kLargestMargin = 288.0;

QDoubleSpinBox* marginField(QWidget* parent)
{
    auto* field = new QDoubleSpinBox(parent);
    field->setRange(0, kLargestMargin);
    field->setDecimals(0);
    field->setSuffix(QStringLiteral(" pt"));
    // One change per edit, not one per digit typed.
    field->setKeyboardTracking(false);
    return field;
}

} // namespace

BXPrintPanelAccessoryViewController::BXPrintPanelAccessoryViewController(
    platform::TextView* printView, std::shared_ptr<platform::PrintInfo> printInfo, QWidget* parent)
    : QWidget(parent),
      m_printView(printView),
      m_printInfo(std::move(printInfo)),
      m_pageNumbering(new QCheckBox(localized(QStringLiteral("Print header and footer")), this)),
      m_topBottom(marginField(this)),
      m_leftRight(marginField(this)),
      m_summary(new QLabel(this)),
      m_previewPrinter(std::make_unique<QPrinter>(QPrinter::ScreenResolution)),
      m_preview(new QPrintPreviewWidget(m_previewPrinter.get(), this))
{
    setWindowTitle(localized(QStringLiteral("Note")));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(m_pageNumbering);
    form->addRow(localized(QStringLiteral("Top and bottom margins:")), m_topBottom);
    form->addRow(localized(QStringLiteral("Left and right margins:")), m_leftRight);
    layout->addLayout(form);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_preview->setMinimumSize(240, 300);
    layout->addWidget(m_preview, 1);

    // The controls start from the print info the document filled from the defaults.
    m_pageNumbering->setChecked(pageNumbering());
    m_topBottom->setValue(TopBottomMargins());
    m_leftRight->setValue(LeftRightMargins());

    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    connect(m_pageNumbering, &QCheckBox::toggled, this,
        [&defaults](bool on) { defaults.setBool(NumberPagesWhenPrinting, on); });
    connect(m_topBottom, &QDoubleSpinBox::valueChanged, this,
        [&defaults](double value) { defaults.setFloat(TopBottomPrintMargins, float(value)); });
    connect(m_leftRight, &QDoubleSpinBox::valueChanged, this,
        [&defaults](double value) { defaults.setFloat(LeftRightPrintMargins, float(value)); });
    connect(&defaults, &platform::UserDefaults::valueChanged, this,
        &BXPrintPanelAccessoryViewController::userDefaultChanged);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
        &BXPrintPanelAccessoryViewController::paintPreview);

    m_previewPrinter->setPageLayout(m_printInfo->pageLayout());
    m_summary->setText(summaryLine());
}

BXPrintPanelAccessoryViewController::~BXPrintPanelAccessoryViewController() = default;

void BXPrintPanelAccessoryViewController::install()
{
    BXDocument::setPrintAccessoryMaker(
        [](QObject* printView, const std::shared_ptr<platform::PrintInfo>& printInfo) -> QWidget* {
            auto* view = qobject_cast<platform::TextView*>(printView);
            return view ? new BXPrintPanelAccessoryViewController(view, printInfo) : nullptr;
        });
}

bool BXPrintPanelAccessoryViewController::pageNumbering() const
{
    return m_printInfo->headerAndFooter();
}

void BXPrintPanelAccessoryViewController::setPageNumbering(bool on)
{
    m_printInfo->setHeaderAndFooter(on);
    previewChanged();
}

double BXPrintPanelAccessoryViewController::TopBottomMargins() const
{
    return m_printInfo->topMargin();
}

void BXPrintPanelAccessoryViewController::setTopBottomMargins(double points)
{
    m_printInfo->setTopMargin(points);
    m_printInfo->setBottomMargin(points);
    previewChanged();
}

double BXPrintPanelAccessoryViewController::LeftRightMargins() const
{
    return m_printInfo->leftMargin();
}

void BXPrintPanelAccessoryViewController::setLeftRightMargins(double points)
{
    m_printInfo->setLeftMargin(points);
    m_printInfo->setRightMargin(points);
    previewChanged();
}

void BXPrintPanelAccessoryViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The summary wraps in a narrow tab; the lines it then takes count in the tab's minimum
    // height, so the dialog grows by them instead of cutting off the preview's foot.
    const int height = m_summary->heightForWidth(m_summary->width());
    if (height > 0 && height != m_summary->minimumHeight())
        m_summary->setMinimumHeight(height);
}

QStringList BXPrintPanelAccessoryViewController::keyPathsForValuesAffectingPreview()
{
    return { QStringLiteral("pageNumbering"), QStringLiteral("TopBottomMargins"),
        QStringLiteral("LeftRightMargins") };
}

QList<BXPrintPanelAccessoryViewController::SummaryItem>
BXPrintPanelAccessoryViewController::localizedSummaryItems() const
{
    return {
        { localized(QStringLiteral("Header and Footer")),
            localized(pageNumbering() ? QStringLiteral("On") : QStringLiteral("Off")) },
        { localized(QStringLiteral("Top and Bottom margins")),
            QString::asprintf("%.0f", TopBottomMargins()) },
        { localized(QStringLiteral("Left and Right margins")),
            QString::asprintf("%.0f", LeftRightMargins()) },
    };
}

QString BXPrintPanelAccessoryViewController::summaryLine() const
{
    QStringList parts;
    for (const SummaryItem& item : localizedSummaryItems())
        parts << item.name + QStringLiteral(": ") + item.description;
    return parts.join(QStringLiteral(" · "));
}

void BXPrintPanelAccessoryViewController::userDefaultChanged(const QString& key)
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (key == NumberPagesWhenPrinting)
        setPageNumbering(defaults.boolForKey(key));
    else if (key == TopBottomPrintMargins)
        setTopBottomMargins(defaults.floatForKey(key));
    else if (key == LeftRightPrintMargins)
        setLeftRightMargins(defaults.floatForKey(key));
}

void BXPrintPanelAccessoryViewController::previewChanged()
{
    if (m_printView)
        m_printView->setGeometry(platform::PrintJob::printViewFrame(*m_printInfo));
    const QSignalBlocker numbering(m_pageNumbering);
    const QSignalBlocker topBottom(m_topBottom);
    const QSignalBlocker leftRight(m_leftRight);
    m_pageNumbering->setChecked(pageNumbering());
    m_topBottom->setValue(TopBottomMargins());
    m_leftRight->setValue(LeftRightMargins());
    m_summary->setText(summaryLine());
    m_previewPrinter->setPageLayout(m_printInfo->pageLayout());
    m_preview->updatePreview();
}

void BXPrintPanelAccessoryViewController::paintPreview(QPrinter* printer)
{
    if (!m_printView)
        return;
    platform::PrintJob job(*m_printView, m_printInfo);
    job.paint(*printer);
}
