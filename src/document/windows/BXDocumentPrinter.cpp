#include "document/windows/BXDocumentPrinter.h"

#include "document/BXDefaults.h"
#include "document/BXDocumentHost.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/UserDefaults.h"

#include <QPointer>

namespace {

BXDocumentPrinter::AccessoryMaker& installedAccessoryMaker()
{
    static BXDocumentPrinter::AccessoryMaker maker;
    return maker;
}

} // namespace

void BXDocumentPrinter::setAccessoryMaker(AccessoryMaker maker)
{
    installedAccessoryMaker() = std::move(maker);
}

BXDocumentPrinter::BXDocumentPrinter(BXDocumentHost& host, PrintableView printableView)
    : m_host(host), m_printableView(std::move(printableView))
{ }

BXDocumentPrinter::~BXDocumentPrinter() = default;

std::shared_ptr<platform::PrintInfo> BXDocumentPrinter::printInfo()
{
    if (!m_printInfo) {
        m_printInfo = std::make_shared<platform::PrintInfo>();
        m_printInfo->setHorizontalPagination(platform::PrintInfo::Pagination::Fit);
        m_printInfo->setHorizontallyCentered(false);
        m_printInfo->setVerticallyCentered(false);
    }
    return m_printInfo;
}

std::optional<platform::PrintOperation> BXDocumentPrinter::printOperationWithSettings(
    const QVariantMap& settings, platform::Error* error)
{
    const auto info = printInfo();
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const double leftRight = defaults.doubleForKey(LeftRightPrintMargins);
    const double topBottom = defaults.doubleForKey(TopBottomPrintMargins);
    info->setLeftMargin(leftRight);
    info->setRightMargin(leftRight);
    info->setTopMargin(topBottom);
    info->setBottomMargin(topBottom);
    const bool numbered = defaults.boolForKey(NumberPagesWhenPrinting);
    if (numbered || !settings.isEmpty())
        info->addEntries(settings);
    if (numbered)
        info->setHeaderAndFooter(true);

    platform::PrintOperation operation;
    operation.printInfo = info;
    operation.printView = m_printableView(info);
    if (!operation.printView) {
        platform::Error::set(error,
            platform::Error(platform::BXDocumentErrorDomain, 1,
                platform::localized(QStringLiteral("No printable content available"))));
        return std::nullopt;
    }
    if (const AccessoryMaker& maker = installedAccessoryMaker()) {
        QPointer<QObject> view = operation.printView.get();
        operation.makeAccessory
            = [maker, view, info]() -> QWidget* { return view ? maker(view, info) : nullptr; };
    }
    return operation;
}

void BXDocumentPrinter::printDocument()
{
    platform::Error error;
    const auto operation = printOperationWithSettings({}, &error);
    if (!operation) {
        m_host.showError(error);
        return;
    }
    m_sheetForPrinting = true;
    QWidget* window = m_host.sheetWindow();
    QPointer<BXDocumentPrinter> self(this);
    platform::PrintPresenter::current().runPrintOperation(
        *operation, window, [self](bool, const platform::Error& failure) {
            if (!self)
                return;
            if (failure)
                self->m_host.showError(failure);
            self->m_sheetForPrinting = false;
        });
}
