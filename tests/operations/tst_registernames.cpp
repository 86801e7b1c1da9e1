#include "operations/RegisterNames.h"

#include <QTest>

using namespace registerNames;

namespace {

const QString kInitial = kInitialSeriesCaption.toString();

} // namespace

class TestRegisterNames : public QObject {
    Q_OBJECT

private slots:
    void seriesCaption_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");

        QTest::newRow("eight after the beginning") << "Tulorekisteri_12345678" << "Tulorekisteri_12345";
        QTest::newRow("eight after the separate beginning")
            << "Tulorekisteri_erillis_12345678" << "Tulorekisteri_erillis_12345";
        QTest::newRow("17 characters, whole") << "Tulorekisteri_123" << "Tulorekisteri_123";
        QTest::newRow("19 characters, whole") << "Tulorekisteri_12345" << "Tulorekisteri_12345";
        QTest::newRow("22 characters, cut at 19") << "Tulorekisteri_12345678" << "Tulorekisteri_12345";
        QTest::newRow("exactly the separate beginning, 22")
            << "Tulorekisteri_erillis_" << "Tulorekisteri_erillis_";
        QTest::newRow("separate, 24 characters, whole") << "Tulorekisteri_erillis_12" << "Tulorekisteri_erillis_12";
        QTest::newRow("27 characters, whole") << "Tulorekisteri_erillis_12345" << "Tulorekisteri_erillis_12345";
        QTest::newRow("exactly the beginning") << "Tulorekisteri_" << "Tulorekisteri_";
        QTest::newRow("basic-data table") << "Tulorekisteri_Saajat" << "Tulorekisteri_Saaja";
        QTest::newRow("separate basic-data table") << "Tulorekisteri_erillis_Maksajat" << "Tulorekisteri_erillis_Maksa";
        QTest::newRow("separate beginning one letter short") << "Tulorekisteri_erilli" << "Tulorekisteri_erill";
        QTest::newRow("separate beginning in other case") << "Tulorekisteri_Erillis_12345" << "Tulorekisteri_Erill";
        QTest::newRow("nothing looked for after the cut") << "Tulorekisteri_1_2_3_4_5" << "Tulorekisteri_1_2_3";
        QTest::newRow("Finnish letters") << "Tulorekisteri_ÄÖ123_Työnantaja" << "Tulorekisteri_ÄÖ123";
        QTest::newRow("Finnish letters, separate")
            << "Tulorekisteri_erillis_åäöÅÖ_tiedot" << "Tulorekisteri_erillis_åäöÅÖ";
        QTest::newRow("letters with combining marks")
            << QStringLiteral(u"Tulorekisteri_A\u0308O\u0308123_x") << QStringLiteral(u"Tulorekisteri_A\u0308O\u0308123");
        QTest::newRow("letters outside the basic plane")
            << QStringLiteral(u"Tulorekisteri_\U0001D538\U0001D539123x")
            << QStringLiteral(u"Tulorekisteri_\U0001D538\U0001D539123");

