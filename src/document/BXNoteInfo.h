#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <memory>

class QTextDocument;

// What the info panel shows about the selected notes: a heading (title and tags, a count, or
// a notice), the name of the picture beside it ("Note", "MultiNotes", none), and for one note
// its text statistics and its dates, laid out on two tab stops so labels and numbers line up.
// Built on the main thread.
class BXNoteInfo final {
public:
    QString noteIcon;
    std::shared_ptr<QTextDocument> headInfo;
    std::shared_ptr<QTextDocument> statistics;
    std::shared_ptr<QTextDocument> info;

    // Dates in the full relative style without time and numbers with 0 to 2 fraction digits,
    // both in `locale`.
    static BXNoteInfo forNotes(
        const QList<platform::ManagedObjectPtr>& notes, const QLocale& locale = QLocale());

    // Digits as the locale writes them, with at most two after the separator.
    static QString formatNumber(double value, const QLocale& locale);
    static QString formatDate(const QDateTime& date, const QLocale& locale);
};
