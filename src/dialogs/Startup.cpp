#include "dialogs/Startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLocale>
#include <QTranslator>

#include <memory>

bool installFinnishTranslation(QCoreApplication& app)
{
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    auto finnish = std::make_unique<QTranslator>();
    // From the program's own resources, never from the system's folder.
    if (!finnish->load(QStringLiteral(":/translations/qtbase_fi.qm")))
        return false;
    finnish->setParent(&app);   // the application owns it from here on
    return QCoreApplication::installTranslator(finnish.release());
}

bool installProductIcon()
{
    const QIcon icon(QStringLiteral(":/icons/lumeri-taulut.svg"));
    QApplication::setWindowIcon(icon);
    return !icon.pixmap(64).isNull();
}
