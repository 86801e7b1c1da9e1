#include "ChosenTables.h"

#include <QTest>

// The question of each register cleanup says how many tables the walk would
// delete and names the first ones; the walk then deletes exactly those.

namespace {

// Tulorekisteri_00001_0000 ... in one statement.
QString seriesSql(int count)
{
    QString sql;
    for (int i = 0; i < count; ++i)
        sql += QStringLiteral("CREATE TABLE Tulorekisteri_00001_%1 (x);").arg(i, 4, 10, QLatin1Char('0'));
    return sql;
}

} // namespace

class TestBulkConfirmation : public QObject {
    Q_OBJECT

private slots:
    void theQuestionCountsWhatTheWalkDeletes_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("left");
        // A full-text index and its five parts are one table to the walk.
        QTest::newRow("all, a virtual table counted once")
            << QStringLiteral("CREATE TABLE Asiakkaat (x); CREATE VIRTUAL TABLE Tulorekisteri_Haku USING fts5(t);"
                              "CREATE TABLE Tulorekisteri_S1 (x); CREATE TABLE tulorekisteri_pieni (x);")
            << "cmdPoistaTulorekisteriTaulut"
            << QStringLiteral("Poistetaan 2 taulukkoa: Tulorekisteri_Haku, Tulorekisteri_S1. Ennen poistoa otetaan "
                              "varmuuskopio.")
            << QStringList{"Asiakkaat", "tulorekisteri_pieni"};
        QTest::newRow("numbered, none")
            << QStringLiteral("CREATE TABLE Tulorekisteri_S1 (x); CREATE TABLE Tulorekisteri_erillis_T (x);")
            << "cmdPTN" << QStringLiteral("Yhtään taulukkoa ei poisteta.")
            << QStringList{"Tulorekisteri_S1", "Tulorekisteri_erillis_T"};
        QTest::newRow("numbered, one")
            << QStringLiteral("CREATE TABLE Tulorekisteri_M1 (x); CREATE TABLE Tulorekisteri_00002_A (x);")
            << "cmdPTN" << QStringLiteral("Poistetaan 1 taulukko: Tulorekisteri_00002_A. Ennen poistoa otetaan varmuuskopio.")
            << QStringList{"Tulorekisteri_M1"};
        // The series of Tulorekisteri_00001_A: a shorter name and one in
        // other letter case stay.
        QTest::newRow("series, the prefix rule keeps two")
            << QStringLiteral("CREATE TABLE Tulorekisteri_00001_A (x); CREATE TABLE Tulorekisteri_0000 (x);"
                              "CREATE TABLE TULOREKISTERI_00001_B (x); CREATE TABLE Tulorekisteri_000010 (x);")
            << "cmdP" << QStringLiteral("Poistetaan 2 taulukkoa: Tulorekisteri_00001_A, Tulorekisteri_000010. Ennen poistoa "
                                       "otetaan varmuuskopio.")
            << QStringList{"Tulorekisteri_0000", "TULOREKISTERI_00001_B"};
        QTest::newRow("series, one table and the view that reads it")
            << QStringLiteral("CREATE TABLE Asiakkaat (x); CREATE TABLE Tulorekisteri_00001_A (x);"
                              "CREATE VIEW Katsaus AS SELECT * FROM tulorekisteri_00001_a;")
            << "cmdP"
            << QStringLiteral("Poistetaan 1 taulukko: Tulorekisteri_00001_A. Samalla poistetaan näkymä Katsaus, joka "
                              "lukee sitä. Ennen poistoa otetaan varmuuskopio.")
            << QStringList{"Asiakkaat"};
        QTest::newRow("series, more than five")
            << QStringLiteral("CREATE TABLE Asiakkaat (x);") + seriesSql(7) << "cmdP"
            << QStringLiteral("Poistetaan 7 taulukkoa: Tulorekisteri_00001_0000, Tulorekisteri_00001_0001, "
                              "Tulorekisteri_00001_0002, Tulorekisteri_00001_0003, Tulorekisteri_00001_0004 ja "
                              "2 muuta. Ennen poistoa otetaan varmuuskopio.")
            << QStringList{"Asiakkaat"};
    }

    void theQuestionCountsWhatTheWalkDeletes()
    {
        QFETCH(QString, schema);
        QFETCH(QString, button);
        QFETCH(QString, line);
        QFETCH(QStringList, left);
        ChosenTables db(schema);
        const QStringList before = db.tables();
        if (button == QLatin1String("cmdP"))
            db.view.select(before.at(before.startsWith(QStringLiteral("Asiakkaat")) ? 1 : 0));

        db.run(button);   // answered No
        QCOMPARE(db.dialogs.shown.size(), 1);
        const ScriptedDialogs::Shown asked = db.dialogs.shown.first();
        QCOMPARE(asked.detail, line);
        QVERIFY(asked.defaultAnswer == Dialogs::DefaultAnswer::Yes);
        QCOMPARE(db.tables(), before);

        db.dialogs.confirmAnswers = {true};
        db.run(button);
        QCOMPARE(db.dialogs.shown.at(1).detail, line);
        QCOMPARE(db.tables(), left);
        QCOMPARE(db.view.listed(), left);
    }
};

QTEST_MAIN(TestBulkConfirmation)
#include "tst_bulkconfirmation.moc"
