#include "AnswerBox.h"
#include "dialogs/Startup.h"

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

// The Finnish texts and locale, and the product icon, come with the program itself.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void productIconIsDrawn() { QVERIFY2(installProductIcon(), "is Qt's SVG plug-in (libqt6svg6) installed?"); }

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

        QStringList seen;
        answerNextBox([&](QDialog* dialog) {
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            QVERIFY(view && view->model());
            const QModelIndex root = view->rootIndex();
            const auto cell = [&](int row, int column) { return view->model()->index(row, column, root).data().toString(); };
            QTRY_VERIFY(view->model()->rowCount(root) == 2 && !cell(0, 3).isEmpty() && !cell(1, 3).isEmpty());
            for (int column = 0; column < 4; ++column)
                seen << view->model()->headerData(column, Qt::Horizontal).toString();
            for (int row : {0, 1})   // the folder sorts first
                for (int column = 1; column < 4; ++column)
                    seen << (row + column == 3 ? QStringLiteral("(ohitettu)") : cell(row, column));
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                seen << button->text().remove(QLatin1Char('&'));
            // Choosing in the list still works through the rewritten columns.
            view->selectionModel()->select(view->model()->index(1, 0, root),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            dialog->accept();   // QFileDialog checks the choice first
        });
        QCOMPARE(QtDialogs().chooseFileToOpen({QStringLiteral("Valitse"), dir.path(),
                                               QStringLiteral("Lumerin tietokannat (*.w*)")}),
                 file.fileName());
        // The folder's time is now, and the file's type is its MIME type's own description.
        QCOMPARE(seen, (QStringList{"Nimi", "Koko", "Tyyppi", "Muutosaika", "", "Kansio", "(ohitettu)", "4,88 kt",
                                    "(ohitettu)", "8.12.2026 14.05", "Avaa", "Peru"}));
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
