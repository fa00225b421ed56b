#pragma once

#include <QString>

namespace scenario {

// A disk with no room left for the notes files in folder(), while the rest of the machine
// (the autosave folder included) still has room, as when a notes file lives on a small or
// removable disk. With BX_FULL_DISK_FOLDER naming an empty folder on a small file system of its
// own (a tmpfs mounted for the run), that is the folder and fill() really fills the file system.
// Otherwise the folder is `fallback` and, once filled, the store's writes that would make a file
// there longer fail as a full disk fails them (a file layer put in front of the system's for the
// stores opened while this lives); other writes there still succeed. One at a time.
class FullDisk final {
public:
    explicit FullDisk(const QString& fallback);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    QString folder() const { return m_folder; }
    // From now on nothing more fits.
    void fill();
    // Whether the disk is a real file system filled to the last byte.
    bool isReal() const { return m_real; }

private:
    QString m_folder;
    bool m_real = false;
};

} // namespace scenario
