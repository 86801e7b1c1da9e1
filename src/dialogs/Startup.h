#pragma once

#include "dialogs/QtDialogs.h"

#include <QApplication>

class QCoreApplication;

// Makes the program Finnish whatever the machine's settings: Qt's own Finnish
// texts, built into the program, so that standard buttons read "Kyllä", "Ei",
// "OK" and "Peru", and the Finnish locale as the default, so that dates and
// numbers are written the Finnish way. Returns whether the texts were loaded.
bool installFinnishTranslation(QCoreApplication& app);

// Gives every window of the program the product icon, from the program's own
// resources. Returns whether the icon could be drawn.
bool installProductIcon();

// A program of one window: Finnish, with the product icon and the real
// dialogs over `Window`, which takes them in its constructor; boxes given no
// title show `boxTitle`. Runs until the window closes.
template <class Window>
int runSingleWindow(int argc, char* argv[], const QString& boxTitle = QtDialogs::kApplicationTitle)
{
    QApplication app(argc, argv);
    installFinnishTranslation(app);
    installProductIcon();

    QtDialogs dialogs;
    dialogs.setApplicationTitle(boxTitle);
    Window window(dialogs);
    dialogs.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
