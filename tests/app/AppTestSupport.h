#pragma once

#include "app/BXDocumentController.h"
#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "platform/foundation/MemoryPressureSource.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeWindowTracker.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QUrl>

#include <memory>

namespace apptest {

// Saves a new notes file at `path` with one note; answers its URL.
QUrl makeNotesFile(const QString& path);

// The real executable with a home, settings and runtime folder of its own.
struct Installation {
    Installation();

    QString root;
    QProcessEnvironment environment;

    QString settingsPath() const;
    void start(QProcess& process, const QStringList& arguments) const;
    // Starts the application on `file` and waits until its window has it open.
    bool open(QProcess& process, const QUrl& file) const;
    QList<QUrl> recentDocuments() const;
};

// A document controller on settings of its own, with the fakes a launch meets. The window
// tracker is made first: the controller follows it from the start.
struct ControllerFixture {
    ControllerFixture();
    ~ControllerFixture();

    QString folder = bxtest::makeTempFolder(QStringLiteral("controller"));
    platform::FakeWindowTracker tracker;
    platform::FakeAlertPresenter presenter;
    platform::UserDefaults defaults { folder + QStringLiteral("/settings.conf") };
    platform::MemoryPressureSource memoryPressure {
        platform::MemoryPressureSource::Listening::InjectedOnly
    };
    std::unique_ptr<BXDocumentController> controller;

    // A launch from an allowed place.
    bool launch();
};

} // namespace apptest
