#include "startup.h"

int main(int argc, char *argv[])
{
    return RunSnipora(argc, argv);
}
