#include "ChosenDatabase.h"

#include <QTest>

#include <memory>

namespace {

// What the window holds when the button is pressed.
enum class State {
    NoDatabase,        // a fresh window
    NothingSelected,   // a database chosen, no entry selected, the series button untouched
    OtherSelected,     // a database chosen and an entry outside every register series clicked
};

const QString kChooseFirst = QStringLiteral("OK: Valitse ensin tietokanta");
const QString kChooseTable = QStringLiteral("OK: Valitse taulukko");
const QString kChooseSeries = QStringLiteral(
    "OK: Valitse listalta ensin Tulorekisteri_ -alkuinen taulu, jonka numerosarjan taulut poistetaan");
const QStringList kTables{"Asiakkaat", "Tulorekisteri_12345_a", "Tulorekisteri_S_Saajat"};
const QStringList kDeclineTables{"Asiakkaat", "Henkilöstö ja palkat", "Tulorekisteri_12345_a", "Vanha]nimi"};

} // namespace

Q_DECLARE_METATYPE(State)

// Every button when it may not go on: pressed before what it needs is there,
// or declined by the operator. Neither the file nor the list changes, nor does
// a safety copy appear.
class TestPreconditions : public QObject {
    Q_OBJECT

private slots:
    // At most one box. The scripted operator would answer yes and give a new
    // name, so a missing check shows as a question asked or a table gone.
    void buttonWithoutWhatItNeeds_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<State>("state");
        QTest::addColumn<QStringList>("boxes");

        QTest::newRow("delete, no database") << "cmdPoista" << State::NoDatabase << QStringList{};
        QTest::newRow("delete, nothing selected") << "cmdPoista" << State::NothingSelected << QStringList{};
        QTest::newRow("rename, no database") << "cmdNimea" << State::NoDatabase << QStringList{};
        QTest::newRow("rename, nothing selected") << "cmdNimea" << State::NothingSelected << QStringList{};
        QTest::newRow("empty, no database") << "cmdTyhjenna" << State::NoDatabase << QStringList{kChooseTable};
        QTest::newRow("empty, nothing selected") << "cmdTyhjenna" << State::NothingSelected
                                                 << QStringList{kChooseTable};
        QTest::newRow("all register, no database")
            << "cmdPoistaTulorekisteriTaulut" << State::NoDatabase << QStringList{kChooseFirst};
        QTest::newRow("numbered register, no database") << "cmdPTN" << State::NoDatabase << QStringList{kChooseFirst};
        QTest::newRow("series, initial caption") << "cmdP" << State::NothingSelected << QStringList{kChooseSeries};
        QTest::newRow("series, entry outside every series")
            << "cmdP" << State::OtherSelected << QStringList{kChooseSeries};
    }

    void buttonWithoutWhatItNeeds()
    {
        QFETCH(QString, button);
        QFETCH(State, state);
        QFETCH(QStringList, boxes);

        if (state == State::NoDatabase) {
            WindowDriver fresh;
            fresh.dialogs.confirmAnswers = {true, true};
            fresh.dialogs.textAnswers = {QStringLiteral("Uusi")};
            fresh.click(button);
            QCOMPARE(fresh.dialogs.lines(), boxes);
            QVERIFY(fresh.listed().isEmpty());
            QCOMPARE(fresh.dialogs.busyCount, 0);
            return;
        }

        ChosenDatabase db(testdb::tablesSql(kTables));
        db.window.show();
        if (state == State::OtherSelected)
            db.window.clickEntry(QStringLiteral("Asiakkaat"));
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.dialogs.confirmAnswers = {true, true};
        db.window.dialogs.textAnswers = {QStringLiteral("Uusi")};
        db.window.click(button);

        QCOMPARE(db.boxes(), boxes);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(db.window.listed(), kTables);
    }

    // The operator says no, or cancels the new name: the question was the
    // only box, and the file, the list and the folder stay as they were.
    // "%1" in a box stands for the database's path.
    void decliningChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("box");

        QTest::newRow("delete") << "cmdPoista" << "Henkilöstö ja palkat"
                                << "Kyllä/Ei [Taulukon poistaminen] oletus Ei: Poistetaanko tietokannasta\n%1"
                                   "\ntaulukko\nHenkilöstö ja palkat | Taulukossa on 1 rivi. Ennen poistoa otetaan varmuuskopio.";
        QTest::newRow("empty") << "cmdTyhjenna" << "Henkilöstö ja palkat"
                               << "Kyllä/Ei [Poistetaan 'Henkilöstö ja palkat' rivit?] oletus Ei: Tyhjennetäänkö "
                                  "'Henkilöstö ja palkat' taulukko? | Taulukossa on 1 rivi. Tyhjennyksestä ei oteta "
                                  "varmuuskopiota.";
        // Cancel and an empty answer are one case: the prompt gives "".
        QTest::newRow("rename") << "cmdNimea" << "Asiakkaat"
                                << "Kysy: Nimetään uudelleen tietokannasta\n%1\ntaulukko\nAsiakkaat\nSyötä taulukon "
                                   "uusi nimi";
        QTest::newRow("series") << "cmdP" << "Tulorekisteri_12345_a"
                                << "Kyllä/Ei [POISTETAAN KAIKKI Tulorekisteri_12345 -alkuiset taulut] oletus Kyllä: "
                                   "Poistetaanko kaikki Tulorekisteri_12345  -alkuiset taulut | Poistetaan 1 taulukko: "
                                   "Tulorekisteri_12345_a. Ennen poistoa otetaan varmuuskopio.";
        QTest::newRow("all register")
            << "cmdPoistaTulorekisteriTaulut" << "Tulorekisteri_12345_a"
            << "Kyllä/Ei [POISTETAAN KAIKKI Tulorekisteri_ -alkuiset taulut] oletus Kyllä: Poistetaanko kaikki "
               "tulorekisteri -taulut | Poistetaan 1 taulukko: Tulorekisteri_12345_a. Ennen poistoa otetaan "
               "varmuuskopio.";
        QTest::newRow("numbered register")
            << "cmdPTN" << "Tulorekisteri_12345_a"
            << "Kyllä/Ei [POISTETAAN KAIKKI NUMEROIDUT Tulorekisteri_ -alkuiset taulut] oletus Kyllä: Poistetaanko "
               "kaikki numeroidut tulorekisteri -taulut. Jätetään jäljelle vain perustieto -taulut | Poistetaan 1 "
               "taulukko: Tulorekisteri_12345_a. Ennen poistoa otetaan varmuuskopio.";
    }

    void decliningChangesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, entry);
        QFETCH(QString, box);

        ChosenDatabase db(testdb::tablesSql(kDeclineTables));
        db.window.show();
        db.window.clickEntry(entry);
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.dialogs.confirmAnswers = {false};
        db.window.click(button);

        QCOMPARE(db.boxes(), QStringList{box.arg(db.file)});
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(db.window.listed(), kDeclineTables);
    }
};

QTEST_MAIN(TestPreconditions)
#include "tst_preconditions.moc"
