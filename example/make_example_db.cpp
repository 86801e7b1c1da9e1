// Writes the example database that the program's file dialog offers: business
// tables with rows, the basic-data register tables and several numbered
// register series of both kinds.
#include <sqlite3.h>

#include <cstdio>
#include <string>

namespace {

bool run(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "make_example_db: %s\n  in: %s\n", error, sql.c_str());
        sqlite3_free(error);
        return false;
    }
    return true;
}

const char* const kSchema = R"sql(
BEGIN;
CREATE TABLE Asiakkaat (Asiakasnro INTEGER PRIMARY KEY AUTOINCREMENT, Nimi TEXT NOT NULL, Osoite TEXT,
                        Postinumero TEXT, Kaupunki TEXT);
INSERT INTO Asiakkaat (Nimi, Osoite, Postinumero, Kaupunki) VALUES
  ('Mäkelän Puutarha Oy', 'Kukkatie 4', '33100', 'Tampere'),
  ('Järvinen & Pojat Ky', 'Satamakatu 12', '20100', 'Turku'),
  ('Öljy-Seppälä Oy', 'Teollisuustie 7', '90100', 'Oulu'),
  ('Åström Consulting', 'Esplanadi 1', '00130', 'Helsinki'),
  ('Kahvila Kuppi', 'Torikatu 3', '40100', 'Jyväskylä');
CREATE TABLE Tulorekisteri_Suorituslajit (Koodi TEXT PRIMARY KEY, Selite TEXT);
INSERT INTO Tulorekisteri_Suorituslajit VALUES ('101', 'Aikapalkka'), ('102', 'Ylityökorvaus'),
  ('201', 'Lomaraha'), ('407', 'Kilometrikorvaus (veronalainen)');
CREATE TABLE Tuotteet (Tuotenro TEXT PRIMARY KEY, Nimi TEXT, Hinta REAL, Varastossa INTEGER);
INSERT INTO Tuotteet VALUES ('T-100', 'Kirjanpito-ohjelma', 490.0, 12), ('T-200', 'Palkanlaskenta', 390.0, 8),
  ('T-300', 'Laskutus', 250.0, 25), ('T-400', 'Ylläpitosopimus (vuosi)', 180.0, 100);
CREATE TABLE Tulorekisteri_00101_Ilmoitukset (Ilmoitusnro INTEGER, Henkilo TEXT, Maksupaiva TEXT, Tila TEXT);
INSERT INTO Tulorekisteri_00101_Ilmoitukset VALUES (1, 'Virtanen Aino', '2026-01-15', 'Lähetetty'),
  (2, 'Nieminen Eero', '2026-01-15', 'Lähetetty');
CREATE TABLE Tulorekisteri_00101_Tulot (Ilmoitusnro INTEGER, Tulolaji TEXT, Maara REAL);
INSERT INTO Tulorekisteri_00101_Tulot VALUES (1, '101', 3120.50), (2, '101', 2875.00), (2, '102', 240.00);
CREATE TABLE Laskut (Laskunro INTEGER PRIMARY KEY, Asiakasnro INTEGER, Paivays TEXT, Erapaiva TEXT, Summa REAL);
INSERT INTO Laskut VALUES (5001, 1, '2026-02-01', '2026-02-15', 1240.00), (5002, 2, '2026-02-03', '2026-02-17', 390.00),
  (5003, 4, '2026-02-10', '2026-02-24', 980.00);
