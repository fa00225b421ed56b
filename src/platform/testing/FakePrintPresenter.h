#pragma once

#include "platform/documents/PrintPresenter.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace platform {

// A print presenter for tests: it keeps the operation it is given, with its accessory made as
// the print panel would make it, until the test answers: print to a PDF file, or cancel.
// Installs itself as the current presenter while it lives.
class FakePrintPresenter final : public PrintPresenter {
public:
    FakePrintPresenter();
    ~FakePrintPresenter() override;
    FakePrintPresenter(const FakePrintPresenter&) = delete;
    FakePrintPresenter& operator=(const FakePrintPresenter&) = delete;

    void runPrintOperation(
        const PrintOperation& operation, QWidget* window, Completion completion) override;

    bool isRunning() const { return m_operation.has_value(); }
    int runCount() const { return m_runCount; }
    const PrintOperation* operation() const { return m_operation ? &*m_operation : nullptr; }
    QWidget* window() const { return m_window; }
    QWidget* accessory() const { return m_accessory.get(); }
    // Prints the pending operation as a PDF file at `path`, A4 unless the print info says
    // otherwise; answers what the completion heard.
    bool printToPdf(const QString& path, Error* error = nullptr);
    void cancel();

private:
    void finish(bool printed, const Error& error);

    std::optional<PrintOperation> m_operation;
    QPointer<QWidget> m_window;
    std::unique_ptr<QWidget> m_accessory;
    Completion m_completion;
    PrintPresenter* m_previous;
    int m_runCount = 0;
};

} // namespace platform
