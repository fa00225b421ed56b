#include "FakePrintPresenter.h"

#include "platform/appkit/PrintJob.h"
#include "platform/appkit/TextView.h"

#include <QPrinter>

namespace platform {

FakePrintPresenter::FakePrintPresenter() : m_previous(PrintPresenter::setCurrent(this)) { }

FakePrintPresenter::~FakePrintPresenter()
{
    PrintPresenter::setCurrent(m_previous);
}

void FakePrintPresenter::runPrintOperation(
    const PrintOperation& operation, QWidget* window, Completion completion)
{
    ++m_runCount;
    m_operation = operation;
    m_window = window;
    m_completion = std::move(completion);
    m_accessory.reset(operation.makeAccessory ? operation.makeAccessory() : nullptr);
}

bool FakePrintPresenter::printToPdf(const QString& path, Error* error)
{
    auto* view = m_operation ? qobject_cast<TextView*>(m_operation->printView.get()) : nullptr;
    if (!view)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(m_operation->printInfo->pageLayout());
    PrintJob job(*view, m_operation->printInfo);
    Error failure;
    const bool printed = job.print(printer, &failure);
    finish(printed, failure);
    if (!printed)
        Error::set(error, failure);
    return printed;
}

void FakePrintPresenter::cancel()
{
    finish(false, Error());
}

void FakePrintPresenter::finish(bool printed, const Error& error)
{
    Completion completion = std::move(m_completion);
    m_operation.reset();
    m_accessory.reset();
    if (completion)
        completion(printed, error);
}

} // namespace platform