CREATE TABLE Tulorekisteri_Maksajat (Ytunnus TEXT PRIMARY KEY, Nimi TEXT);
INSERT INTO Tulorekisteri_Maksajat VALUES ('1234567-8', 'Esimerkki Oy');
CREATE TABLE Tulorekisteri_00102_Ilmoitukset (Ilmoitusnro INTEGER, Henkilo TEXT, Maksupaiva TEXT, Tila TEXT);
INSERT INTO Tulorekisteri_00102_Ilmoitukset VALUES (3, 'Virtanen Aino', '2026-02-15', 'Luonnos');
CREATE TABLE Tulorekisteri_00102_Tulot (Ilmoitusnro INTEGER, Tulolaji TEXT, Maara REAL);
INSERT INTO Tulorekisteri_00102_Tulot VALUES (3, '101', 3120.50), (3, '201', 1500.00);
CREATE TABLE Laskurivit (Laskunro INTEGER, Rivi INTEGER, Tuotenro TEXT, Maara INTEGER, Hinta REAL);
INSERT INTO Laskurivit VALUES (5001, 1, 'T-100', 2, 490.0), (5001, 2, 'T-400', 1, 180.0), (5002, 1, 'T-200', 1, 390.0),
  (5003, 1, 'T-300', 2, 250.0), (5003, 2, 'T-100', 1, 480.0);
CREATE TABLE "Henkilöstö ja palkat" (Henkilonro INTEGER PRIMARY KEY, Nimi TEXT, Kuukausipalkka REAL);
INSERT INTO "Henkilöstö ja palkat" VALUES (1, 'Virtanen Aino', 3120.50), (2, 'Nieminen Eero', 2875.00),
  (3, 'Häkkinen Säde', 3300.00);
CREATE TABLE Tulorekisteri_erillis_Maksajat (Ytunnus TEXT PRIMARY KEY, Nimi TEXT);
INSERT INTO Tulorekisteri_erillis_Maksajat VALUES ('7654321-0', 'Esimerkki Oy, erillinen maksaja');
CREATE TABLE Tulorekisteri_erillis_Tulolajit (Koodi TEXT PRIMARY KEY, Selite TEXT);
INSERT INTO Tulorekisteri_erillis_Tulolajit VALUES ('216', 'Kokouspalkkio'), ('219', 'Luentopalkkio');
CREATE TABLE Tulorekisteri_erillis_00201_Ilmoitukset (Ilmoitusnro INTEGER, Henkilo TEXT, Maksupaiva TEXT);
INSERT INTO Tulorekisteri_erillis_00201_Ilmoitukset VALUES (10, 'Lahtinen Olli', '2026-03-01');
CREATE TABLE Tulorekisteri_erillis_00201_Tulot (Ilmoitusnro INTEGER, Tulolaji TEXT, Maara REAL);
INSERT INTO Tulorekisteri_erillis_00201_Tulot VALUES (10, '216', 400.00);
CREATE TABLE Tulorekisteri_00103_Ilmoitukset (Ilmoitusnro INTEGER, Henkilo TEXT, Maksupaiva TEXT, Tila TEXT);
INSERT INTO Tulorekisteri_00103_Ilmoitukset VALUES (4, 'Nieminen Eero', '2026-03-15', 'Luonnos');
CREATE TABLE Tulorekisteri_00103_Tulot (Ilmoitusnro INTEGER, Tulolaji TEXT, Maara REAL);
INSERT INTO Tulorekisteri_00103_Tulot VALUES (4, '101', 2875.00);
CREATE TABLE Tulorekisteri_erillis_00202_Ilmoitukset (Ilmoitusnro INTEGER, Henkilo TEXT, Maksupaiva TEXT);
INSERT INTO Tulorekisteri_erillis_00202_Ilmoitukset VALUES (11, 'Koskinen Helmi', '2026-03-20');
CREATE TABLE Tulorekisteri_erillis_00202_Tulot (Ilmoitusnro INTEGER, Tulolaji TEXT, Maara REAL);
INSERT INTO Tulorekisteri_erillis_00202_Tulot VALUES (11, '219', 650.00);
CREATE TABLE Varasto (Tuotenro TEXT, Hylly TEXT, Saldo INTEGER);
INSERT INTO Varasto VALUES ('T-100', 'A1', 12), ('T-200', 'A2', 8), ('T-300', 'B1', 25);
COMMIT;
)sql";

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example_db FILE\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "make_example_db: cannot create %s: %s\n", argv[1], sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    const bool ok = run(db, kSchema);
    sqlite3_close(db);
    return ok ? 0 : 1;
}
