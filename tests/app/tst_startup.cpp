#include "AnswerBox.h"
#include "app/Startup.h"

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

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

    // Qt writes the file dialog's sizes and dates in the system's locale and
    // leaves "Folder" untranslated; the operator reads them in Finnish.
    void fileDialogIsFinnish()
    {
        QVERIFY(QLocale::system().language() != QLocale::Finnish);   // the machine speaks otherwise
        QVERIFY(installFinnishTranslation(*QCoreApplication::instance()));
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("alikansio")));
        QFile file(dir.filePath(QStringLiteral("yritys.wk1")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'x')) == 5000 && file.flush());
        QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 8), QTime(14, 5)), QFileDevice::FileModificationTime));
        file.close();

        QStringList headers, folder, database, buttons, labels;
        answerNextBox([&](QDialog* dialog) {
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            QVERIFY(view && view->model());
            const QAbstractItemModel& model = *view->model();
            const auto row = [&](int r) {
                QStringList texts;
                for (int c = 0; c < 4; ++c)
                    texts << model.index(r, c, view->rootIndex()).data().toString();
                return texts;
            };
            QTRY_COMPARE(model.rowCount(view->rootIndex()), 2);
            QTRY_VERIFY(!row(0).at(3).isEmpty() && !row(1).at(3).isEmpty());
            for (int c = 0; c < 4; ++c)
                headers << model.headerData(c, Qt::Horizontal).toString();
            folder = row(0).at(0) == QLatin1String("alikansio") ? row(0) : row(1);
            database = row(0).at(0) == QLatin1String("alikansio") ? row(1) : row(0);
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                buttons << button->text().remove(QLatin1Char('&'));
            for (QLabel* label : dialog->findChildren<QLabel*>())
                labels << label->text().remove(QLatin1Char('&'));
            // Choosing in the list still works through the rewritten columns.
            const int fileRow = row(0).at(0) == QLatin1String("yritys.wk1") ? 0 : 1;
            view->selectionModel()->select(model.index(fileRow, 0, view->rootIndex()),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            dialog->accept();   // QFileDialog checks the choice first
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.chooseFileToOpen({QStringLiteral("Valitse"), dir.path(),
                                           QStringLiteral("Lumerin tietokannat (*.w*)")}),
                 file.fileName());

        QCOMPARE(headers, (QStringList{"Nimi", "Koko", "Tyyppi", "Muutosaika"}));
        QCOMPARE(folder.mid(1, 2), (QStringList{"", "Kansio"}));
        QCOMPARE(database.at(1), QStringLiteral("4,88 kt"));
        QCOMPARE(database.at(3), QStringLiteral("8.12.2026 14.05"));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Avaa", "Peru"}));
        QVERIFY2(labels.contains(QStringLiteral("Tiedostonimi:")), qPrintable(labels.join('|')));
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
