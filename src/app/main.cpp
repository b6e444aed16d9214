#include "app/Startup.h"

int main(int argc, char** argv)
{
    return orvanel::startup::run(argc, argv);
}
