#include "FullDisk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace scenario {

namespace {

const QString kFillerName = QStringLiteral(".filler");

// The file layer: the system's, with writes that lengthen a file in the full folder refused.
struct Layer {
    sqlite3_vfs vfs {};
    sqlite3_vfs* system = nullptr;
    sqlite3_io_methods methods {};
    QByteArray prefix;
    bool full = false;
};

Layer& layer()
{
    static Layer instance;
    return instance;
}

// The layer's file: the system's file follows it in the same allocation.
struct LayerFile {
    sqlite3_file base;
    sqlite3_file* system;
    bool inFullFolder;
};

sqlite3_file* systemFile(sqlite3_file* file)
{
    return reinterpret_cast<LayerFile*>(file)->system;
}

int layerWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    sqlite3_file* system = systemFile(file);
    if (layer().full && reinterpret_cast<LayerFile*>(file)->inFullFolder) {
        sqlite3_int64 size = 0;
        if (system->pMethods->xFileSize(system, &size) != SQLITE_OK || offset + amount > size)
            return SQLITE_FULL;
    }
    return system->pMethods->xWrite(system, data, amount, offset);
}

int layerOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* opened = reinterpret_cast<LayerFile*>(file);
    opened->system = reinterpret_cast<sqlite3_file*>(opened + 1);
    opened->inFullFolder = name
        && std::strncmp(name, layer().prefix.constData(), size_t(layer().prefix.size())) == 0;
    opened->base.pMethods = nullptr;
    const int result = layer().system->xOpen(layer().system, name, opened->system, flags, outFlags);
    if (opened->system->pMethods)
        opened->base.pMethods = &layer().methods;
    return result;
}

// Every other call goes to the system's file as it is.
void makeMethods(const sqlite3_io_methods& system)
{
    sqlite3_io_methods& m = layer().methods;
    m.iVersion = system.iVersion;
    m.xClose = [](sqlite3_file* f) { return systemFile(f)->pMethods->xClose(systemFile(f)); };
    m.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
        return systemFile(f)->pMethods->xRead(systemFile(f), data, amount, offset);
    };
    m.xWrite = layerWrite;
    m.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
        return systemFile(f)->pMethods->xTruncate(systemFile(f), size);
    };
    m.xSync = [](sqlite3_file* f, int flags) {
        return systemFile(f)->pMethods->xSync(systemFile(f), flags);
    };
    m.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
        return systemFile(f)->pMethods->xFileSize(systemFile(f), size);
    };
    m.xLock = [](sqlite3_file* f, int lock) {
        return systemFile(f)->pMethods->xLock(systemFile(f), lock);
    };
    m.xUnlock = [](sqlite3_file* f, int lock) {
        return systemFile(f)->pMethods->xUnlock(systemFile(f), lock);
    };
    m.xCheckReservedLock = [](sqlite3_file* f, int* reserved) {
        return systemFile(f)->pMethods->xCheckReservedLock(systemFile(f), reserved);
    };
    m.xFileControl = [](sqlite3_file* f, int op, void* arg) {
        return systemFile(f)->pMethods->xFileControl(systemFile(f), op, arg);
    };
    m.xSectorSize
        = [](sqlite3_file* f) { return systemFile(f)->pMethods->xSectorSize(systemFile(f)); };
    m.xDeviceCharacteristics = [](sqlite3_file* f) {
        return systemFile(f)->pMethods->xDeviceCharacteristics(systemFile(f));
    };
    m.xShmMap = [](sqlite3_file* f, int page, int size, int extend, void volatile** mapped) {
        return systemFile(f)->pMethods->xShmMap(systemFile(f), page, size, extend, mapped);
    };
    m.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
        return systemFile(f)->pMethods->xShmLock(systemFile(f), offset, n, flags);
    };
    m.xShmBarrier = [](sqlite3_file* f) { systemFile(f)->pMethods->xShmBarrier(systemFile(f)); };
    m.xShmUnmap = [](sqlite3_file* f, int deleteFlag) {
        return systemFile(f)->pMethods->xShmUnmap(systemFile(f), deleteFlag);
    };
    m.xFetch = [](sqlite3_file* f, sqlite3_int64 offset, int amount, void** data) {
        return systemFile(f)->pMethods->xFetch(systemFile(f), offset, amount, data);
    };
    m.xUnfetch = [](sqlite3_file* f, sqlite3_int64 offset, void* data) {
        return systemFile(f)->pMethods->xUnfetch(systemFile(f), offset, data);
    };
}

// Put in front of the system's layer as the default; it stays registered (a store opened
// through it may outlive the FullDisk), and only refuses anything while a FullDisk is filled.
void installLayer(const QString& folder)
{
    Layer& l = layer();
    l.prefix = QDir(folder).absolutePath().toLocal8Bit() + '/';
    l.full = false;
    if (l.system)
        return;
    l.system = sqlite3_vfs_find(nullptr);
    // The method table follows the system's version: made from a file it opens.
    l.vfs = *l.system;
    l.vfs.zName = "full-disk";
    l.vfs.szOsFile = int(sizeof(LayerFile)) + l.system->szOsFile;
    l.vfs.pAppData = nullptr;
    l.vfs.xOpen = layerOpen;
    sqlite3_file* probe = static_cast<sqlite3_file*>(sqlite3_malloc(l.system->szOsFile));
    std::memset(probe, 0, size_t(l.system->szOsFile));
    int flags = 0;
    if (l.system->xOpen(l.system, nullptr, probe,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_DELETEONCLOSE
                | SQLITE_OPEN_TEMP_DB,
            &flags)
        == SQLITE_OK) {
        makeMethods(*probe->pMethods);
        probe->pMethods->xClose(probe);
    }
    sqlite3_free(probe);
    ASSERT_EQ(sqlite3_vfs_register(&l.vfs, 1), SQLITE_OK);
}

} // namespace

FullDisk::FullDisk(const QString& fallback)
{
    const QString real = qEnvironmentVariable("BX_FULL_DISK_FOLDER");
    m_real = !real.isEmpty();
    m_folder = m_real ? real : fallback;
    if (!m_real)
        installLayer(m_folder);
}

FullDisk::~FullDisk()
{
    if (m_real)
        QFile::remove(m_folder + QLatin1Char('/') + kFillerName);
    else
        layer().full = false;
}

void FullDisk::fill()
{
    if (!m_real) {
        layer().full = true;
        return;
    }
    const QByteArray path = QFile::encodeName(m_folder + QLatin1Char('/') + kFillerName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const QByteArray block(64 * 1024, '\0');
    // Down to the last byte: whole blocks first, then what smaller writes still fit.
    for (qsizetype size = block.size(); size > 0; size /= 2) {
        while (::write(fd, block.constData(), size_t(size)) == size) { }
    }
    ::fsync(fd);
    ::close(fd);
}

} // namespace scenario
