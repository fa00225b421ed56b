#include "UntrackedTextList.h"

namespace platform {

// Nothing to record: the blocks' formats are all there is of membership.
void UntrackedTextList::blockInserted(const QTextBlock&) { }

void UntrackedTextList::blockRemoved(const QTextBlock&) { }

void UntrackedTextList::blockFormatChanged(const QTextBlock&) { }

} // namespace platform
