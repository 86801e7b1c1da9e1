#pragma once

class QCoreApplication;

// Makes the program Finnish whatever the machine's settings: Qt's own Finnish
// texts, built into the program, so that standard buttons read "Kyllä", "Ei",
// "OK" and "Peru", and the Finnish locale as the default, so that dates and
// numbers are written the Finnish way. Returns whether the texts were loaded.
bool installFinnishTranslation(QCoreApplication& app);
