#pragma once

#include "dialogs/QtDialogs.h"

#include <QApplication>

class QCoreApplication;

// Makes the program Finnish whatever the machine's settings: Qt's own Finnish
// texts, built into the program, so that standard buttons read "Kyllä", "Ei",
// "OK" and "Peru", and the Finnish locale as the default, so that dates and
// numbers are written the Finnish way. Returns whether the texts were loaded.
bool installFinnishTranslation(QCoreApplication& app);

// A program of one window: Finnish, with the real dialogs over `Window`,
// which takes them in its constructor; runs until the window closes.
template <class Window>
int runSingleWindow(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFinnishTranslation(app);

    QtDialogs dialogs;
    Window window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
