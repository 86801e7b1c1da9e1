#include "ChosenDatabase.h"
#include "OtherProgram.h"
#include "dialogs/QtDialogs.h"
#include "operations/WaitingDialogs.h"

#include <QTest>

#include <sqlite3.h>

// Another program holds the file while an operation needs it: the operation
// waits with the waiting dialog. Stopped there, it changes nothing and says
// in one box what did not happen and why; released meanwhile, it goes on.

namespace {

const QString kTables = QStringLiteral("CREATE TABLE Asiakkaat (x); INSERT INTO Asiakkaat VALUES (1);"
                                       "CREATE TABLE Tulorekisteri_1 (x);");

// One row per operation: its button, what the operator answers, and how
// another program's lock makes it wait: a write it has begun stops only
// the changes, a lock for its commit (exclusive) every reading too. Given
// up, each waits until the operator stops it, or until the limit.
void operations(bool bothEndings)
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("exclusive");
    QTest::addColumn<QString>("notDone");
    QTest::addColumn<bool>("stopped");
    const auto row = [bothEndings](const char* name, const char* button, bool exclusive, const char* notDone) {
        QTest::newRow(name) << button << exclusive << notDone << true;
        if (bothEndings)
            QTest::addRow("%s, limit", name) << button << exclusive << notDone << false;
    };
    row("delete", "cmdPoista", false, "Taulukkoa Asiakkaat ei poistettu");
    row("rename", "cmdNimea", false, "Taulukkoa Asiakkaat ei nimetty uudelleen");
    row("empty", "cmdTyhjenna", false, "Taulukon Asiakkaat rivejä ei poistettu");
    row("bulk", "cmdPoistaTulorekisteriTaulut", false, "Taulukoita ei poistettu");
    row("choose", "cmdSelaa", true, "Tietokantaa ei avattu");
    row("delete, exclusive", "cmdPoista", true, "Taulukkoa Asiakkaat ei poistettu");
}

void start(ChosenDatabase& db, const QString& button)
{
    db.window.select(QStringLiteral("Asiakkaat"));
    db.window.dialogs.shown.clear();
    db.window.dialogs.confirmAnswers = {true};
    db.window.dialogs.textAnswers = {QStringLiteral("Uusi")};
    if (button == QLatin1String("cmdSelaa"))
        db.window.choose(db.file);
    else
        db.window.click(button);
}

} // namespace

class TestOtherProgram : public QObject {
    Q_OBJECT

private slots:
    // The program's own dialogs wait 30 s for another program, and no
    // longer; asked as the engine's wait asks, with the time waited so far.
    void theWaitEndsAfterThirtySeconds_data()
    {
        QTest::addColumn<int>("waitedMs");
        QTest::addColumn<bool>("keepsWaiting");
        QTest::newRow("at once") << 0 << true;
        QTest::newRow("3 s") << 3000 << true;
        QTest::newRow("a moment short of 30 s") << 29999 << true;
        QTest::newRow("30 s") << 30000 << false;
        QTest::newRow("a minute") << 60000 << false;
    }

    void theWaitEndsAfterThirtySeconds()
    {
        QFETCH(int, waitedMs);
        QFETCH(bool, keepsWaiting);
        QtDialogs real;
        WaitingDialogs waiting(real);
        QCOMPARE(waiting.keepWaiting()(waitedMs), keepsWaiting);
    }

    void gaveUpWaiting_data() { operations(true); }

    void gaveUpWaiting()
    {
        QFETCH(QString, button);
        QFETCH(bool, exclusive);
        QFETCH(QString, notDone);
        QFETCH(bool, stopped);
        ChosenDatabase db(kTables);
        const QByteArray before = testdb::fileBytes(db.file);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec(exclusive ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE; INSERT INTO Asiakkaat VALUES (2);"),
                 SQLITE_OK);
        if (stopped)
            db.window.dialogs.stopAfterSteps = 3;   // Keskeytä
        else
            db.window.dialogs.waitLimit = 300;
        start(db, button);

        const auto& progresses = db.window.dialogs.progresses;
        QCOMPARE(progresses.size(), 1);
        QCOMPARE(progresses.first().text, WaitingDialogs::kWaitingText);
        QVERIFY(progresses.first().cancellable);
        QVERIFY(progresses.first().ended);
        if (stopped)
            QCOMPARE(progresses.first().steps.size(), 3);
        // Under its text, how long it will still wait at most: the limit of 0.3 s is "1 s" all along.
        QCOMPARE(progresses.first().labels().last(),
                 WaitingDialogs::kWaitingText.arg(stopped ? db.window.dialogs.waitLimit / 1000 : 1));
        const QStringList informed = db.window.dialogs.informed();
        QCOMPARE(informed.size(), 1);
        // The list could not be read again either: one sentence says so.
        const QString rebuild = exclusive && button != QLatin1String("cmdSelaa")
                                    ? QStringLiteral("\nTaulukkoluetteloa ei voitu päivittää samasta syystä, joten "
                                                     "se ei välttämättä vastaa tiedostoa.")
                                    : QString();
        QCOMPARE(informed.first(), notDone
                                       + (stopped ? QStringLiteral(", koska toinen ohjelma käyttää tietokantaa. "
                                                                   "Odottaminen keskeytettiin.")
                                                  : QStringLiteral(", koska toinen ohjelma käyttää tietokantaa. "
                                                                   "Yritä myöhemmin uudelleen; jos tietokanta on "
                                                                   "yhä varattu, sulje muut ohjelmat, jotka voivat "
                                                                   "käyttää sitä."))
                                       + rebuild + QStringLiteral("\n\nTiedosto: ") + db.file);
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList{});
        QCOMPARE(db.window.listed(), db.tables());
    }

    void releasedWhileWaiting_data() { operations(false); }

    void releasedWhileWaiting()
    {
        QFETCH(QString, button);
        QFETCH(bool, exclusive);
        ChosenDatabase db(kTables);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec(exclusive ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE; INSERT INTO Asiakkaat VALUES (2);"),
                 SQLITE_OK);
        db.window.dialogs.whileProgressing = [&](const ScriptedDialogs::ProgressShown& progress) {
            if (progress.text == WaitingDialogs::kWaitingText && progress.steps.size() == 3)
                QCOMPARE(other.exec("COMMIT"), SQLITE_OK);
        };
        start(db, button);

        QCOMPARE(db.window.dialogs.progresses.first().text, WaitingDialogs::kWaitingText);
        QVERIFY(db.window.dialogs.progresses.first().steps.size() >= 3);
        const QStringList informed = db.window.dialogs.informed();
        QVERIFY2(!informed.join(QLatin1Char('\n')).contains(QStringLiteral("toinen ohjelma")),
                 qPrintable(informed.join(QLatin1Char('\n'))));
        const QStringList tables = db.tables();
        if (button == QLatin1String("cmdPoista"))
            QCOMPARE(tables, QStringList{"Tulorekisteri_1"});
        else if (button == QLatin1String("cmdNimea"))
            QCOMPARE(tables, (QStringList{"Uusi", "Tulorekisteri_1"}));
        else if (button == QLatin1String("cmdTyhjenna"))
            QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(0));
        else if (button == QLatin1String("cmdPoistaTulorekisteriTaulut"))
            QCOMPARE(tables, QStringList{"Asiakkaat"});
        QCOMPARE(db.window.listed(), tables);
        QCOMPARE(db.copies().size(), button == QLatin1String("cmdSelaa") || button == QLatin1String("cmdTyhjenna")
                                         ? 0 : 1);
    }
};

QTEST_MAIN(TestOtherProgram)
#include "tst_otherprogram.moc"
