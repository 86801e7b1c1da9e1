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

QString question(const QString& table)
{
    return QStringLiteral("Kyllä/Ei [Poistetaan '%1' rivit?] oletus Ei: Tyhjennetäänkö '%1' taulukko?").arg(table);
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

        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Asiakkaat")),
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
        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Asiakkaat")),
                                          QStringLiteral("OK: Poistettu taulukon Asiakkaat rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(0));
    }

    // A table whose name holds "]" is emptied like any other.
    void aNameWithABracketIsEmptiedLikeAnyOther()
    {
        ChosenDatabase db(kTables);
        db.window.select(QStringLiteral("Vanha]nimi"));
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdTyhjenna"));

        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Vanha]nimi")),
                                          QStringLiteral("OK: Poistettu taulukon Vanha]nimi rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Vanha]nimi")), qint64(0));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(2));
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(db.window.listed(), kTableNames);
    }
};

QTEST_MAIN(TestEmptyTable)
#include "tst_emptytable.moc"
