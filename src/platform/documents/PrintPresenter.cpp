#include "PrintPresenter.h"

#include "platform/foundation/Log.h"

namespace platform {

namespace {

class UnattendedPrintPresenter final : public PrintPresenter {
public:
    void runPrintOperation(const PrintOperation&, QWidget*, Completion completion) override
    {
        logLine(QStringLiteral("No print panel: nothing printed."));
        if (completion)
            completion(false, Error());
    }
};

UnattendedPrintPresenter& unattended()
{
    static UnattendedPrintPresenter presenter;
    return presenter;
}

PrintPresenter* g_current = nullptr;

} // namespace

PrintPresenter& PrintPresenter::current()
{
    return g_current ? *g_current : unattended();
}

PrintPresenter* PrintPresenter::setCurrent(PrintPresenter* presenter)
{
    return std::exchange(g_current, presenter);
}

} // namespace platform
