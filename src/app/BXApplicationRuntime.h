#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class BXDocumentController;
class BXSingleInstance;

namespace platform {
class MemoryPressureSource;
class UserDefaults;
} // namespace platform

// Everything the running application is made of once its QApplication exists: the presenters
// through which the model asks the user, the document controller, the single-instance hand-off
// and the termination signals. main() and the scenario tests start the application through it,
// so both run the same start-up. Main thread; one at a time.
class BXApplicationRuntime final {
public:
    // `defaults`: the settings the application runs on; `runtimeFolder`: where the
    // single-instance lock and socket live.
    BXApplicationRuntime(platform::UserDefaults& defaults, const QString& runtimeFolder);
    ~BXApplicationRuntime();

    // Names the application (settings, desktop file), keeps it running with no window open (the
    // document controller decides when to quit) and has its heap return freed memory promptly.
    // Call once the QApplication exists.
    static void configureApplication();

    // Hands `paths` to a running instance, or becomes the one instance and launches: opens
    // `paths` and finishes launching from the event loop. Answers the process's exit status when
    // the application must not run on (handed off, or refused at launch), else nothing.
    std::optional<int> launch(const QStringList& paths, const QString& executablePath);

    BXDocumentController& controller() const { return *m_controller; }

private:
    struct Presenters;

    platform::UserDefaults& m_defaults;
    std::unique_ptr<BXSingleInstance> m_instance;
    std::unique_ptr<Presenters> m_presenters;
    std::unique_ptr<platform::MemoryPressureSource> m_memoryPressure;
    std::unique_ptr<BXDocumentController> m_controller;
};
