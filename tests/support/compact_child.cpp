// Compacts the database named on the command line, saying "working" on its
// standard output once the engine has started, so that a test can kill it
// at a chosen moment of the work.
#include "copies/Compaction.h"
#include "db/Failure.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    bool said = false;
    try {
        compactDatabase(QString::fromLocal8Bit(argv[1]), [&said] {
            if (!said) {
                std::puts("working");
                std::fflush(stdout);
                said = true;
            }
        });
    } catch (const Failure& failure) {
        std::fputs(failure.what(), stderr);
        return 1;
    }
    return 0;
}
