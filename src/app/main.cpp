#include "app/QtDialogs.h"
#include "app/frmAloitus.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    // Standard buttons and the file dialog speak Finnish: "Kyllä", "Ei", "OK", "Peru".
    QTranslator finnish;
    if (finnish.load(QLocale(QLocale::Finnish, QLocale::Finland), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&finnish);

    QtDialogs dialogs;
    frmAloitus window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
