#include "dialogs/Startup.h"
#include "restore/RestoreWindow.h"

int main(int argc, char* argv[])
{
    return runSingleWindow<RestoreWindow>(argc, argv, RestoreWindow::kApplicationTitle);
}
