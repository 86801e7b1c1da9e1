#pragma once

class QCoreApplication;

// Loads Qt's own Finnish texts, so that standard buttons read "Kyllä", "Ei",
// "OK" and "Peru" and the file dialog speaks Finnish. Returns whether found.
bool installFinnishTranslation(QCoreApplication& app);