        QTest::newRow("lower case") << "tulorekisteri_12345" << kInitial;
        QTest::newRow("upper case") << "TULOREKISTERI_12345" << kInitial;
        QTest::newRow("no underscore") << "Tulorekisteri12345" << kInitial;
        QTest::newRow("13 letters only") << "Tulorekisteri" << kInitial;
        QTest::newRow("other table") << "Asiakkaat" << kInitial;
        QTest::newRow("nothing selected") << "" << kInitial;
        QTest::newRow("underscore carries a mark") << QStringLiteral(u"Tulorekisteri_\u0301123") << kInitial;
    }

    void seriesCaption()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QCOMPARE(seriesCaptionFor(name), caption);
        // What the button shows is what the series deletion accepts.
        QCOMPARE(captionNamesSeries(caption), caption != kInitial);
    }

    // Which tables the cleanups take: every register table for the deletion
    // of all of them, the numbered ones for the deletion that keeps basic data.
    void keepOrDelete_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isRegister");
        QTest::addColumn<bool>("numbered");

        QTest::newRow("13 letters, no underscore") << "Tulorekisteri12345" << false << false;
        QTest::newRow("13 letters alone") << "Tulorekisteri" << false << false;
        QTest::newRow("lower case") << "tulorekisteri_12345" << false << false;
        QTest::newRow("upper case basic data") << "TULOREKISTERI_S" << false << false;
        QTest::newRow("other table") << "Asiakkaat" << false << false;
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("exactly the beginning") << "Tulorekisteri_" << true << true;
        QTest::newRow("digit") << "Tulorekisteri_1" << true << true;
        QTest::newRow("S alone") << "Tulorekisteri_S" << true << false;
        QTest::newRow("S and more") << "Tulorekisteri_Saajat_2023" << true << false;
        QTest::newRow("M alone") << "Tulorekisteri_M" << true << false;
        QTest::newRow("M and more") << "Tulorekisteri_Maksajat" << true << false;
        QTest::newRow("lower s") << "Tulorekisteri_s" << true << true;
        QTest::newRow("lower m and more") << "Tulorekisteri_maksut" << true << true;
        QTest::newRow("exactly the separate beginning") << "Tulorekisteri_erillis_" << true << true;
        QTest::newRow("separate, digit") << "Tulorekisteri_erillis_12345" << true << true;
        QTest::newRow("separate M alone") << "Tulorekisteri_erillis_M" << true << false;
        QTest::newRow("separate M and more") << "Tulorekisteri_erillis_Maksut" << true << false;
        QTest::newRow("separate T alone") << "Tulorekisteri_erillis_T" << true << false;
        QTest::newRow("separate T and more") << "Tulorekisteri_erillis_Tiedot" << true << false;
        QTest::newRow("separate S") << "Tulorekisteri_erillis_S" << true << true;
        QTest::newRow("separate lower m") << "Tulorekisteri_erillis_m" << true << true;
        QTest::newRow("separate other letter") << "Tulorekisteri_erillis_Ö" << true << true;
        QTest::newRow("separate in other case") << "Tulorekisteri_Erillis_M" << true << true;
        QTest::newRow("Finnish letter") << "Tulorekisteri_Ä" << true << true;
        QTest::newRow("M carries a mark") << QStringLiteral(u"Tulorekisteri_M\u0304") << true << true;
    }

    void keepOrDelete()
    {
        QFETCH(QString, name);
        QFETCH(bool, isRegister);
        QFETCH(bool, numbered);
        QCOMPARE(isRegisterTable(name), isRegister);
        QCOMPARE(isNumberedRegisterTable(name), numbered);
        QCOMPARE(isBasicDataTable(name), isRegister && !numbered);
    }

    // The series deletion takes every name that begins with the prefix.
    void seriesMatch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("matches");

        QTest::newRow("longer name") << "Tulorekisteri_12345_Tulot" << "Tulorekisteri_12345" << true;
        QTest::newRow("exactly the prefix") << "Tulorekisteri_12345" << "Tulorekisteri_12345" << true;
        QTest::newRow("shorter name") << "Tulorekisteri_1234" << "Tulorekisteri_12345" << false;
        QTest::newRow("other case") << "Tulorekisteri_ÄÖ123_x" << "Tulorekisteri_äö123" << false;
        QTest::newRow("other series") << "Tulorekisteri_12346_x" << "Tulorekisteri_12345" << false;
        QTest::newRow("separate under the plain prefix")
            << "Tulorekisteri_erillis_12345" << "Tulorekisteri_" << true;
        QTest::newRow("last letter carries a mark")
            << QStringLiteral(u"Tulorekisteri_1234A\u0308_x") << "Tulorekisteri_1234A" << false;
    }

    void seriesMatch()
    {
        QFETCH(QString, name);
        QFETCH(QString, prefix);
        QFETCH(bool, matches);
        QCOMPARE(beginsWith(name, prefix), matches);
    }

    void captionCheck()
    {
        QVERIFY(captionNamesSeries(QStringLiteral("Tulor")));
        QVERIFY(!captionNamesSeries(QStringLiteral("Tulo")));
        QVERIFY(!captionNamesSeries(QStringLiteral("tulorekisteri_12345")));
        QVERIFY(!captionNamesSeries(kInitial));
    }
};

QTEST_APPLESS_MAIN(TestRegisterNames)
#include "tst_registernames.moc"
