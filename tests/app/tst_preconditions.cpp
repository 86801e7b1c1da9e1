#include "ChosenDatabase.h"
#include "FileSizeLimit.h"
#include "WithoutOverride.h"

#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <optional>

#include <memory>

namespace {

// What the window holds when the button is pressed.
// What goes wrong under the operation after the question.
enum class Fault {
    FileDeleted,         // the chosen file is deleted after it was chosen
    FolderNotWritable,   // the engine cannot write its journal beside the file
    CopyTooLarge,        // the safety copy cannot be written (a file size limit)
};

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
Q_DECLARE_METATYPE(Fault)

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

    // The operator answers yes and the work fails: one box says what was
    // not done and the cause once, in Finnish, without the engine's English
    // under a cause it names. "%1" stands for the database's path, "%2" for
    // its folder.
    void aFailureIsToldOnceWithWhatWasNotDone_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("box");

        const QString gone = QStringLiteral("\nTietokantatiedostoa ei löydy.");
        const QString listToo = QStringLiteral("\nTaulukkoluetteloa ei voitu päivittää samasta syystä, joten se ei "
                                               "välttämättä vastaa tiedostoa.");
        QTest::newRow("delete, file deleted")
            << "cmdPoista" << Fault::FileDeleted
            << "OK: Taulukkoa Asiakkaat ei poistettu." + gone + listToo + "\n\nTiedosto: %1";
        QTest::newRow("empty, file deleted") << "cmdTyhjenna" << Fault::FileDeleted
                                             << "OK: Taulukon Asiakkaat rivejä ei poistettu." + gone + "\n\nTiedosto: %1";
        QTest::newRow("all register, file deleted")
            << "cmdPoistaTulorekisteriTaulut" << Fault::FileDeleted
            << "OK: Taulukoita ei poistettu." + gone + listToo + "\n\nTiedosto: %1";
        const QString folder = QStringLiteral("\nSyy: Tietokannan kansioon ei voi kirjoittaa: %2. Muutoksen aikana "
                                              "tietokannan viereen kirjoitetaan tiedosto; tietokantatiedosto itse on "
                                              "kunnossa");
        QTest::newRow("empty, folder not writable")
            << "cmdTyhjenna" << Fault::FolderNotWritable
            << "OK: Taulukon Asiakkaat rivejä ei voitu poistaa.\n\nTiedosto: %1" + folder;
        QTest::newRow("delete, folder not writable")
            << "cmdPoista" << Fault::FolderNotWritable
            << "OK: Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei koskettu.\n\nTiedosto: %1" + folder;
        const QString limit = QStringLiteral("\nSyy: Tiedoston kokoraja tuli vastaan; tiedostoa ei voi kasvattaa "
                                             "suuremmaksi (käyttöjärjestelmän tiedostokokoraja)");
        QTest::newRow("delete, copy too large")
            << "cmdPoista" << Fault::CopyTooLarge
            << "OK: Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei koskettu.\nVarmuuskopiota ei voitu "
               "kirjoittaa.\n\nTiedosto: %1" + limit;
    }

    void aFailureIsToldOnceWithWhatWasNotDone()
    {
        QFETCH(QString, button);
        QFETCH(Fault, fault);
        QFETCH(QString, box);

        ChosenDatabase db(testdb::tablesSql(kTables)
                          + QStringLiteral("CREATE TABLE Iso (v); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT "
                                           "i + 1 FROM c WHERE i < 200) INSERT INTO Iso SELECT randomblob(500) FROM c;"));
        db.window.show();
        db.window.clickEntry(QStringLiteral("Asiakkaat"));
        const QByteArray before = testdb::fileBytes(db.file);
        const QStringList listed = db.window.listed();
        const auto writable = qScopeGuard([&db] {
            QFile::setPermissions(db.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        std::optional<WithoutOverride> heldToPermissions;
        std::optional<FileSizeLimit> limit;
        switch (fault) {
        case Fault::FileDeleted:
            QVERIFY(QFile::remove(db.file));
            break;
        case Fault::FolderNotWritable:
            QVERIFY(QFile::setPermissions(db.dir.path(), QFile::ReadOwner | QFile::ExeOwner));
            heldToPermissions.emplace();
            if (!heldToPermissions->active())
                QSKIP("the permission bits cannot be made to hold here");
            break;
        case Fault::CopyTooLarge:
            limit.emplace(before.size() / 2);
            break;
        }
        db.window.dialogs.confirmAnswers = {true, true};
        db.window.click(button);
        limit.reset();
        heldToPermissions.reset();

        const QStringList told = db.window.dialogs.informed();
        QCOMPARE(told.size(), 1);
        QCOMPARE(db.boxes().last(), QString(box).replace("%1", db.file).replace("%2", db.dir.path()));
        if (fault != Fault::FileDeleted)
            QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(QDir(db.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 fault == Fault::FileDeleted ? QStringList{} : QStringList{QStringLiteral("yritys.wk1")});
        QCOMPARE(db.window.listed(), listed);
    }
};

QTEST_MAIN(TestPreconditions)
#include "tst_preconditions.moc"
