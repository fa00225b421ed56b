#pragma once

#include "platform/data/ManagedObjectModel.h"

#include <memory>

// The entities of a notes file: Note, Category with its sub-entity FetchedNotesCategory, and
// DocumentPreference. Built once and shared by every document and context, on any thread.
class BXDataModel final {
public:
    BXDataModel() = delete;

    static std::shared_ptr<const platform::ManagedObjectModel> model();
};
