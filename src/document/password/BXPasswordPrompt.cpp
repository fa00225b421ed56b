#include "document/password/BXPasswordPrompt.h"

namespace {

BXPasswordPrompt::Maker& installedMaker()
{
    static BXPasswordPrompt::Maker maker;
    return maker;
}

} // namespace

std::unique_ptr<BXPasswordPrompt> BXPasswordPrompt::make()
{
    const Maker& maker = installedMaker();
    return maker ? maker() : nullptr;
}

void BXPasswordPrompt::setMaker(Maker maker)
{
    installedMaker() = std::move(maker);
}
