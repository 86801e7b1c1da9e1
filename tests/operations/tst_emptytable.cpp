#include "ChosenDatabase.h"

#include <QDir>
#include <QTest>

namespace {

const QString kTables = QStringLiteral("CREATE TABLE Asiakkaat (nro INTEGER NOT NULL, nimi TEXT);"
                                       "INSERT INTO Asiakkaat VALUES (1, 'Aho'), (2, 'Öhman');"
                                       "CREATE TABLE \"Henkilöstö ja palkat\" (x);"
                                       "INSERT INTO \"Henkilöstö ja palkat\" VALUES (1);"
                                       "CREATE TABLE \"Vanha]nimi\" (y); INSERT INTO \"Vanha]nimi\" VALUES (1);");
const QStringList kTableNames{"Asiakkaat", "Henkilöstö ja palkat", "Vanha]nimi"};

// The question, with the line that tells what emptying takes.
QString question(const QString& table, const QString& rows)
{
    return QStringLiteral("Kyllä/Ei [Poistetaan '%1' rivit?] oletus Ei: Tyhjennetäänkö '%1' taulukko? | %2 "
                          "Tyhjennyksestä ei oteta varmuuskopiota.")
        .arg(table, rows);
}

} // namespace

class TestEmptyTable : public QObject {
    Q_OBJECT

private slots:
    // No safety copy, the table and its definition stay, the list and its
    // selection stay, and the same table can be emptied again at once.
    void yesDeletesEveryRowAndLeavesTheListAsItWas()
    {
        ChosenDatabase db(kTables);
        const QString definition =
            testdb::value(db.file, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Asiakkaat'"));
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.dialogs.confirmAnswers = {true, true};
        db.window.click(QStringLiteral("cmdTyhjenna"));

        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Asiakkaat"), QStringLiteral("Taulukossa on 2 riviä.")),
                                          QStringLiteral("OK: Poistettu taulukon Asiakkaat rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(0));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Henkilöstö ja palkat")), qint64(1));
        QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Asiakkaat'")),
                 definition);
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(QDir(db.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"yritys.wk1"});
        QCOMPARE(db.window.listed(), kTableNames);
        QCOMPARE(db.window.list()->selectedItems().size(), 1);
        QCOMPARE(db.window.list()->selectedItems().first()->text(), QStringLiteral("Asiakkaat"));

        db.window.dialogs.shown.clear();
        db.window.click(QStringLiteral("cmdTyhjenna"));
        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Asiakkaat"), QStringLiteral("Taulukossa ei ole rivejä.")),
                                          QStringLiteral("OK: Poistettu taulukon Asiakkaat rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(0));
    }

    // A large count is written the Finnish way, with a space between the thousands.
    void theQuestionCountsTheRows()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Laskut (x);"
                                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 99420)"
                                         " INSERT INTO Laskut SELECT i FROM n;"));
        db.window.select(QStringLiteral("Laskut"));
        db.window.click(QStringLiteral("cmdTyhjenna"));
        QCOMPARE(db.boxes(), QStringList{question(QStringLiteral("Laskut"), QStringLiteral("Taulukossa on 99\u00A0420 riviä."))});
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Laskut")), qint64(99420));
    }

    // A table whose name holds "]" is emptied like any other.
    void aNameWithABracketIsEmptiedLikeAnyOther()
    {
        ChosenDatabase db(kTables);
        db.window.select(QStringLiteral("Vanha]nimi"));
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdTyhjenna"));

        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Vanha]nimi"), QStringLiteral("Taulukossa on 1 rivi.")),
                                          QStringLiteral("OK: Poistettu taulukon Vanha]nimi rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Vanha]nimi")), qint64(0));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(2));
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(db.window.listed(), kTableNames);
    }

    // A trigger ignores the deletion of some rows: the message says how many
    // are left instead of claiming the table was emptied.
    void emptyingSaysHowManyRowsRemain_data()
    {
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("message");
        QTest::newRow("one kept") << QStringLiteral("old.x = 1")
                                  << QStringLiteral("OK: Taulukkoa Laskut ei saatu tyhjäksi: siihen jäi 1 rivi");
        QTest::newRow("two kept") << QStringLiteral("old.x <= 2")
                                  << QStringLiteral("OK: Taulukkoa Laskut ei saatu tyhjäksi: siihen jäi 2 riviä");
        QTest::newRow("none kept") << QStringLiteral("0") << QStringLiteral("OK: Poistettu taulukon Laskut rivit");
    }

    void emptyingSaysHowManyRowsRemain()
    {
        QFETCH(QString, kept);
        QFETCH(QString, message);
        ChosenDatabase db(QStringLiteral("CREATE TABLE Laskut (x); INSERT INTO Laskut VALUES (1), (2), (3);"
                                         "CREATE TRIGGER pidä BEFORE DELETE ON Laskut WHEN %1"
                                         " BEGIN SELECT RAISE(IGNORE); END;")
                              .arg(kept));
        db.window.dialogs.confirmAnswers = {true};
        db.window.select(QStringLiteral("Laskut"));
        db.window.click(QStringLiteral("cmdTyhjenna"));
        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).startsWith(message), qPrintable(boxes.at(1)));
        const qint64 left = testdb::rowCount(db.file, QStringLiteral("Laskut"));
        QCOMPARE(boxes.at(1).contains(QString::number(left)), left > 0);
    }
};

QTEST_MAIN(TestEmptyTable)
#include "tst_emptytable.moc"
