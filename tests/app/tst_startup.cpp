#include "dialogs/Startup.h"

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QTest>

// The Finnish texts and locale come with the program itself.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void standardButtonsAndDatesAreFinnish()
    {
        QVERIFY(QFile::exists(QStringLiteral(":/translations/qtbase_fi.qm")));
        QVERIFY(installFinnishTranslation(*QCoreApplication::instance()));

        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Ok
                             | QDialogButtonBox::Cancel);
        const auto text = [&box](QDialogButtonBox::StandardButton which) {
            return box.button(which)->text().remove(QLatin1Char('&'));
        };
        QCOMPARE(text(QDialogButtonBox::Yes), QStringLiteral("Kyllä"));
        QCOMPARE(text(QDialogButtonBox::No), QStringLiteral("Ei"));
        QCOMPARE(text(QDialogButtonBox::Ok), QStringLiteral("OK"));
        QCOMPARE(text(QDialogButtonBox::Cancel), QStringLiteral("Peru"));

        QCOMPARE(QLocale().language(), QLocale::Finnish);
        QVERIFY(QLocale().toString(QDate(2026, 12, 8), QLocale::LongFormat).contains(QStringLiteral("joulukuuta")));
    }
};

int main(int argc, char* argv[])
{
    // The machine's own language must not matter.
    qputenv("LANG", "C");
    qputenv("LC_ALL", "C");
    QApplication app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
