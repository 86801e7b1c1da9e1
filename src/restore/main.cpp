#include "app/QtDialogs.h"
#include "app/Startup.h"
#include "restore/RestoreWindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFinnishTranslation(app);

    QtDialogs dialogs;
    RestoreWindow window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
