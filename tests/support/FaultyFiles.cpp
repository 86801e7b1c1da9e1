#include "FaultyFiles.h"

#include <sqlite3.h>

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <mutex>

struct FaultyFiles::Rule {
    Kind kind;
    QByteArray suffix;
    int nth;
    int code;
    int seen = 0;
    std::atomic<bool>* struck;
    std::mutex mutex;
};

namespace {

FaultyFiles::Rule* rule = nullptr;
sqlite3_vfs* real = nullptr;
sqlite3_vfs faulty {};

struct File {
    sqlite3_file base;
    bool watched;
    sqlite3_file* inner() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

File* of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }

// Whether this call is the one that fails.
bool strikes(File* file, FaultyFiles::Kind kind)
{
    if (!file->watched || !rule || rule->kind != kind)
        return false;
    const std::lock_guard<std::mutex> lock(rule->mutex);
    if (++rule->seen != rule->nth)
        return false;
    *rule->struck = true;
    errno = EIO;   // what the system says of a failed read, write or flush
    return true;
}

int xClose(sqlite3_file* f)
{
    sqlite3_file* inner = of(f)->inner();
    const int rc = inner->pMethods ? inner->pMethods->xClose(inner) : SQLITE_OK;
    return rc;
}
int xRead(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset)
{
    if (strikes(of(f), FaultyFiles::Kind::Read))
        return rule->code;
    sqlite3_file* inner = of(f)->inner();
    return inner->pMethods->xRead(inner, data, amount, offset);
}
int xWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset)
{
    if (strikes(of(f), FaultyFiles::Kind::Write))
        return rule->code;
    sqlite3_file* inner = of(f)->inner();
    return inner->pMethods->xWrite(inner, data, amount, offset);
}
int xSync(sqlite3_file* f, int flags)
{
    sqlite3_file* inner = of(f)->inner();
    // The data is on disk; only the answer says otherwise, as when a flush's
    // report is lost.
    const int rc = inner->pMethods->xSync(inner, flags);
    if (strikes(of(f), FaultyFiles::Kind::Sync))
        return rule->code;
    return rc;
}
#define FORWARD(name, params, args)                                                                                   \
    int name params                                                                                                    \
    {                                                                                                                  \
        sqlite3_file* inner = of(f)->inner();                                                                          \
        return inner->pMethods->name args;                                                                             \
    }
FORWARD(xTruncate, (sqlite3_file * f, sqlite3_int64 size), (inner, size))
FORWARD(xFileSize, (sqlite3_file * f, sqlite3_int64* size), (inner, size))
FORWARD(xLock, (sqlite3_file * f, int level), (inner, level))
FORWARD(xUnlock, (sqlite3_file * f, int level), (inner, level))
FORWARD(xCheckReservedLock, (sqlite3_file * f, int* out), (inner, out))
FORWARD(xSectorSize, (sqlite3_file * f), (inner))
FORWARD(xDeviceCharacteristics, (sqlite3_file * f), (inner))
FORWARD(xShmMap, (sqlite3_file * f, int region, int size, int extend, void volatile** out),
        (inner, region, size, extend, out))
FORWARD(xShmLock, (sqlite3_file * f, int offset, int n, int flags), (inner, offset, n, flags))
FORWARD(xShmUnmap, (sqlite3_file * f, int deleteFlag), (inner, deleteFlag))
FORWARD(xFetch, (sqlite3_file * f, sqlite3_int64 offset, int amount, void** out), (inner, offset, amount, out))
FORWARD(xUnfetch, (sqlite3_file * f, sqlite3_int64 offset, void* page), (inner, offset, page))
#undef FORWARD
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    sqlite3_file* inner = of(f)->inner();
    return inner->pMethods->xFileControl(inner, op, arg);
}
void xShmBarrier(sqlite3_file* f)
{
    sqlite3_file* inner = of(f)->inner();
    inner->pMethods->xShmBarrier(inner);
}

const sqlite3_io_methods methods = {3,           xClose,     xRead,        xWrite,         xTruncate,
                                    xSync,       xFileSize,  xLock,        xUnlock,        xCheckReservedLock,
                                    xFileControl, xSectorSize, xDeviceCharacteristics, xShmMap, xShmLock,
                                    xShmBarrier, xShmUnmap,  xFetch,       xUnfetch};

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    File* file = of(f);
    file->base.pMethods = nullptr;
    const int rc = real->xOpen(real, name, file->inner(), flags, outFlags);
    if (rc != SQLITE_OK)
        return rc;
    const size_t length = name ? std::strlen(name) : 0;
    file->watched = rule && length >= size_t(rule->suffix.size())
                    && std::memcmp(name + length - rule->suffix.size(), rule->suffix.constData(), rule->suffix.size())
                           == 0;
    file->base.pMethods = &methods;
    return SQLITE_OK;
}
int xDelete(sqlite3_vfs*, const char* name, int syncDir) { return real->xDelete(real, name, syncDir); }
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return real->xAccess(real, name, flags, out); }
int xFullPathname(sqlite3_vfs*, const char* name, int size, char* out)
{
    return real->xFullPathname(real, name, size, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name) { return real->xDlOpen(real, name); }
void xDlError(sqlite3_vfs*, int size, char* out) { real->xDlError(real, size, out); }
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) { return real->xDlSym(real, handle, symbol); }
void xDlClose(sqlite3_vfs*, void* handle) { real->xDlClose(real, handle); }
int xRandomness(sqlite3_vfs*, int size, char* out) { return real->xRandomness(real, size, out); }
int xSleep(sqlite3_vfs*, int micro) { return real->xSleep(real, micro); }
int xCurrentTime(sqlite3_vfs*, double* out) { return real->xCurrentTime(real, out); }
int xGetLastError(sqlite3_vfs*, int size, char* out) { return real->xGetLastError(real, size, out); }
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) { return real->xCurrentTimeInt64(real, out); }

} // namespace

FaultyFiles::FaultyFiles(Kind kind, QByteArray suffix, int nth, int code)
{
    sqlite3_initialize();
    Q_ASSERT(!rule);
    rule = new Rule{kind, std::move(suffix), nth, code, 0, &struck_, {}};
    if (!real) {
        real = sqlite3_vfs_find(nullptr);
        faulty = sqlite3_vfs{2, int(sizeof(File) + real->szOsFile), real->mxPathname, nullptr, "faulty", nullptr,
                             xOpen, xDelete, xAccess, xFullPathname, xDlOpen, xDlError, xDlSym, xDlClose,
                             xRandomness, xSleep, xCurrentTime, xGetLastError, xCurrentTimeInt64,
                             nullptr, nullptr, nullptr};
    }
    sqlite3_vfs_register(&faulty, 1);
}

FaultyFiles::~FaultyFiles()
{
    sqlite3_vfs_register(real, 1);
    delete rule;
    rule = nullptr;
}
