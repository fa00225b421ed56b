#pragma once

#include <QtGlobal>

#include <algorithm>
#include <iterator>

// Checks on lists of objects (QList, std::vector, ...) that the list controllers share.
namespace ArrayUtilities {

// True when 0 <= index < the list's size.
template <typename List> bool indexValid(const List& list, qint64 index)
{
    return index >= 0 && index < qint64(std::size(list));
}

// True when `objects` is not empty and every one of them is in `list`.
template <typename List, typename Objects>
bool containsObjects(const List& list, const Objects& objects)
{
    if (std::empty(objects))
        return false;
    for (const auto& object : objects) {
        if (std::find(std::begin(list), std::end(list), object) == std::end(list))
            return false;
    }
    return true;
}

} // namespace ArrayUtilities
