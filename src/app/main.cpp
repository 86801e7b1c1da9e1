#include "app/QtDialogs.h"
#include "app/Startup.h"
#include "app/frmAloitus.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFinnishTranslation(app);

    QtDialogs dialogs;
    frmAloitus window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
