#include "dialogs/Startup.h"
#include "app/frmAloitus.h"

int main(int argc, char* argv[])
{
    return runSingleWindow<frmAloitus>(argc, argv);
}
