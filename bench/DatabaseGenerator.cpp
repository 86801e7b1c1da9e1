#include "DatabaseGenerator.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace benchdb {

namespace {

struct CloseDb { void operator()(sqlite3* db) const { sqlite3_close_v2(db); } };
struct Finalize { void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); } };
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;
using StmtPtr = std::unique_ptr<sqlite3_stmt, Finalize>;

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

DbPtr openFile(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    DbPtr db(raw);
    if (rc != SQLITE_OK)
        fail(raw, "open " + path.toStdString());
    return db;
}

void exec(sqlite3* db, const std::string& sql)
{
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, sql.substr(0, 80));
}

StmtPtr prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        fail(db, sql.substr(0, 80));
    return StmtPtr(raw);
}

std::string quoted(const std::string& name)
{
    std::string q = "\"";
    for (const char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// splitmix64: fast, and the same seed gives the same file.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int between(int low, int high) { return low + int(next() % std::uint64_t(high - low + 1)); }
    void fill(std::vector<unsigned char>& bytes, size_t count)
    {
        bytes.resize(count);
        for (size_t i = 0; i < count; i += 8) {
            const std::uint64_t word = next();
            for (size_t b = 0; b < 8 && i + b < count; ++b)
                bytes[i + b] = static_cast<unsigned char>(word >> (8 * b));
        }
    }
    std::string text(size_t count)
    {
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPRSTUVY 0123456789";
        std::string s(count, ' ');
        for (char& c : s)
            c = kLetters[next() % (sizeof kLetters - 1)];
        return s;
    }

private:
    std::uint64_t state_;
};

enum class Kind { Ordinary, Register };

struct Planned {
    std::string name;
    Kind kind;
    qint64 bytes;
};

constexpr std::array<const char*, kBasicDataTables> kBasicData = {
    "Tulorekisteri_Saajat",           "Tulorekisteri_Suorituslajit",   "Tulorekisteri_Maksajat",
    "Tulorekisteri_MaksajanTiedot",   "Tulorekisteri_erillis_Maksajat", "Tulorekisteri_erillis_MaksuTiedot",
    "Tulorekisteri_erillis_Tulolajit", "Tulorekisteri_erillis_Tunnisteet",
};
constexpr std::array<const char*, kTablesPerSeries> kSeriesParts = {
    "_Ilmoitus", "_Maksaja", "_Saaja", "_Tulolaji", "_Suoritus",
    "_Vahennys", "_Vakuutus", "_Jakso", "_Lisatieto", "_Tila",
};
constexpr std::array<const char*, 10> kOrdinaryWords = {
    "Asiakkaat", "Laskut", "Tilaukset", "Tuotteet", "Varastotapahtumat",
    "Kirjaukset", "Palkat", "Tyontekijat", "Tositteet", "Reskontra",
};
// Shares of all bytes given to the large tables, largest first.
constexpr std::array<double, kLargeTables> kLargeShares = {0.10, 0.08, 0.06, 0.05, 0.04};
constexpr double kRegisterShare = 0.10;

std::vector<Planned> plan(const Spec& spec, Shape& shape)
{
    const int registers = spec.tables / 2;
    const int ordinary = spec.tables - registers;
    const int basic = std::min(registers, kBasicDataTables);
    const int numbered = registers - basic;
    const int large = std::min(ordinary, kLargeTables);

    const qint64 registerBytes = registers > 0 ? qint64(double(spec.bytes) * kRegisterShare / registers) : 0;
    double largeShare = 0;
    for (int i = 0; i < large; ++i)
        largeShare += kLargeShares[size_t(i)];
    const qint64 ordinaryBytes =
        ordinary > large ? qint64(double(spec.bytes) * (1.0 - kRegisterShare - largeShare) / (ordinary - large)) : 0;

    std::vector<Planned> registerTables;
    for (int i = 0; i < basic; ++i)
        registerTables.push_back({kBasicData[size_t(i)], Kind::Register, registerBytes});
    int series = 0;
    for (int made = 0; made < numbered; ++series) {
        char number[12];   // room for any int, so the compiler can prove nothing is cut
        std::snprintf(number, sizeof number, "%05d", 10000 + 7 * series);
        const std::string prefix = std::string(series % 2 ? "Tulorekisteri_erillis_" : "Tulorekisteri_") + number;
        for (int part = 0; part < kTablesPerSeries && made < numbered; ++part, ++made)
            registerTables.push_back({prefix + kSeriesParts[size_t(part)], Kind::Register, registerBytes});
    }

    std::vector<Planned> ordinaryTables;
    for (int i = 0; i < ordinary; ++i) {
        if (i < large) {
            ordinaryTables.push_back({"Tapahtumat_" + std::to_string(2023 - i), Kind::Ordinary,
                                      qint64(double(spec.bytes) * kLargeShares[size_t(i)])});
        } else {
            char name[64];
            std::snprintf(name, sizeof name, "%s_%05d", kOrdinaryWords[size_t(i) % kOrdinaryWords.size()], i);
            ordinaryTables.push_back({name, Kind::Ordinary, ordinaryBytes});
        }
    }

    // One of each in turn, as tables made over the years lie in a real file.
    std::vector<Planned> all;
    all.reserve(size_t(spec.tables));
    for (size_t i = 0; i < std::max(registerTables.size(), ordinaryTables.size()); ++i) {
        if (i < ordinaryTables.size())
            all.push_back(ordinaryTables[i]);
        if (i < registerTables.size())
            all.push_back(registerTables[i]);
    }

    shape.tables = spec.tables;
    shape.basicData = basic;
    shape.numbered = numbered;
    shape.series = series;
    shape.ordinary = ordinary;
    shape.largestTable = large > 0 ? QString::fromStdString(ordinaryTables.front().name) : QString();
    const int middleSeries = (series - 1) / 2;   // the last series may be short; this one is full
    shape.sampleSeriesTable =
        numbered > 0 ? QString::fromStdString(registerTables[size_t(basic + middleSeries * kTablesPerSeries)].name)
                     : QString();
    return all;
}

// About this many bytes a row takes in the file, for rows of each kind.
constexpr qint64 kOrdinaryRowBytes = 1080;
constexpr qint64 kRegisterRowBytes = 480;

void fillOrdinary(sqlite3* db, const Planned& table, Random& random)
{
    exec(db, "CREATE TABLE " + quoted(table.name)
                 + " (id INTEGER PRIMARY KEY, nimi TEXT, summa REAL, pvm TEXT, tiedot BLOB)");
    const StmtPtr insert =
        prepare(db, "INSERT INTO " + quoted(table.name) + " (nimi, summa, pvm, tiedot) VALUES (?, ?, ?, ?)");
    const qint64 rows = std::max<qint64>(1, table.bytes / kOrdinaryRowBytes);
    std::vector<unsigned char> blob;
    for (qint64 r = 0; r < rows; ++r) {
        const std::string name = random.text(size_t(random.between(12, 28)));
        char date[16];
        std::snprintf(date, sizeof date, "20%02d-%02d-%02d", random.between(10, 25), random.between(1, 12),
                      random.between(1, 28));
        random.fill(blob, size_t(random.between(600, 1200)));
        sqlite3_bind_text(insert.get(), 1, name.data(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(insert.get(), 2, double(random.between(0, 1000000)) / 100.0);
        sqlite3_bind_text(insert.get(), 3, date, -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert.get(), 4, blob.data(), int(blob.size()), SQLITE_STATIC);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            fail(db, "insert into " + table.name);
        sqlite3_reset(insert.get());
    }
}

void fillRegister(sqlite3* db, const Planned& table, Random& random)
{
    exec(db, "CREATE TABLE " + quoted(table.name)
                 + " (id INTEGER PRIMARY KEY, tunnus TEXT, maksupaiva TEXT, summa REAL, selite TEXT)");
    const StmtPtr insert = prepare(
        db, "INSERT INTO " + quoted(table.name) + " (tunnus, maksupaiva, summa, selite) VALUES (?, ?, ?, ?)");
    const qint64 rows = std::max<qint64>(1, table.bytes / kRegisterRowBytes);
    for (qint64 r = 0; r < rows; ++r) {
        char id[16];
        std::snprintf(id, sizeof id, "%02d%02d%02d-%03d", random.between(1, 28), random.between(1, 12),
                      random.between(40, 99), random.between(2, 899));
        char date[16];
        std::snprintf(date, sizeof date, "20%02d-%02d-15", random.between(19, 25), random.between(1, 12));
        const std::string text = random.text(size_t(random.between(200, 400)));
        sqlite3_bind_text(insert.get(), 1, id, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 2, date, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert.get(), 3, double(random.between(0, 500000)) / 100.0);
        sqlite3_bind_text(insert.get(), 4, text.data(), int(text.size()), SQLITE_STATIC);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            fail(db, "insert into " + table.name);
        sqlite3_reset(insert.get());
    }
}

} // namespace

Shape generate(const QString& path, const Spec& spec)
{
    if (QFileInfo::exists(path))
        throw std::runtime_error("already exists: " + path.toStdString());
    Shape shape;
    const std::vector<Planned> tables = plan(spec, shape);

    const DbPtr db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // No journal and no syncing while the file is made: a failed run leaves a
    // file that nobody uses. The tool later opens it with the defaults.
    exec(db.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                   "PRAGMA cache_size=-65536");
    exec(db.get(), "BEGIN");
    Random random(spec.seed);
    for (const Planned& table : tables) {
        if (table.kind == Kind::Ordinary)
            fillOrdinary(db.get(), table, random);
        else
            fillRegister(db.get(), table, random);
    }
    exec(db.get(), "COMMIT");
    return shape;
}

QStringList tableNames(const QString& path)
{
    const DbPtr db = openFile(path, SQLITE_OPEN_READONLY);
    const StmtPtr query = prepare(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
        names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)),
                                       sqlite3_column_bytes(query.get(), 0)));
    if (rc != SQLITE_DONE)
        fail(db.get(), "catalogue of " + path.toStdString());
    return names;
}

qint64 rowCount(const QString& path, const QString& table)
{
    const DbPtr db = openFile(path, SQLITE_OPEN_READONLY);
    const StmtPtr query = prepare(db.get(), "SELECT count(*) FROM " + quoted(table.toStdString()));
    if (sqlite3_step(query.get()) != SQLITE_ROW)
        fail(db.get(), "count of " + table.toStdString());
    return sqlite3_column_int64(query.get(), 0);
}

} // namespace benchdb
