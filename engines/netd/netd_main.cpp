// orvanel-netd: the firewall service. docs/engines.md describes what it enforces, who may
// change it and how it is started.
//
//   orvanel-netd [--socket PATH] [--state-dir DIR] [--trusted-group NAME]
//                [--log-group N] [--check-seconds N]
//   orvanel-netd --remove-table        removes the table inet orvanel and ends

#include "NetdService.h"

#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    const auto options = orvanel::netd::serviceOptions(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "orvanel-netd: %s\n", error.c_str());
        return 2;
    }
    orvanel::netd::Service service(*options);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--remove-table") == 0) {
            if (service.removeTable(&error))
                return 0;
            std::fprintf(stderr, "orvanel-netd: %s\n", error.c_str());
            return 1;
        }
    }
    if (!service.start(&error)) {
        std::fprintf(stderr, "orvanel-netd: %s\n", error.c_str());
        return 1;
    }
    return service.run();
}
