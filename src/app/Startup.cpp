#include "app/Startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

bool installFinnishTranslation(QCoreApplication& app)
{
    auto finnish = std::make_unique<QTranslator>();
    if (!finnish->load(QLocale(QLocale::Finnish, QLocale::Finland), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    finnish->setParent(&app);   // the application owns it from here on
    return QCoreApplication::installTranslator(finnish.release());
}
