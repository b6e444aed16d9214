#include "app/Startup.h"

int main(int argc, char** argv)
{
    orvanel::startup::prepareSignals();
    return orvanel::startup::run(argc, argv);
}
