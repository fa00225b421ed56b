#pragma once

#include <QTextList>

namespace platform {

// A Qt list that keeps no roster of its items. Qt's own list re-marks every item it holds
// each time one joins or leaves it, so a list of n items costs n² to build or to take apart;
// this one costs nothing per item. Its blocks still name it (QTextBlock::textList()), but
// count(), item() and itemNumber() know no items: its users number items themselves, walking
// the blocks in order. Made only by a ConversionDocument, which owns it.
class UntrackedTextList final : public QTextList {
    Q_OBJECT
public:
    explicit UntrackedTextList(QTextDocument* document) : QTextList(document) { }

protected:
    void blockInserted(const QTextBlock& block) override;
    void blockRemoved(const QTextBlock& block) override;
    void blockFormatChanged(const QTextBlock& block) override;
};

} // namespace platform
