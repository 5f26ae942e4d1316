// quorvel-launch-agent --client ACCOUNT
//
// Runs in the guest's desktop session, as the desktop's account, started by the
// session-wrapper hook: starts the quick-launch programs (and the product's page) that
// the program, running as ACCOUNT, asks for, so that they run as the guest and never
// as the account that owns the takings. Serves the display named by DISPLAY until the
// session ends (session-cleanup ends every process of the account).
#include <pwd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/posix/LaunchAgent.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--client") != 0) {
        std::cerr << "usage: quorvel-launch-agent --client ACCOUNT\n";
        return 2;
    }
    const passwd* client = getpwnam(argv[2]);
    if (!client) {
        std::cerr << "quorvel-launch-agent: no account " << argv[2] << "\n";
        return 1;
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        std::cerr << "quorvel-launch-agent: no display\n";
        return 1;
    }
    quorvel::platform::LaunchAgent agent(quorvel::platform::LaunchAgentName(display),
                                         client->pw_uid);
    if (!agent.listening()) {
        std::cerr << "quorvel-launch-agent: " << agent.error() << "\n";
        return 1;
    }
    while (agent.ServeOne()) {
    }
    std::cerr << "quorvel-launch-agent: cannot take requests any more\n";
    return 1;
}
